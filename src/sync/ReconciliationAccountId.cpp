#include "sync/ReconciliationAccountId.h"

#include "bridge/BridgeState.h"
#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "db/SqlQuery.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace {

const QString kInfo = QStringLiteral("INFO");
const QString kWarn = QStringLiteral("WARN");

struct PeriodeCompte
{
    QString accountId;
    QString iban;
    QDate debut;
    QDate fin;
};

// The export stamp of one stored row.
struct TamponExport
{
    qint64 rowid = 0;
    QVariant date;
    QVariant heure;
    QVariant user;
    QVariant format;
    qint64 nbExports = 0;

    bool exportee() const
    {
        return !date.toString().trimmed().isEmpty() || !heure.toString().trimmed().isEmpty()
            || !user.toString().trimmed().isEmpty();
    }
};

std::vector<TamponExport> lireTampons(SqlQuery &query)
{
    std::vector<TamponExport> out;
    query.exec();
    while (query.next()) {
        out.push_back({query.value(0).toLongLong(), query.value(1), query.value(2), query.value(3), query.value(4),
                       query.value(5).toLongLong()});
    }
    return out;
}

QString periode(const PeriodeCompte &p)
{
    return FrenchFormat::displayDate(p.debut) + QStringLiteral(" → ") + FrenchFormat::displayDate(p.fin);
}

} // namespace

qint64 ReconciliationAccountId::OrdreNumerique(const QString &AAccountId)
{
    bool ok = false;
    const qint64 v = AAccountId.trimmed().toLongLong(&ok);
    return ok ? v : -1;
}

void ReconciliationAccountId::EnsureTableAccountsDesactives()
{
    SqlQuery::run(m_dm.UnConnection_dossier(),
                  QStringLiteral("CREATE TABLE IF NOT EXISTS T_ACCOUNTS_DESACTIVES (account_id TEXT(80) PRIMARY KEY, "
                                 "iban TEXT(80), item_id TEXT(80), garde_account_id TEXT(80), "
                                 "date_desactivation TEXT(40), motif TEXT(255), nb_ecritures_purgees INTEGER DEFAULT 0)"));
}

bool ReconciliationAccountId::EstAccountIdDesactive(const QString &AAccountId)
{
    const QString id = AAccountId.trimmed();
    if (id.isEmpty())
        return false;
    EnsureTableAccountsDesactives();
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT 1 FROM T_ACCOUNTS_DESACTIVES WHERE account_id = :acc"));
    query.bind(QStringLiteral(":acc"), id).exec();
    return query.next();
}

bool ReconciliationAccountId::ExisteAccountIdPlusRecentEnBase(const QString &AAccountId, const QString &AIban)
{
    if (AAccountId.isEmpty() || AIban.isEmpty())
        return false;
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT DISTINCT account_id FROM T_ECRITURES WHERE iban = :iban "
                                  "AND account_id IS NOT NULL AND account_id <> :acc"));
    query.bind(QStringLiteral(":iban"), AIban).bind(QStringLiteral(":acc"), AAccountId).exec();
    const qint64 moi = OrdreNumerique(AAccountId);
    const QString moiTexte = AAccountId.trimmed();
    while (query.next()) {
        const QString autre = query.text(0).trimmed();
        if (autre.isEmpty())
            continue;
        if (moi < 0) {
            if (autre > moiTexte)
                return true;
        } else {
            const qint64 v = OrdreNumerique(autre);
            if (v >= 0 && v > moi)
                return true;
        }
    }
    return false;
}

void ReconciliationAccountId::NettoyerFDMemTable1AccountIdRedondants()
{
    std::vector<TransactionBridge> &lignes = m_dm.bridge().FDMemTable1;
    if (lignes.empty())
        return;
    m_dm.LogOperation(kInfo, QStringLiteral("=== Nettoyage account_id redondants dans FDMemTable1 ==="));

    std::vector<PeriodeCompte> periodes;
    QHash<QString, std::size_t> index;
    for (const TransactionBridge &r : lignes) {
        if (r.account_id.isEmpty() || !r.date.isValid())
            continue;
        auto it = index.find(r.account_id);
        if (it == index.end()) {
            it = index.insert(r.account_id, periodes.size());
            periodes.push_back({r.account_id, r.iban, r.date, r.date});
        }
        PeriodeCompte &p = periodes[*it];
        p.debut = std::min(p.debut, r.date);
        p.fin = std::max(p.fin, r.date);
    }

    std::vector<QString> ibans;
    QHash<QString, std::vector<const PeriodeCompte *>> parIban;
    for (const PeriodeCompte &p : periodes) {
        if (p.iban.isEmpty())
            continue;
        auto &groupe = parIban[p.iban];
        if (groupe.empty())
            ibans.push_back(p.iban);
        groupe.push_back(&p);
    }

    QSet<QString> aSupprimer;
    for (const QString &iban : ibans) {
        const auto &groupe = parIban[iban];
        if (groupe.size() < 2)
            continue;
        m_dm.LogOperation(kInfo, QStringLiteral("  IBAN ") + iban + QStringLiteral(" : ")
                                     + QString::number(groupe.size()) + QStringLiteral(" account_id détectés"));
        for (const PeriodeCompte *p : groupe)
            m_dm.LogOperation(kInfo, QStringLiteral("    account_id=") + p->accountId + QStringLiteral(" période ")
                                         + periode(*p));
        const PeriodeCompte *garde = groupe.front();
        for (const PeriodeCompte *p : groupe) {
            if (p->fin > garde->fin
                || (p->fin == garde->fin && OrdreNumerique(p->accountId) > OrdreNumerique(garde->accountId)))
                garde = p;
        }
        m_dm.LogOperation(kInfo, QStringLiteral("    → GARDE account_id=") + garde->accountId + QStringLiteral(" (")
                                     + periode(*garde) + QStringLiteral(")"));
        for (const PeriodeCompte *p : groupe) {
            if (p == garde)
                continue;
            if (p->debut < garde->debut || p->fin > garde->fin) {
                m_dm.LogOperation(kInfo, QStringLiteral("    → CONSERVE account_id=") + p->accountId
                                             + QStringLiteral(" (période complémentaire, non incluse)"));
            } else {
                m_dm.LogOperation(kInfo, QStringLiteral("    → SUPPRIME account_id=") + p->accountId
                                             + QStringLiteral(" (entièrement inclus dans ") + garde->accountId
                                             + QStringLiteral(")"));
                aSupprimer.insert(p->accountId);
            }
        }
    }

    if (aSupprimer.isEmpty()) {
        m_dm.LogOperation(kInfo, QStringLiteral("  Aucun account_id à supprimer"));
        return;
    }
    const std::size_t avant = lignes.size();
    lignes.erase(std::remove_if(lignes.begin(), lignes.end(),
                                [&](const TransactionBridge &r) { return aSupprimer.contains(r.account_id); }),
                 lignes.end());
    m_dm.LogOperation(kInfo, QStringLiteral("  Total : ") + QString::number(avant - lignes.size())
                                 + QStringLiteral(" écritures supprimées de FDMemTable1 (")
                                 + QString::number(aSupprimer.size()) + QStringLiteral(" account_id éliminés)"));
}

int ReconciliationAccountId::DetecterEtDesactiverAccountIdInferieurs()
{
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    EnsureTableAccountsDesactives();
    QStringList ibans;
    {
        SqlQuery query(db, QStringLiteral(
            "SELECT iban FROM T_ECRITURES WHERE account_id IS NOT NULL AND account_id <> '' "
            "  AND account_id NOT IN (SELECT account_id FROM T_ACCOUNTS_DESACTIVES) "
            "GROUP BY iban HAVING COUNT(DISTINCT account_id) > 1"));
        query.exec();
        while (query.next())
            ibans.append(query.text(0).trimmed());
    }

    int desactives = 0;
    for (const QString &iban : ibans) {
        QStringList actifs;
        {
            SqlQuery query(db, QStringLiteral(
                "SELECT DISTINCT account_id FROM T_ECRITURES WHERE iban = :iban AND account_id IS NOT NULL "
                "AND account_id <> '' AND account_id NOT IN (SELECT account_id FROM T_ACCOUNTS_DESACTIVES)"));
            query.bind(QStringLiteral(":iban"), iban).exec();
            while (query.next())
                actifs.append(query.text(0));
        }
        if (actifs.isEmpty())
            continue;
        QString garde = actifs.front();
        for (const QString &id : actifs) {
            if (OrdreNumerique(id) > OrdreNumerique(garde))
                garde = id;
        }
        const QString gardeTexte = garde.trimmed();
        for (const QString &brut : actifs) {
            const QString id = brut.trimmed();
            if (brut == garde || id.isEmpty())
                continue;
            SqlQuery item(db, QStringLiteral("SELECT item_id FROM T_ECRITURES WHERE account_id = :acc LIMIT 1"));
            item.bind(QStringLiteral(":acc"), brut).exec();
            const QString itemId = item.next() ? item.text(0) : QString();

            const int n = PurgerEcrituresAccountIdDesactive(iban, brut, garde);
            SqlQuery insert(db, QStringLiteral(
                "INSERT OR IGNORE INTO T_ACCOUNTS_DESACTIVES (account_id, iban, item_id, garde_account_id, "
                "date_desactivation, motif, nb_ecritures_purgees) VALUES (:acc, :iban, :item, :garde, :dt, "
                ":motif, :n)"));
            insert.bind(QStringLiteral(":acc"), id)
                .bind(QStringLiteral(":iban"), iban)
                .bind(QStringLiteral(":item"), itemId)
                .bind(QStringLiteral(":garde"), gardeTexte)
                .bind(QStringLiteral(":dt"), m_dm.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                .bind(QStringLiteral(":motif"), QString(QStringLiteral("Doublon de canal : account_id inferieur a ")
                                                            + gardeTexte + QStringLiteral(" sur le meme IBAN")))
                .bind(QStringLiteral(":n"), n)
                .exec();
            ++desactives;
            m_dm.LogOperation(kWarn, QStringLiteral("DESACTIVATION account_id=") + id + QStringLiteral(" (IBAN ") + iban
                                         + QStringLiteral(", item ") + itemId + QStringLiteral(") -> garde=")
                                         + gardeTexte + QStringLiteral(", ") + QString::number(n)
                                         + QStringLiteral(" ecriture(s) en doublon purgee(s)"));
        }
    }

    if (desactives > 0)
        m_dm.LogOperation(kWarn, QStringLiteral("Controle doublons account_id : ") + QString::number(desactives)
                                     + QStringLiteral(" account_id desactive(s) - detail dans T_ACCOUNTS_DESACTIVES"));
    else
        m_dm.LogOperation(kInfo, QStringLiteral("Controle doublons account_id : RAS (aucun IBAN multi-account actif)"));
    return desactives;
}

int ReconciliationAccountId::PurgerEcrituresAccountIdDesactive(const QString &AIban, const QString &AOldAccountId,
                                                               const QString &AGardeAccountId)
{
    if (AIban.isEmpty() || AOldAccountId.isEmpty() || AGardeAccountId.isEmpty())
        return 0;
    const QSqlDatabase &db = m_dm.UnConnection_dossier();

    struct Groupe
    {
        QVariant date;
        QVariant amount;
        qint64 nombre;
    };
    std::vector<Groupe> groupes;
    {
        SqlQuery query(db, QStringLiteral(
            "SELECT o.date_ecriture, o.amount, MIN(o.n, k.n) FROM "
            "(SELECT date_ecriture, amount, COUNT(*) AS n FROM T_ECRITURES WHERE iban = :iban AND account_id = :oldacc "
            " GROUP BY date_ecriture, amount) o "
            "JOIN (SELECT date_ecriture, amount, COUNT(*) AS n FROM T_ECRITURES WHERE iban = :iban2 "
            " AND account_id = :garde GROUP BY date_ecriture, amount) k "
            "ON k.date_ecriture = o.date_ecriture AND k.amount = o.amount"));
        query.bind(QStringLiteral(":iban"), AIban)
            .bind(QStringLiteral(":oldacc"), AOldAccountId)
            .bind(QStringLiteral(":iban2"), AIban)
            .bind(QStringLiteral(":garde"), AGardeAccountId)
            .exec();
        while (query.next())
            groupes.push_back({query.value(0), query.value(1), query.value(2).toLongLong()});
    }
    if (groupes.empty())
        return 0;

    const QString colonnes = QStringLiteral("SELECT rowid, date_export, heure_export, user_export, "
                                            "format_dernier_export, COALESCE(nb_exports, 0) FROM T_ECRITURES ");
    const QString groupe = QStringLiteral("WHERE iban = :iban AND account_id = :acc AND date_ecriture = :dt "
                                          "AND amount = :amt ORDER BY id_bridge");
    SqlQuery anciennes(db, colonnes + groupe + QStringLiteral(" LIMIT :n"));
    SqlQuery gardees(db, colonnes + groupe);
    SqlQuery reporter(db, QStringLiteral(
        "UPDATE T_ECRITURES SET date_export = :de, heure_export = :he, user_export = :ue, "
        "format_dernier_export = :fmt, nb_exports = :nb WHERE rowid = :rid"));
    SqlQuery supprimer(db, QStringLiteral(
        "DELETE FROM T_ECRITURES WHERE rowid IN (  SELECT rowid FROM T_ECRITURES   WHERE iban = :iban "
        "AND account_id = :oldacc     AND date_ecriture = :dt AND amount = :amt   ORDER BY id_bridge LIMIT :n)"));

    int total = 0;
    for (const Groupe &g : groupes) {
        anciennes.bind(QStringLiteral(":iban"), AIban)
            .bind(QStringLiteral(":acc"), AOldAccountId)
            .bind(QStringLiteral(":dt"), g.date)
            .bind(QStringLiteral(":amt"), g.amount)
            .bind(QStringLiteral(":n"), g.nombre);
        std::vector<TamponExport> parties = lireTampons(anciennes);
        std::erase_if(parties, [](const TamponExport &e) { return !e.exportee(); });
        if (!parties.empty()) {
            gardees.bind(QStringLiteral(":iban"), AIban)
                .bind(QStringLiteral(":acc"), AGardeAccountId)
                .bind(QStringLiteral(":dt"), g.date)
                .bind(QStringLiteral(":amt"), g.amount);
            std::vector<TamponExport> restantes = lireTampons(gardees);
            // Never-exported counterparts first, so every exported line still counts as exported.
            std::stable_partition(restantes.begin(), restantes.end(),
                                  [](const TamponExport &e) { return !e.exportee(); });
            for (std::size_t i = 0; i < parties.size() && i < restantes.size(); ++i) {
                const TamponExport &ancienne = parties[i];
                const TamponExport &gardee = restantes[i];
                const bool vierge = !gardee.exportee();
                const bool sansFormat = gardee.format.toString().trimmed().isEmpty();
                reporter.bind(QStringLiteral(":de"), vierge ? ancienne.date : gardee.date)
                    .bind(QStringLiteral(":he"), vierge ? ancienne.heure : gardee.heure)
                    .bind(QStringLiteral(":ue"), vierge ? ancienne.user : gardee.user)
                    .bind(QStringLiteral(":fmt"), sansFormat ? ancienne.format : gardee.format)
                    .bind(QStringLiteral(":nb"), std::max(ancienne.nbExports, gardee.nbExports))
                    .bind(QStringLiteral(":rid"), gardee.rowid)
                    .exec();
            }
        }
        supprimer.bind(QStringLiteral(":iban"), AIban)
            .bind(QStringLiteral(":oldacc"), AOldAccountId)
            .bind(QStringLiteral(":dt"), g.date)
            .bind(QStringLiteral(":amt"), g.amount)
            .bind(QStringLiteral(":n"), g.nombre)
            .exec();
        total += supprimer.numRowsAffected();
    }
    return total;
}
