#pragma once

#include <QFrame>

class DataModule;
class QLabel;
class QStandardItemModel;
class QTableView;

// The bottom panel of the main window: when the last synchronisation that brought
// something ran, and the latest import of each IBAN.
class PanneauDerniereSync final : public QFrame
{
    Q_OBJECT

public:
    explicit PanneauDerniereSync(QWidget *parent = nullptr);

    // Reads the stored status and the imports; database errors propagate.
    void AfficherStatutSync(DataModule &dm);

    QString statut() const;
    QTableView *grille() const { return m_grille; }

signals:
    // Double-click on an import: its IBAN and bank name.
    void compteActive(const QString &iban, const QString &nomBanque);

private:
    QLabel *m_statut = nullptr;
    QStandardItemModel *m_modele = nullptr;
    QTableView *m_grille = nullptr;
};
