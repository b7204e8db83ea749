#pragma once

#include <QString>

class DataModule;

// Keeps one Bridge account id per IBAN when a bank was connected again and Bridge
// created a new id that delivers the same transactions: skipped when deactivated,
// dropped from the run when its period lies inside the kept id's, and in the
// database deactivated with its duplicated rows purged.
class ReconciliationAccountId final
{
public:
    explicit ReconciliationAccountId(DataModule &ADm) : m_dm(ADm) {}

    // An account id as a 64-bit integer read from its trimmed text; -1 when it is not a number.
    static qint64 OrdreNumerique(const QString &AAccountId);

    bool EstAccountIdDesactive(const QString &AAccountId);
    // Whether T_ECRITURES already holds a greater other account id for the IBAN.
    bool ExisteAccountIdPlusRecentEnBase(const QString &AAccountId, const QString &AIban);
    // Drops from FDMemTable1 the account ids whose period lies inside the kept one's.
    void NettoyerFDMemTable1AccountIdRedondants();
    // Deactivates every active account id of an IBAN but the greatest and purges its
    // duplicated rows; returns how many ids were deactivated.
    int DetecterEtDesactiverAccountIdInferieurs();
    // Deletes the old id's rows that the kept id also has (same day, same amount,
    // one for one); an exported row hands its export stamp to its counterpart first.
    int PurgerEcrituresAccountIdDesactive(const QString &AIban, const QString &AOldAccountId,
                                          const QString &AGardeAccountId);
    void EnsureTableAccountsDesactives();

private:
    DataModule &m_dm;
};
