#include "sync/SessionRecuperation.h"

#include "sync/SyncState.h"

namespace {

template <typename Rows>
std::size_t debutQueue(const Rows &rows, const QDateTime &dateRecup)
{
    std::size_t debut = rows.size();
    while (debut > 0 && rows[debut - 1].date_recup == dateRecup)
        --debut;
    return debut;
}

} // namespace

QDateTime SessionRecuperation::nouvelleDateRecup(SyncState &AState, const QDateTime &AMaintenant)
{
    QDateTime t = AMaintenant;
    if (AState.derniereDateRecup.isValid() && t <= AState.derniereDateRecup)
        t = AState.derniereDateRecup.addMSecs(1);
    AState.derniereDateRecup = t;
    return t;
}

std::size_t SessionRecuperation::debutHistorique(const SyncState &AState, const QDateTime &ADateRecup)
{
    return debutQueue(AState.FDMemTableHistoriqueBancaire, ADateRecup);
}

std::size_t SessionRecuperation::debutRecuperations(const SyncState &AState, const QDateTime &ADateRecup)
{
    return debutQueue(AState.FDMemTableHistoriqueRecup, ADateRecup);
}

void SessionRecuperation::oublier(SyncState &AState, const QDateTime &ADateRecup)
{
    auto &historique = AState.FDMemTableHistoriqueBancaire;
    historique.erase(historique.begin() + static_cast<std::ptrdiff_t>(debutHistorique(AState, ADateRecup)),
                     historique.end());
    auto &recups = AState.FDMemTableHistoriqueRecup;
    recups.erase(recups.begin() + static_cast<std::ptrdiff_t>(debutRecuperations(AState, ADateRecup)),
                 recups.end());
}
