#pragma once

#include "security/FicheUtilisateur.h"
#include "security/RegistreUtilisateurs.h"

#include <QDialog>

class DataModule;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Administrators maintain the program's users here: list, create, modify,
// deactivate and delete, with the level and the password. Every rule that
// protects the administration is the core's; the window shows and collects.
class GestionUtilisateursWindow final : public QDialog
{
    Q_OBJECT

public:
    GestionUtilisateursWindow(DataModule &dm, const QString &ACurrentLogin, QWidget *owner);

    // Refuses without a database or below level 9; otherwise shows the window modally.
    static void Ouvrir(DataModule &dm, const QString &ACurrentLogin, int ACurrentNiveau, QWidget *owner = nullptr);

    int NiveauSelectionne() const;
    void SelectionnerNiveau(int ANiveau);
    void ChargerListe();
    void ViderFiche();
    void ChargerFiche(int AUserId);
    void BtnEnregistrerClick();
    void BtnSupprimerClick();
    int FUserId() const { return m_fiche.userId; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void RemplirComboNiveau();
    void lvUsersSelectItem();
    QWidget *champ(RegistreUtilisateurs::Champ champ) const;

    DataModule &m_dm;
    QString FCurrentLogin;
    FicheUtilisateur m_fiche;
    bool m_shown = false;
    bool m_remplissage = false;
    QTreeWidget *lvUsers = nullptr;
    QLineEdit *EditLogin = nullptr;
    QLineEdit *EditNom = nullptr;
    QLineEdit *EditFonction = nullptr;
    QLineEdit *EditEmail = nullptr;
    QLineEdit *EditMotDePasse = nullptr;
    QComboBox *ComboNiveau = nullptr;
    QCheckBox *CheckActif = nullptr;
    QPushButton *BtnSupprimer = nullptr;
};
