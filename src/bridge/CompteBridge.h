#pragma once

#include <QString>

#include <optional>

// One retained Bridge account of the last listing (FDMemTableaccount), fields in
// the documented order. Texts are kept whole: nothing is cut to a field width.
struct CompteBridge
{
    QString ID;                              // Bridge account id
    QString ItemID;                          // Bridge item (bank connection) id
    QString Obsolete;                        // "NON" when the last refresh succeeded, else "OUI"
    QString TypeCompte;                      // account type as received ("checking", "card"...)
    QString Nom;                             // account name
    QString Banque;                          // resolved bank name (" / CARTE" appended for a card)
    QString IBAN;                            // IBAN, or the card pseudo-IBAN
    std::optional<double> Solde;             // balance, empty when Bridge sends none
    QString Devise;                          // currency code
    QString Status;                          // last refresh status as received
    std::optional<double> InstantBalance;
    std::optional<double> AccountingBalance;
    QString UpdatedAt;                       // the account's "updated_at"
    QString ProviderID;                      // Bridge provider (bank) id
    QString DataAccess;                      // "data_access"
    bool Pro = false;
    bool Paused = false;
    QString IBAN_brut;                       // IBAN exactly as received (empty for most cards)
};
