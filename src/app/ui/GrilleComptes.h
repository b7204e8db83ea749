#pragma once

#include "app/ui/ComptesModel.h"

#include <QWidget>

class DataModule;
class PiedDeGrille;
class QTableView;

// The accounts grid of the main window: T_COMPTES with the predefined captions,
// the columns a level may see, consent colours on whole rows and the count of
// IBANs in the footer. Read-only.
class GrilleComptes final : public QWidget
{
    Q_OBJECT

public:
    explicit GrilleComptes(QWidget *parent = nullptr);

    static bool ChampCompteVisiblePourNiveau(const QString &AFieldName, int ANiveau);
    static int largeurColonne(const QString &champ);

    // Reloads the query; database errors propagate.
    void Rafraichir(DataModule &dm);
    void ConfigurerColonnesComptes(int ANiveau);

    QTableView *vue() const { return m_vue; }
    ComptesModel *modele() const { return m_modele; }
    bool ouvert() const { return m_ouvert; }
    int ligneCourante() const;
    QString titreColonne(const QString &champ) const;
    bool colonneVisible(const QString &champ) const;

signals:
    void ligneDoubleCliquee(int row);

private:
    int largeurAjustee(int col, int largeur) const;

    ComptesModel *m_modele = nullptr;
    QTableView *m_vue = nullptr;
    PiedDeGrille *m_pied = nullptr;
    bool m_ouvert = false;
    int m_niveau = 0;
};
