#pragma once

#include <QDateTime>

#include <cstddef>

struct SyncState;

// Where one run's rows sit in the in-memory tables: a run appends its rows after
// every earlier one and stamps them with its retrieval time, so its rows are the
// tail of each table stamped with that time.
class SessionRecuperation final
{
public:
    // A retrieval time later than every earlier run of the process, so no two runs
    // share one stamp even when the clock has not moved (or moved back).
    static QDateTime nouvelleDateRecup(SyncState &AState, const QDateTime &AMaintenant);
    // Index of the first history row of the run stamped ADateRecup.
    static std::size_t debutHistorique(const SyncState &AState, const QDateTime &ADateRecup);
    static std::size_t debutRecuperations(const SyncState &AState, const QDateTime &ADateRecup);
    // Removes the run's rows from the history and the retrievals, as if it never ran.
    static void oublier(SyncState &AState, const QDateTime &ADateRecup);
};
