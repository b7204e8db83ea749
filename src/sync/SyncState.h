#pragma once

#include "sync/DoublonFonctionnel.h"
#include "sync/EcritureHistorique.h"
#include "sync/RecuperationCompte.h"

#include <QDateTime>

#include <vector>

// In-memory state of the synchronisation engine owned by the data module: retrieval
// history, duplicates and per-account retrievals, kept for the life of the process.
// The tables are plain vectors; a run's rows are those stamped with its retrieval
// time, and they are always the last rows of the history and of the retrievals.
struct SyncState
{
    // FDMemTableHistoriqueBancaire: every row added by the runs of this process.
    std::vector<EcritureHistorique> FDMemTableHistoriqueBancaire;
    // FDMemTableDoublons: the functional duplicates of the last run.
    std::vector<DoublonFonctionnel> FDMemTableDoublons;
    // FDMemTableHistoriqueRecup: one row per account and run, accumulated.
    std::vector<RecuperationCompte> FDMemTableHistoriqueRecup;

    // Retrieval time of the latest run of the process, so the next one gets a later one.
    QDateTime derniereDateRecup;
};
