#pragma once

#include <QDialog>

class DataModule;
class QLabel;
class QLineEdit;
class QTableWidget;

// The application's Bridge users: the list of the first page, the creation of a
// user, and the choice of the one the company's bank connections hang under.
class TFormBridgeUsersModal final : public QDialog
{
    Q_OBJECT

public:
    TFormBridgeUsersModal(DataModule &dm, QWidget *owner);

    // AUtilisateurInitial: the company's current Bridge user.
    static void Executer(QWidget *AOwner, DataModule &dm, const QString &AUtilisateurInitial);

    void setUtilisateur(const QString &AUtilisateur);
    void Rafraichir();
    void BtnCreerClick();
    // Stores the identifier as the company's Bridge user.
    void BtnAssocierClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void afficherSociete();

    DataModule &m_dm;
    bool m_shown = false;
    QLineEdit *EditUtilisateur = nullptr;
    QTableWidget *GridUtilisateurs = nullptr;
    QLabel *LabelInfo = nullptr;
    QLabel *m_societe = nullptr;
};
