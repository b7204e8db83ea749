#include "sync/Synchronisation.h"

#include "bridge/BridgeAccounts.h"
#include "bridge/BridgeState.h"
#include "bridge/BridgeTransactions.h"
#include "db/DataModule.h"
#include "db/SqlQuery.h"
#include "sync/ImportEcritures.h"
#include "sync/ReconciliationAccountId.h"
#include "sync/StatutDerniereSync.h"

#include <QSet>

#include <algorithm>

namespace {

QStringList ibansDesComptes(const std::vector<CompteBridge> &comptes)
{
    QStringList ibans;
    QSet<QString> vus;
    for (const CompteBridge &c : comptes) {
        if (!c.IBAN.isEmpty() && !vus.contains(c.IBAN)) {
            vus.insert(c.IBAN);
            ibans.append(c.IBAN);
        }
    }
    std::stable_sort(ibans.begin(), ibans.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return ibans;
}

} // namespace

void Synchronisation::log(const QString &AMessage)
{
    m_dm.LogOperation(QStringLiteral("INFO"), AMessage);
}

void Synchronisation::NotifierProgress(const QString &AEtape)
{
    m_dm.NotifierProgression(AEtape);
    m_dm.idle();
}

ResultatSynchro Synchronisation::synchroniser_tout(const QString &xtoken, int AMaxRows)
{
    ResultatSynchro resultat;
    log(QStringLiteral("=== Début synchroniser_tout ==="));
    m_dm.FTotalNouvellesEcritures = 0;
    NotifierProgress(QStringLiteral("Initialisation..."));
    const int maxRows = AMaxRows < 1 ? kMaxRowsDefaut : AMaxRows;
    resultat.plafond = maxRows;

    BridgeState &bridge = m_dm.bridge();
    bridge.FDMemTable1.clear();
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    const bool premiere = !SqlQuery::scalar(db, QStringLiteral("SELECT EXISTS (SELECT 1 FROM T_ECRITURES)")).toBool();
    if (premiere)
        log(QStringLiteral("Première synchro → obsolètes inclus automatiquement"));

    log(QStringLiteral("=== Rafraîchissement liste comptes Bridge ==="));
    NotifierProgress(QStringLiteral("Récupération de la liste des comptes Bridge..."));
    const RecuperationResultat liste = BridgeAccounts(m_dm).liste_compte(xtoken, premiere);
    if (liste.echec()) {
        resultat.listeComptesEnEchec = true;
        resultat.erreurListeComptes = liste.erreur;
    }
    log(QStringLiteral("=== Début synchronisation ==="));

    const QStringList ibans = ibansDesComptes(bridge.FDMemTableaccount);
    for (qsizetype i = 0; i < ibans.size(); ++i) {
        NotifierProgress(QStringLiteral("Synchronisation IBAN ") + ibans[i] + QStringLiteral(" (")
                         + QString::number(i + 1) + QLatin1Char('/') + QString::number(ibans.size())
                         + QStringLiteral(")..."));
        recupererIban(xtoken, ibans[i], maxRows, resultat);
    }

    log(QStringLiteral("=== Post-traitement (chevauchement + persistance) ==="));
    log(QStringLiteral("Total FDMemTable1 cumulé : ") + QString::number(bridge.FDMemTable1.size()));
    ecarterIbansNonLus(resultat);

    m_dm.mode_persistance = QStringLiteral("INCREMENTAL");
    NotifierProgress(QStringLiteral("Nettoyage des account_id redondants..."));
    ReconciliationAccountId reconciliation(m_dm);
    reconciliation.NettoyerFDMemTable1AccountIdRedondants();
    log(QStringLiteral("Total FDMemTable1 après nettoyage : ") + QString::number(bridge.FDMemTable1.size()));

    NotifierProgress(QStringLiteral("Persistance des écritures en base..."));
    ImportEcritures(m_dm).Traiter_FDMemTable1({}, {}, {});

    NotifierProgress(QStringLiteral("Controle des account_id en doublon..."));
    reconciliation.DetecterEtDesactiverAccountIdInferieurs();

    NotifierProgress(QStringLiteral("Finalisation..."));
    StatutDerniereSync statut(m_dm);
    if (m_dm.FTotalNouvellesEcritures > 0) {
        m_dm.FDateDerniereSync = m_dm.now();
        statut.PersisterStatutDerniereSync(m_dm.FTotalNouvellesEcritures, m_dm.FDateDerniereSync);
    } else {
        int nb = 0;
        statut.ChargerStatutDerniereSync(nb, m_dm.FDateDerniereSync);
        log(QStringLiteral("0 nouvelle ecriture : statut derniere synchro active conserve"));
    }
    resultat.nouvellesEcritures = m_dm.FTotalNouvellesEcritures;

    log(QString());
    log(QStringLiteral("=== Synchronisation terminée ==="));
    if (!resultat.complet())
        m_dm.LogOperation(QStringLiteral("INFO"), resultat.detail(),
                          resultat.succes() ? QStringLiteral("ALERTE") : QStringLiteral("ECHEC"));
    return resultat;
}

void Synchronisation::recupererIban(const QString &xtoken, const QString &AIban, int AMaxRows,
                                    ResultatSynchro &AResultat)
{
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    SqlQuery maxUpd(db, QStringLiteral("SELECT MAX(updated_at) AS upd FROM T_ECRITURES WHERE iban = :iban"));
    maxUpd.bind(QStringLiteral(":iban"), AIban).exec();
    const QString since = maxUpd.next() ? maxUpd.text(0) : QString();

    log(QString());
    if (!since.isEmpty())
        log(QStringLiteral("--- IBAN ") + AIban + QStringLiteral(" : INCREMENTAL since=") + since + QStringLiteral(" ---"));
    else
        log(QStringLiteral("--- IBAN ") + AIban + QStringLiteral(" : BOOTSTRAP (jamais synchronisé) ---"));

    ReconciliationAccountId reconciliation(m_dm);
    BridgeTransactions transactions(m_dm);
    SqlQuery dejaImporte(db, QStringLiteral("SELECT EXISTS (SELECT 1 FROM T_ECRITURES WHERE account_id = :acc)"));
    // Copied: the retrieval may reload the account list when it finds it empty.
    const std::vector<CompteBridge> comptes = m_dm.bridge().FDMemTableaccount;
    for (const CompteBridge &compte : comptes) {
        if (compte.IBAN != AIban)
            continue;
        const QString &id = compte.ID;
        if (reconciliation.EstAccountIdDesactive(id)) {
            log(QStringLiteral("  FILTRE account_id=") + id
                + QStringLiteral(" (desactive - doublon de canal, cf. T_ACCOUNTS_DESACTIVES)"));
            continue;
        }
        if (id.isEmpty())
            continue;
        dejaImporte.bind(QStringLiteral(":acc"), id).exec();
        const bool connu = dejaImporte.next() && dejaImporte.value(0).toBool();
        RecuperationResultat lu;
        if (connu) {
            log(QStringLiteral("  Incrémental account_id=") + id + QStringLiteral(" since=") + since);
            lu = transactions.aggregation_paginated_with_since(xtoken, id, since, AMaxRows);
        } else if (since.isEmpty()) {
            log(QStringLiteral("  Bootstrap account_id=") + id);
            lu = transactions.aggregation_paginated_bootstrap(xtoken, id, AMaxRows);
        } else if (reconciliation.ExisteAccountIdPlusRecentEnBase(id, AIban)) {
            log(QStringLiteral("  IGNORE account_id=") + id
                + QStringLiteral(" (ancien account_id redondant : une connexion plus récente est déjà importée pour IBAN ")
                + AIban + QStringLiteral(")"));
            continue;
        } else {
            log(QStringLiteral("  Bootstrap account_id=") + id
                + QStringLiteral(" (nouvelle connexion plus récente sur IBAN existant)"));
            lu = transactions.aggregation_paginated_bootstrap(xtoken, id, AMaxRows);
        }
        if (lu.echec())
            AResultat.comptesEnEchec.append({AIban, id, lu.erreur});
        else if (lu.statut == RecuperationResultat::Statut::PlafondAtteint)
            AResultat.comptesIncomplets.append({AIban, id, lu.erreur});
        m_dm.idle();
    }
}

// An IBAN whose walk failed stores none of this run's rows: its incremental point
// stays where it was, so the next run asks again for the pages never read.
void Synchronisation::ecarterIbansNonLus(const ResultatSynchro &AResultat)
{
    if (AResultat.comptesEnEchec.isEmpty())
        return;
    QSet<QString> ibans;
    for (const ResultatSynchro::CompteNonLu &c : AResultat.comptesEnEchec)
        ibans.insert(c.iban);
    std::vector<TransactionBridge> &lignes = m_dm.bridge().FDMemTable1;
    for (const ResultatSynchro::CompteNonLu &c : AResultat.comptesEnEchec) {
        if (!ibans.remove(c.iban))
            continue; // already handled with an earlier account of the same IBAN
        const auto avant = lignes.size();
        std::erase_if(lignes, [&](const TransactionBridge &t) { return t.iban == c.iban; });
        log(QStringLiteral("IBAN ") + c.iban + QStringLiteral(" : lecture Bridge en echec (account_id=") + c.accountId
            + QStringLiteral(" : ") + c.erreur + QStringLiteral("), ") + QString::number(avant - lignes.size())
            + QStringLiteral(" ecriture(s) non enregistree(s), relues a la prochaine synchronisation"));
    }
}
