#pragma once

#include "bridge/BridgeReglages.h"
#include "bridge/CompteBridge.h"
#include "bridge/ProviderBridge.h"
#include "bridge/TransactionBridge.h"
#include "bridge/UtilisateurBridge.h"

#include <QString>

#include <vector>

// In-memory state of the Bridge client owned by the data module: catalogue of banks,
// accounts of the last listing, transactions of the current run, Bridge users.
// The tables are plain vectors kept in table order; they are always "open".
struct BridgeState
{
    // FDMemTableaccount: accounts of the last successful listing. After a listing the
    // rows are in "Banque;ID" order (the order the account list file is written in).
    std::vector<CompteBridge> FDMemTableaccount;

    // FDMemTable1: transactions of the current run, appended account after account;
    // emptied only at the start of a synchronisation run.
    std::vector<TransactionBridge> FDMemTable1;

    // The bank catalogue shown by the main window and read by the account listing.
    std::vector<ProviderBridge> providers;

    // FDMemTableusers: first page of the application's Bridge users.
    std::vector<UtilisateurBridge> FDMemTableusers;

    BridgeReglages reglages;

    // Last token Bridge refused with 401: never adopted again from a caller that still
    // holds it, the token obtained in its place is used instead.
    QString jetonRefuse;
};
