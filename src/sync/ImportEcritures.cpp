#include "sync/ImportEcritures.h"

#include "bridge/BridgeState.h"
#include "bridge/BridgeTransactions.h"
#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "sync/CleNormalisee.h"
#include "sync/PersistanceEcritures.h"
#include "sync/ReconciliationAccountId.h"
#include "sync/SessionRecuperation.h"
#include "sync/SyncState.h"

#include <QHash>

#include <algorithm>
#include <map>
#include <vector>

namespace {

const QString kInfo = QStringLiteral("INFO");

} // namespace

// Per-account figures over one run's rows of the history.
struct ImportEcritures::InventaireCompte
{
    QString accountId;
    QString iban;
    QString libelle;
    int nb = 0;
    QDate dateMin;
    QDate dateMax;
};

namespace {

using InventaireCompte = ImportEcritures::InventaireCompte;

// Counts per non-empty account id, in the order of the rows, IBAN and label of the
// first row seen; then sorted by IBAN, earliest date and id as the log lists them.
std::vector<InventaireCompte> inventaire(const std::vector<EcritureHistorique> &rows, std::size_t debut)
{
    std::vector<InventaireCompte> comptes;
    QHash<QString, std::size_t> index;
    std::size_t courant = 0; // consecutive rows nearly always share their account
    for (std::size_t i = debut; i < rows.size(); ++i) {
        const EcritureHistorique &r = rows[i];
        if (r.account_id.isEmpty())
            continue;
        if (courant == comptes.size() || comptes[courant].accountId != r.account_id) {
            auto it = index.constFind(r.account_id);
            if (it == index.constEnd()) {
                it = index.insert(r.account_id, comptes.size());
                comptes.push_back({r.account_id, r.iban,
                                   r.bank_name + QStringLiteral(" / ") + r.account_name, 0, {}, {}});
            }
            courant = *it;
        }
        InventaireCompte &c = comptes[courant];
        ++c.nb;
        if (r.date.isValid()) {
            if (!c.dateMin.isValid() || r.date < c.dateMin)
                c.dateMin = r.date;
            if (!c.dateMax.isValid() || r.date > c.dateMax)
                c.dateMax = r.date;
        }
    }
    const auto cleTri = [](const InventaireCompte &c) -> QString {
        return c.iban + QLatin1Char('|') + c.dateMin.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('|')
            + c.accountId;
    };
    std::stable_sort(comptes.begin(), comptes.end(),
                     [&](const InventaireCompte &a, const InventaireCompte &b) { return cleTri(a) < cleTri(b); });
    return comptes;
}

void journaliserInventaire(DataModule &dm, const QString &titre, const std::vector<InventaireCompte> &comptes)
{
    dm.LogOperation(kInfo, titre);
    for (const InventaireCompte &c : comptes) {
        dm.LogOperation(kInfo, QStringLiteral("  ") + c.iban + QStringLiteral(" [") + c.libelle
                                   + QStringLiteral("] account_id=") + c.accountId + QStringLiteral(" : ")
                                   + QString::number(c.nb) + QStringLiteral(" écritures") + QStringLiteral(" du ")
                                   + FrenchFormat::displayDate(c.dateMin) + QStringLiteral(" au ")
                                   + FrenchFormat::displayDate(c.dateMax));
    }
}

// For one IBAN, each connection supplies the days before the next, more recent one
// starts: account id -> last day it may keep. Accounts without a dated row neither
// bound nor lose anything; equal first days are ordered by account id so the
// greater (more recent) id is the one that keeps its rows.
QHash<QString, QDate> datesDeCoupure(const std::vector<InventaireCompte> &comptes)
{
    std::map<QString, std::vector<const InventaireCompte *>> parIban;
    for (const InventaireCompte &c : comptes) {
        if (c.dateMin.isValid())
            parIban[c.iban].push_back(&c);
    }
    QHash<QString, QDate> coupures;
    for (auto &[iban, groupe] : parIban) {
        if (groupe.size() < 2)
            continue;
        std::stable_sort(groupe.begin(), groupe.end(), [](const InventaireCompte *a, const InventaireCompte *b) {
            if (a->dateMin != b->dateMin)
                return a->dateMin < b->dateMin;
            return ReconciliationAccountId::OrdreNumerique(a->accountId)
                < ReconciliationAccountId::OrdreNumerique(b->accountId);
        });
        for (std::size_t i = 0; i + 1 < groupe.size(); ++i)
            coupures.insert(groupe[i]->accountId, groupe[i + 1]->dateMin.addDays(-1));
    }
    return coupures;
}

// Puts the rows from debut on in IBAN then date order (stable): the order is decided
// on indexes, then the rows are moved along the permutation's cycles, each once.
void trierParIbanEtDate(std::vector<EcritureHistorique> &rows, std::size_t debut)
{
    const std::size_t n = rows.size() - debut;
    std::vector<std::size_t> ordre(n);
    for (std::size_t i = 0; i < n; ++i)
        ordre[i] = i;
    EcritureHistorique *base = rows.data() + debut;
    std::stable_sort(ordre.begin(), ordre.end(), [base](std::size_t a, std::size_t b) {
        const int c = base[a].iban.compare(base[b].iban);
        return c != 0 ? c < 0 : base[a].date < base[b].date;
    });
    // Position i receives the row now at ordre[i].
    for (std::size_t i = 0; i < n; ++i) {
        if (ordre[i] == i)
            continue;
        EcritureHistorique attente = std::move(base[i]);
        std::size_t j = i;
        while (ordre[j] != i) {
            base[j] = std::move(base[ordre[j]]);
            const std::size_t suivant = ordre[j];
            ordre[j] = j;
            j = suivant;
        }
        base[j] = std::move(attente);
        ordre[j] = j;
    }
}

// How many rows of each functional key the history already holds.
QHash<QString, int> compterHistorique(std::vector<EcritureHistorique> &historique)
{
    QHash<QString, int> dejaVus;
    dejaVus.reserve(static_cast<qsizetype>(historique.size()));
    for (EcritureHistorique &h : historique) {
        if (h.cle.isEmpty())
            h.cle = CleNormalisee(h.iban, h.date, h.amount, h.description);
        ++dejaVus[h.cle];
    }
    return dejaVus;
}

} // namespace

// What sorting the retrieved rows into duplicates and additions found.
struct ImportEcritures::Tri
{
    std::vector<QString> ordreComptes; // account ids in the order first met
    QHash<QString, int> brutParCompte;
    int ajouts = 0;
    int doublons = 0;
};

namespace {

using Tri = ImportEcritures::Tri;

Tri trierLignes(SyncState &state, const std::vector<TransactionBridge> &brutes, const QHash<QString, int> &dejaVus,
                const QString &prefixeIban, const QDateTime &t)
{
    Tri tri;
    QHash<QString, int> traitesParCle;
    const QString *compteCourant = nullptr; // rows come account after account
    int *brutCourant = nullptr;
    for (const TransactionBridge &r : brutes) {
        if (!r.account_id.isEmpty()) {
            if (!compteCourant || *compteCourant != r.account_id) {
                auto it = tri.brutParCompte.find(r.account_id);
                if (it == tri.brutParCompte.end()) {
                    it = tri.brutParCompte.insert(r.account_id, 0);
                    tri.ordreComptes.push_back(r.account_id);
                }
                compteCourant = &r.account_id;
                brutCourant = &*it;
            }
            ++*brutCourant;
        }
        if (r.iban.isEmpty() || (!prefixeIban.isEmpty() && !r.iban.startsWith(prefixeIban)))
            continue;
        QString cle = CleNormalisee(r.iban, r.date, r.amount, r.description);
        // Only keys the history holds can be duplicates: the others need no counting.
        const auto vu = dejaVus.constFind(cle);
        if (vu != dejaVus.constEnd() && traitesParCle[cle]++ < *vu) {
            state.FDMemTableDoublons.push_back({cle, r.id, r.account_id, r.item_id, r.iban, r.description, r.date,
                                                r.amount, QStringLiteral("Déjà présent dans HistoriqueBancaire")});
            ++tri.doublons;
        } else {
            state.FDMemTableHistoriqueBancaire.push_back({r, t, std::move(cle)});
            ++tri.ajouts;
        }
    }
    return tri;
}

// Removes the run's rows dated after their account's cut-off; returns how many went.
std::size_t retirerChevauchements(std::vector<EcritureHistorique> &historique, std::size_t debut,
                                  const QHash<QString, QDate> &coupures)
{
    if (coupures.isEmpty())
        return 0;
    const std::size_t avant = historique.size();
    historique.erase(std::remove_if(historique.begin() + static_cast<std::ptrdiff_t>(debut), historique.end(),
                                    [&](const EcritureHistorique &r) {
                                        const auto it = coupures.constFind(r.account_id);
                                        return it != coupures.constEnd() && r.date.isValid() && r.date > *it;
                                    }),
                     historique.end());
    return avant - historique.size();
}

// The cleaned counts in the raw inventory's lines and order (IBAN and label as first
// seen); an account left with no row has no line.
std::vector<InventaireCompte> sousTotaux(const std::vector<InventaireCompte> &brut,
                                         const std::vector<InventaireCompte> &nettoye)
{
    QHash<QString, const InventaireCompte *> parCompte;
    for (const InventaireCompte &c : nettoye)
        parCompte.insert(c.accountId, &c);
    std::vector<InventaireCompte> lignes;
    lignes.reserve(brut.size());
    for (const InventaireCompte &b : brut) {
        if (const InventaireCompte *c = parCompte.value(b.accountId))
            lignes.push_back({b.accountId, b.iban, b.libelle, c->nb, c->dateMin, c->dateMax});
    }
    return lignes;
}

} // namespace

void ImportEcritures::Traiter_FDMemTable1(const QString &ADateMini, const QString &ADateMaxi,
                                          const QString &AIbanARechercher)
{
    SyncState &state = m_dm.sync();
    std::vector<EcritureHistorique> &historique = state.FDMemTableHistoriqueBancaire;
    const std::vector<TransactionBridge> &brutes = m_dm.bridge().FDMemTable1;

    const QDateTime t = SessionRecuperation::nouvelleDateRecup(state, m_dm.now());
    m_dm.FDateRecupSessionCourante = t;
    state.FDMemTableDoublons.clear();

    const QHash<QString, int> dejaVus = compterHistorique(historique);
    const std::size_t debut = historique.size();
    if (debut == 0)
        historique.reserve(brutes.size());
    const Tri tri = trierLignes(state, brutes, dejaVus, AIbanARechercher, t);
    ajouterRecuperations(tri, t, ADateMini, ADateMaxi);

    // The history is read in IBAN then date order from here on.
    trierParIbanEtDate(historique, debut);

    const int total = static_cast<int>(brutes.size());
    m_dm.LogOperation(kInfo, QStringLiteral("Traitement post-aggregation :"));
    m_dm.LogOperation(kInfo, QStringLiteral("  Total FDMemTable1 (lignes brutes) : ") + QString::number(total));
    m_dm.LogOperation(kInfo, QStringLiteral("  Skippées sans IBAN : ")
                                 + QString::number(total - tri.ajouts - tri.doublons));
    m_dm.LogOperation(kInfo, QStringLiteral("  Ajoutées dans HistoriqueBancaire : ") + QString::number(tri.ajouts));
    m_dm.LogOperation(kInfo, QStringLiteral("  Doublons détectés (inter-sessions) : ") + QString::number(tri.doublons));

    const std::vector<InventaireCompte> brut = inventaire(historique, debut);
    journaliserInventaire(m_dm, QStringLiteral("--- Inventaire BRUT par account_id (cette session) ---"), brut);

    const std::size_t supprimees = retirerChevauchements(historique, debut, datesDeCoupure(brut));
    m_dm.LogOperation(kInfo, QStringLiteral("Nettoyage chevauchements : ") + QString::number(supprimees)
                                 + QStringLiteral(" écritures supprimées"));

    const std::vector<InventaireCompte> lignes = sousTotaux(brut, inventaire(historique, debut));
    journaliserInventaire(m_dm, QStringLiteral("--- Sous-totaux NETTOYÉS par account_id ---"), lignes);
    corrigerRecuperations(t, lignes);

    m_dm.LogOperation(kInfo, QStringLiteral("--- Persistance en base SQLite ---"));
    PersistanceEcritures(m_dm).PersisterEcrituresEnBase();
}

// One retrieval row per account met in the run, with its raw count for now.
void ImportEcritures::ajouterRecuperations(const Tri &ATri, const QDateTime &ADateRecup, const QString &ADateMini,
                                           const QString &ADateMaxi)
{
    const BridgeTransactions bridge(m_dm);
    for (const QString &accountId : ATri.ordreComptes) {
        RecuperationCompte recup;
        recup.date_recup = ADateRecup;
        recup.account_id = accountId;
        QString banque;
        bridge.LookupCompteActif(accountId, recup.item_id, recup.iban, banque, recup.libelle_compte,
                                 recup.type_compte);
        recup.date_debut = ADateMini;
        recup.date_fin = ADateMaxi;
        recup.nb_ecritures_recup = ATri.brutParCompte.value(accountId);
        m_dm.sync().FDMemTableHistoriqueRecup.push_back(std::move(recup));
    }
}

// The run's retrieval rows get the count of rows kept after the overlap trimming.
void ImportEcritures::corrigerRecuperations(const QDateTime &ADateRecup, const std::vector<InventaireCompte> &ALignes)
{
    QHash<QString, int> gardees;
    for (const InventaireCompte &c : ALignes)
        gardees.insert(c.accountId, c.nb);
    SyncState &state = m_dm.sync();
    auto &recups = state.FDMemTableHistoriqueRecup;
    for (std::size_t i = SessionRecuperation::debutRecuperations(state, ADateRecup); i < recups.size(); ++i)
        recups[i].nb_ecritures_recup = gardees.value(recups[i].account_id, 0);
}
