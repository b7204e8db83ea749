#pragma once

#include "bridge/RecuperationResultat.h"

#include <QString>

class DataModule;

// Transaction retrieval: walks Bridge's pages for one account and appends every
// transaction that is not deleted to the in-memory transaction table, completed with
// the account columns of the account listing.
class BridgeTransactions final
{
public:
    static constexpr int kMaxRowsDefaut = 2000; // used when AMaxRows is below 1
    static constexpr int kTaillePage = 500;

    explicit BridgeTransactions(DataModule &dm);

    // Every transaction of account xcpte.
    RecuperationResultat aggregation_paginated_bootstrap(const QString &xtoken, const QString &xcpte,
                                                         int AMaxRows);
    // The transactions of account xcpte changed since xsince (no "since" when it is empty).
    RecuperationResultat aggregation_paginated_with_since(const QString &xtoken, const QString &xcpte,
                                                          const QString &xsince, int AMaxRows);

    // The first listed account whose ID is AAccountID (exact text); false with empty
    // outputs when AAccountID is empty or not listed.
    bool LookupCompteActif(const QString &AAccountID, QString &AItemID, QString &AIban, QString &ABanque,
                           QString &ALibelleCompte, QString &ATypeCompte) const;

private:
    RecuperationResultat recuperer(const QString &xtoken, const QString &xcpte, const QString *xsince,
                                   int AMaxRows);

    DataModule &m_dm;
};
