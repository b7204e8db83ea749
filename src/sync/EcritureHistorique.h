#pragma once

#include "bridge/TransactionBridge.h"

#include <QDateTime>
#include <QString>

// One row of the retrieval history (FDMemTableHistoriqueBancaire): the retrieved
// transaction, field for field, then the retrieval time of the run that added it.
struct EcritureHistorique : TransactionBridge
{
    QDateTime date_recup;
    // The row's functional key, computed once when the row is added so later runs
    // can count the history without normalising every description again.
    QString cle;
};
