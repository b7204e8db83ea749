#pragma once

#include "company/SocieteFiche.h"

#include <QDialog>

class DataModule;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The issuing company's identification: name, registration, postal data, the
// address that receives the reports, the export folder and the console code.
// Loading, checking and saving are the core's; the window shows and collects.
class IdentificationSocieteWindow final : public QDialog
{
    Q_OBJECT

public:
    IdentificationSocieteWindow(DataModule &dm, QWidget *owner);

    // Shows the window modally; true once the user saved a valid company.
    static bool Executer(DataModule &dm, QWidget *owner);

    bool FEnregistre = false;

    SocieteFiche fiche() const;
    void BtnEnregistrerClick();
    void BtnChoisirRepertoireClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *edit(const char *name, QWidget *parent);
    void ChargerEcran();

    DataModule &m_dm;
    SocieteFiche m_chargee; // keeps what the window does not show (contact e-mail)
    bool m_shown = false;
    QLineEdit *EditRaisonSociale = nullptr;
    QLineEdit *EditSiret = nullptr;
    QLineEdit *EditAdresse = nullptr;
    QLineEdit *EditCodePostal = nullptr;
    QLineEdit *EditVille = nullptr;
    QLineEdit *EditTelephone = nullptr;
    QLineEdit *EditEmail = nullptr;
    QLineEdit *EditContactNom = nullptr;
    QLineEdit *EditContactEmail = nullptr;
    QLineEdit *EditRepertoireExport = nullptr;
    QLineEdit *EditCodeSecuriteConsole = nullptr;
    QPlainTextEdit *MemoInfo = nullptr;
};
