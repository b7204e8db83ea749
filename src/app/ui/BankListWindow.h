#pragma once

#include <QDialog>

class DataModule;
class QStandardItemModel;
class QTableView;

// The banks Bridge offers, from the in-memory catalogue, with the rebuild of the
// local cache.
class BankListWindow final : public QDialog
{
    Q_OBJECT

public:
    BankListWindow(DataModule &dm, const QString &resume, QWidget *owner);

    void BtnResetCacheBanquesClick();
    int lignes() const;

private:
    void remplir();

    DataModule &m_dm;
    QStandardItemModel *m_modele = nullptr;
    QTableView *m_grille = nullptr;
};
