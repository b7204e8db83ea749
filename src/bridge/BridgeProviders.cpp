#include "bridge/BridgeProviders.h"

#include "bridge/BridgeState.h"
#include "bridge/BridgeTransport.h"
#include "bridge/JsonDocument.h"
#include "bridge/PageLoopGuard.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/DbTransaction.h"
#include "db/SqlQuery.h"

#include <algorithm>

namespace {

const QString kOp = QStringLiteral("PROVIDERS");
const QString kSource = QStringLiteral("DataModule");
const QString kOk = QStringLiteral("OK");
const QString kEchec = QStringLiteral("ECHEC");

} // namespace

BridgeProviders::BridgeProviders(DataModule &dm) : m_dm(dm) {}

void BridgeProviders::CreerTableProvidersSiInexistante()
{
    try {
        creerTable();
    } catch (const DbError &e) {
        m_dm.LogOperation(kOp, QStringLiteral("Creation de T_PROVIDERS impossible : ") + e.message(), kEchec, kSource);
    }
}

void BridgeProviders::creerTable()
{
    if (!m_dm.dossier_TableExists(QStringLiteral("T_PROVIDERS")))
        m_dm.dossier_execsql(QStringLiteral("CREATE TABLE T_PROVIDERS (  id INTEGER PRIMARY KEY,  name TEXT(150),  "
                                            "country_code TEXT(5),  date_maj TEXT(30))"));
}

bool BridgeProviders::TryStrToDateTimeISO(const QString &text, QDateTime &value)
{
    const QString t = text.trimmed();
    value = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!value.isValid()) {
        const QDate day = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
        value = day.isValid() ? QDateTime(day, QTime(0, 0)) : QDateTime();
    }
    return value.isValid();
}

int BridgeProviders::ChargerTousLesProviders(bool *complet)
{
    if (complet)
        *complet = false;
    std::vector<ProviderBridge> &catalogue = m_dm.bridge().providers;
    catalogue.clear();

    BridgeTransport transport(m_dm);
    auto client = transport.nouveauClient();
    if (!transport.connecter(*client)) {
        m_dm.LogOperation(kOp, QStringLiteral("Connexion Bridge echouee : ") + client->lastErrorText(), kEchec, kSource);
        return 0;
    }
    HttpRequest request = transport.requeteApplication();
    request.path = QStringLiteral("/v3/providers?limit=500");
    PageLoopGuard guard(m_dm, kOp, kSource);
    int pages = 0;
    int count = 0;
    for (;;) {
        guard.noter(client->urlFor(request));
        const HttpResult reponse = transport.envoyer(*client, request, kOp, kSource);
        if (reponse.issue == HttpResult::Issue::ConnexionEchouee && pages == 0) {
            m_dm.LogOperation(kOp, QStringLiteral("Connexion Bridge echouee : ") + reponse.errorText, kEchec, kSource);
            catalogue.clear();
            return 0;
        }
        if (!reponse.responded()) {
            m_dm.LogOperation(kOp, QStringLiteral("Requete providers echouee : ") + reponse.errorText, kEchec, kSource);
            break;
        }
        if (reponse.status >= 400) {
            m_dm.LogOperation(kOp,
                              QStringLiteral("HTTP ") + QString::number(reponse.status)
                                  + QStringLiteral(" sur /v3/providers (page ") + QString::number(pages + 1)
                                  + QLatin1Char(')'),
                              kEchec, kSource);
            break;
        }
        JsonDocument doc;
        if (!doc.load(reponse.body)) {
            transport.journaliserIllisible(*client, request, doc.lastError(), reponse.body, kOp, kSource);
            break;
        }
        ++pages;
        const int n = doc.sizeOfArray(QStringLiteral("resources"));
        for (int i = 0; i < n; ++i) {
            doc.putI(i);
            const QString id = doc.stringOf(QStringLiteral("resources[i].id"));
            if (id.isEmpty())
                continue;
            ProviderBridge row;
            row.ID = id.toInt();
            row.name = doc.stringOf(QStringLiteral("resources[i].name")).left(kLongueurNom);
            row.country_code = doc.stringOf(QStringLiteral("resources[i].country_code"));
            catalogue.push_back(std::move(row));
            ++count;
        }
        request.path = BridgeTransport::BridgePathFromNextUri(doc.stringOf(QStringLiteral("pagination.next_uri")));
        if (request.path.isEmpty()) {
            if (complet)
                *complet = true;
            break;
        }
        if (pages >= kPagesMax)
            break;
        if (guard.dejaDemande(client->urlFor(request))) {
            guard.signalerBoucle(request.path);
            break;
        }
    }
    m_dm.LogOperation(kOp,
                      QStringLiteral("Providers charges : ") + QString::number(count) + QStringLiteral(" en ")
                          + QString::number(pages) + QStringLiteral(" page(s)"),
                      kOk, kSource);
    return count;
}

double BridgeProviders::AgeCacheProvidersJours()
{
    try {
        creerTable();
        SqlQuery query(m_dm.UnConnection_dossier(),
                       QStringLiteral("SELECT MAX(date_maj) AS d, COUNT(*) AS n FROM T_PROVIDERS"));
        query.exec();
        if (!query.next() || query.value(1).toLongLong() <= 0)
            return -1;
        QDateTime stamp;
        const QString d = query.text(0);
        if (d.isEmpty() || !TryStrToDateTimeISO(d, stamp))
            return -1;
        return static_cast<double>(stamp.msecsTo(m_dm.now())) / 86400000.0;
    } catch (const DbError &) {
        return -1;
    }
}

int BridgeProviders::ChargerProvidersDepuisCache()
{
    std::vector<ProviderBridge> &catalogue = m_dm.bridge().providers;
    try {
        creerTable();
        catalogue.clear();
        SqlQuery query(m_dm.UnConnection_dossier(),
                       QStringLiteral("SELECT id, name, country_code FROM T_PROVIDERS ORDER BY id"));
        query.exec();
        while (query.next()) {
            ProviderBridge row;
            row.ID = query.value(0).toInt();
            row.name = query.text(1).left(kLongueurNom);
            row.country_code = query.text(2);
            catalogue.push_back(std::move(row));
        }
    } catch (const DbError &e) {
        m_dm.LogOperation(kOp, QStringLiteral("Lecture du cache banques impossible : ") + e.message(), kEchec, kSource);
    }
    const int count = static_cast<int>(catalogue.size());
    m_dm.LogOperation(kOp, QStringLiteral("Providers charges depuis le cache : ") + QString::number(count), kOk,
                      kSource);
    return count;
}

int BridgeProviders::EnregistrerProvidersDansCache()
{
    return std::max(0, enregistrer(false));
}

// A rebuild empties the table inside the same transaction, so a failed save leaves
// the previous cache in place. -1 when the save failed.
int BridgeProviders::enregistrer(bool viderAvant)
{
    const std::vector<ProviderBridge> &catalogue = m_dm.bridge().providers;
    try {
        creerTable();
        const QString stamp = m_dm.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QSqlDatabase &db = m_dm.UnConnection_dossier();
        DbTransaction transaction(db);
        if (viderAvant)
            SqlQuery::run(db, QStringLiteral("DELETE FROM T_PROVIDERS"));
        const QString countSql = QStringLiteral("SELECT COUNT(*) AS n FROM T_PROVIDERS");
        const qint64 before = SqlQuery::scalar(db, countSql).toLongLong();
        SqlQuery insert(db, QStringLiteral("INSERT OR IGNORE INTO T_PROVIDERS (id, name, country_code, date_maj) "
                                           "VALUES (:id, :nm, :cc, :dm)"));
        for (const ProviderBridge &p : catalogue) {
            insert.bind(QStringLiteral(":id"), p.ID)
                .bind(QStringLiteral(":nm"), p.name)
                .bind(QStringLiteral(":cc"), p.country_code)
                .bind(QStringLiteral(":dm"), stamp)
                .exec();
        }
        const qint64 after = SqlQuery::scalar(db, countSql).toLongLong();
        SqlQuery(db, QStringLiteral("UPDATE T_PROVIDERS SET date_maj = :dm")).bind(QStringLiteral(":dm"), stamp).exec();
        transaction.commit();
        const int added = static_cast<int>(after - before);
        m_dm.LogOperation(kOp,
                          QStringLiteral("Cache banques verifie : ") + QString::number(added)
                              + QStringLiteral(" nouvelle(s) banque(s) ajoutee(s)"),
                          kOk, kSource);
        return added;
    } catch (const DbError &e) {
        m_dm.LogOperation(kOp, QStringLiteral("Echec MAJ cache banques : ") + e.message(), kEchec, kSource);
        return -1;
    }
}

int BridgeProviders::ReinitialiserCacheProviders()
{
    bool complet = false;
    const int n = ChargerTousLesProviders(&complet);
    if (n == 0 || !complet) {
        m_dm.LogOperation(kOp, QStringLiteral("Reinitialisation annulee : Bridge injoignable, cache conserve"), kEchec,
                          kSource);
        // A load cut short must not leave a partial catalogue on screen: show the cache.
        if (n > 0)
            ChargerProvidersDepuisCache();
        return 0;
    }
    if (enregistrer(true) < 0)
        return n; // the save failed, was rolled back and logged; the catalogue itself is complete
    m_dm.LogOperation(kOp, QStringLiteral("Cache banques reinitialise : ") + QString::number(n)
                               + QStringLiteral(" banques"),
                      kOk, kSource);
    return n;
}

int BridgeProviders::ChargerProvidersAvecCache(int AMaxJours)
{
    const double age = AgeCacheProvidersJours();
    if (age >= 0 && age < AMaxJours)
        return ChargerProvidersDepuisCache();
    const int n = ChargerTousLesProviders();
    if (n > 0) {
        EnregistrerProvidersDansCache();
        return n;
    }
    if (age >= 0) {
        m_dm.LogOperation(kOp,
                          QStringLiteral("Bridge injoignable, utilisation du cache existant (age ")
                              + QString::number(age, 'f', 1) + QStringLiteral(" j)"),
                          QStringLiteral("INFO"), kSource);
        return ChargerProvidersDepuisCache();
    }
    return 0;
}

QString BridgeProviders::ResoudreNomBanque(const QString &AValeur) const
{
    const QString prefixe = QStringLiteral("Provider ");
    if (!AValeur.startsWith(prefixe, Qt::CaseSensitive))
        return AValeur;
    QString reste = AValeur;
    QString suffixe;
    const QString carte = QStringLiteral(" / CARTE");
    const qsizetype at = reste.indexOf(carte);
    if (at >= 0) {
        suffixe = carte;
        reste.remove(at, carte.size());
    }
    bool ok = false;
    const int numero = reste.mid(prefixe.size()).trimmed().toInt(&ok);
    if (!ok || numero == 0)
        return AValeur;
    for (const ProviderBridge &p : m_dm.bridge().providers) {
        if (p.ID == numero)
            return p.name.isEmpty() ? AValeur : p.name + suffixe;
    }
    return AValeur;
}
