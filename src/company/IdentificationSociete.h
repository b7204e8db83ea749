#pragma once

#include "company/SocieteFiche.h"

#include <QString>

class DataModule;

// The issuing company: its row in T_IDENTIFICATION_SOCIETE (always the first one),
// its name for titles and mails, the address that receives reports, the console
// security code the unattended commands must present, and the default export
// folder. The window only shows a SocieteFiche; loading, checking and saving are here.
//
// Operations returning a bool never throw: database errors become their message.
// Out texts are cleared on entry; an error text is set only on false.
class IdentificationSociete final
{
public:
    IdentificationSociete() = delete;

    // Name under which the company window is opened through UserDialogs::runModal.
    static QString NomFenetre();

    static void EnsureTable(DataModule &AConnection);
    static bool ColumnExists(DataModule &AConnection, const QString &ATableName, const QString &AColumnName);

    static bool RaisonSocialeValide(const QString &ARaisonSociale);
    static bool EmailValide(const QString &AEmail);
    static QString NormaliserCodeSecuriteConsole(const QString &ACode);
    static bool CodeSecuriteConsoleValide(const QString &ACode);
    // Eight hexadecimal digits, or empty when no random identifier could be made.
    static QString GenererCodeSecuriteConsole();

    static bool LireRaisonSociale(DataModule &AConnection, QString &ARaisonSociale, QString &AErreur);
    static bool LireEmailRapport(DataModule &AConnection, QString &AEmail, QString &AErreur);
    static bool LireCodeSecuriteConsole(DataModule &AConnection, QString &ACode, QString &AErreur);
    // The stored report address, trimmed and unchecked, as the first administrator's
    // proposed e-mail; empty when there is none or on any error.
    static QString EmailSociete(DataModule &AConnection) noexcept;

    // Opens the company window; true with the name once the user saved a valid company.
    static bool ConfigurerSocieteEmettrice(DataModule &AConnection, QString &ARaisonSociale, QString &AErreur);
    // The name when the company is identified, otherwise the window.
    static bool VerifierSocieteEmettrice(DataModule &AConnection, QString &ARaisonSociale, QString &AErreur);

    // --- what the company window does ---
    // Makes sure a valid console code is stored before anything else is saved.
    static bool AssurerCodeSecuriteConsolePersistant(DataModule &AConnection, QString &ACode, QString &AErreur);
    // Fills the window's fields. False with a message when nothing can be shown; true
    // with AAvertissement set when the console code could not be secured.
    static bool ChargerEcran(DataModule &AConnection, SocieteFiche &AFiche, QString &AAvertissement);
    static bool EnregistrerEcran(DataModule &AConnection, const SocieteFiche &AFiche, QString &AErreur);
    // Text of the window's information memo.
    static QString TexteInformation();
    // Message box text when EnregistrerEcran failed.
    static QString MessageEchecEnregistrement(const QString &AErreur);
};
