#pragma once

#include "bridge/RecuperationResultat.h"

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class DataModule;
class JsonDocument;

// Accounts and consent items: the account listing that fills the in-memory account
// table, card pseudo-IBANs, the T_COMPTES rows, the account list file, the consent
// end dates read from Bridge's items and the consent expiry alerts.
class BridgeAccounts final
{
public:
    static constexpr int kTaillePage = 500;
    static constexpr int kJoursAlerteConsentement = 10;

    explicit BridgeAccounts(DataModule &dm);

    // Lists every account of the Bridge user (all pages). On any failure the in-memory
    // account table keeps its previous rows and nothing else happens. Database errors
    // of the T_COMPTES updates propagate as DbError.
    RecuperationResultat liste_compte(const QString &xtoken, bool AInclureObsoletes);

    // Creates or updates the T_COMPTES row of AIban (nothing for an empty IBAN).
    // Database errors propagate as DbError.
    void SyncCompteVersBase(const QString &AAccountID, const QString &AItemID, const QString &AType,
                            const QString &ANom, const QString &ABanque, const QString &AIban,
                            const QString &ASolde, const QString &ASoldeDate);

    // Writes the account list (UTF-8 with BOM, CR LF) sorted on "Banque;ID"; the table
    // stays in that order. False with a French message when the file cannot be written.
    bool ExportComptesBridgeCSV(const QString &AFileName, QString *AErreur = nullptr);
    static QString CsvQuote(const QString &S);

    // Reads the items (all pages) and records each account's consent end date.
    RecuperationResultat MajDatesFinConsentementDepuisItems(const QString &xtoken);

    // Consents expired or ending within 10 days, one report line each.
    void VerifierExpirationConsentements(QStringList &AListeAlertes);

    // Bank name of a provider id from the in-memory catalogue; empty when unknown.
    QString LookupNomBanque(const QString &AProviderId) const;
    static QString BridgeIsoToSqlDate(const QString &S);

    struct CompteRecu; // one element of "resources" as read from Bridge

private:
    RecuperationResultat lirePagesComptes(const QString &xtoken, std::vector<CompteRecu> &comptes);
    // Pseudo-IBAN of every card of the listing (empty for other accounts), see the .cpp.
    std::vector<QString> pseudoIbansCartes(const std::vector<CompteRecu> &comptes,
                                           const std::map<QString, QString> &ibanParItem);
    QString nomBanqueCompte(const CompteRecu &compte) const;

    DataModule &m_dm;
};
