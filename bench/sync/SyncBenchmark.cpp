// Times synchroniser_tout against the in-process simulator serving a generated company,
// and in the same process the bare pipeline it is judged against: every page fetched
// with libcurl and parsed with nlohmann::json, then the same rows inserted twice (27
// columns) with two statements prepared once, in one transaction.
//
// Phases: bare fetch + parse; bare inserts with the connection's settings, then with
// the settings the persistence uses (statement journals in memory, 64 MB page cache),
// then twice the rows; bootstrap run into an empty database; run with nothing new; the
// same two runs with STORED other transactions already in the database; a bootstrap of
// twice the volume. Each reports wall time, CPU time of the main thread (the simulator
// serves from its own threads) and peak resident memory over the phase (with the
// memory held before it); the summary keeps the best of BENCH_REPETITIONS runs (3).
//
//   bench_sync [accounts transactionsPerAccount stored]   default: 20 5000 1000000

#include "app/Configuration.h"
#include "bridge/BridgeTransport.h"
#include "bridge-sim/BridgeSimServer.h"
#include "db/DataModule.h"
#include "sync/Synchronisation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QSqlDriver>
#include <QTemporaryDir>
#include <QVariant>

#include <curl/curl.h>
#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long statusKib(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray wanted(field);
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// Wall time, main-thread CPU and peak memory of one phase.
class Phase final
{
public:
    explicit Phase(const char *name) : m_name(name)
    {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5"); // resets the peak resident size to the current one
        m_rssBefore = statusKib("VmRSS:");
        m_cpu = threadCpuSeconds();
        m_wall.start();
    }
    void report(const char *extra = "")
    {
        const double wall = double(m_wall.nsecsElapsed()) / 1e9;
        const double cpu = threadCpuSeconds() - m_cpu;
        const long peak = statusKib("VmHWM:");
        std::printf("%-44s reel %6.2f s  CPU %6.2f s  memoire max %5ld Mo (+%ld Mo)  %s\n", m_name, wall, cpu,
                    peak / 1024, (peak - m_rssBefore) / 1024, extra);
        std::fflush(stdout);
        m_lastWall = wall;
        m_lastCpu = cpu;
        m_lastDelta = peak - m_rssBefore;
    }
    double wall() const { return m_lastWall; }
    long deltaKib() const { return m_lastDelta; }
    double cpu() const { return m_lastCpu; }

private:
    const char *m_name;
    long m_rssBefore = 0;
    double m_cpu = 0;
    QElapsedTimer m_wall;
    double m_lastWall = 0;
    double m_lastCpu = 0;
    long m_lastDelta = 0;
};

struct CurlDeleter
{
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter
{
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};

size_t appendBody(char *data, size_t size, size_t count, void *target)
{
    static_cast<std::string *>(target)->append(data, size * count);
    return size * count;
}

// The bare client: one connection, every page of every account, each page parsed.
std::vector<std::string> fetchAll(const std::string &base, const QString &token, const std::vector<std::string> &ids,
                                  std::size_t &rows)
{
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    std::unique_ptr<curl_slist, SlistDeleter> headers;
    curl_slist *list = nullptr;
    for (const std::string &h : {std::string("accept: application/json"), std::string("Bridge-Version: 2025-01-15"),
                                 std::string("Client-Id: client-test"), std::string("Client-Secret: secret-test"),
                                 "Authorization: Bearer " + token.toStdString()})
        list = curl_slist_append(list, h.c_str());
    headers.reset(list);
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, appendBody);
    std::vector<std::string> bodies;
    rows = 0;
    for (const std::string &id : ids) {
        std::string path = "/v3/aggregation/transactions?limit=500&account_id=" + id;
        while (!path.empty()) {
            std::string body;
            curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
            curl_easy_setopt(curl.get(), CURLOPT_URL, (base + path).c_str());
            if (curl_easy_perform(curl.get()) != CURLE_OK) {
                std::fprintf(stderr, "lecture impossible : %s\n", path.c_str());
                return bodies;
            }
            const json page = json::parse(body);
            rows += page.at("resources").size();
            const auto &pagination = page.at("pagination");
            path = pagination.contains("next_uri") && pagination["next_uri"].is_string()
                ? pagination["next_uri"].get<std::string>()
                : std::string();
            bodies.push_back(std::move(body));
        }
    }
    return bodies;
}

using BareRow = std::array<std::string, 16>;

std::string text(const json &object, const char *key)
{
    const auto it = object.find(key);
    if (it == object.end())
        return {};
    const json &v = *it;
    if (v.is_string())
        return v.get<std::string>();
    if (v.is_null())
        return {};
    return v.dump();
}

std::vector<BareRow> rowsOf(const std::vector<std::string> &bodies)
{
    std::vector<BareRow> rows;
    for (const std::string &body : bodies) {
        const json page = json::parse(body);
        for (const json &t : page.at("resources")) {
            rows.push_back({text(t, "id"), text(t, "account_id"), text(t, "date"), text(t, "date"),
                            text(t, "clean_description"), text(t, "provider_description"), text(t, "amount"),
                            text(t, "currency_code"), text(t, "operation_type"), text(t, "booking_date"),
                            text(t, "transaction_date"), text(t, "value_date"), text(t, "updated_at"),
                            t.value("deleted", false) ? "1" : "0", t.value("future", false) ? "1" : "0",
                            "FR76" + text(t, "account_id")});
        }
    }
    return rows;
}

sqlite3 *handleOf(DataModule &dm)
{
    return *static_cast<sqlite3 *const *>(dm.UnConnection_dossier().driver()->handle().constData());
}

const char *kColumns =
    "compte_id, import_id, id_bridge, account_id, item_id, iban, bank_name, account_name, account_type, "
    "date_ecriture, date_iso, description, provider_description, amount, amount_txt, currency_code, operation_type, "
    "booking_date, transaction_date, value_date, updated_at, deleted, future, date_recup, date_import, heure_import, "
    "user_import";

void bindRow(sqlite3_stmt *s, const BareRow &r)
{
    auto t = [s](int i, const std::string &v) { sqlite3_bind_text(s, i, v.data(), int(v.size()), SQLITE_STATIC); };
    sqlite3_bind_int64(s, 1, 1);
    sqlite3_bind_int64(s, 2, 1);
    t(3, r[0]);
    t(4, r[1]);
    t(5, r[1]);
    t(6, r[15]);
    t(7, r[15]);
    t(8, r[15]);
    t(9, r[8]);
    t(10, r[2]);
    t(11, r[3]);
    t(12, r[4]);
    t(13, r[5]);
    sqlite3_bind_double(s, 14, std::atof(r[6].c_str()));
    t(15, r[6]);
    t(16, r[7]);
    t(17, r[8]);
    t(18, r[9]);
    t(19, r[10]);
    t(20, r[11]);
    t(21, r[12]);
    sqlite3_bind_int(s, 22, r[13] == "1");
    sqlite3_bind_int(s, 23, r[14] == "1");
    t(24, r[12]);
    t(25, r[2]);
    t(26, r[2]);
    t(27, r[0]);
}

void insertBare(sqlite3 *db, const std::vector<BareRow> &rows, bool audit)
{
    std::string values = "?";
    for (int i = 1; i < 27; ++i)
        values += ", ?";
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *ins = nullptr;
    sqlite3_stmt *aud = nullptr;
    const std::string into = std::string(" (") + kColumns + ") VALUES (" + values + ")";
    if (sqlite3_prepare_v2(db, ("INSERT OR IGNORE INTO T_ECRITURES" + into).c_str(), -1, &ins, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(db, ("INSERT INTO T_AUDIT_ECRITURES" + into).c_str(), -1, &aud, nullptr) != SQLITE_OK)
        std::fprintf(stderr, "preparation impossible : %s\n", sqlite3_errmsg(db));
    for (const BareRow &r : rows) {
        if (audit) {
            bindRow(aud, r);
            if (sqlite3_step(aud) != SQLITE_DONE)
                std::fprintf(stderr, "insertion impossible : %s\n", sqlite3_errmsg(db));
            sqlite3_reset(aud);
        }
        bindRow(ins, r);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_finalize(aud);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

// Transactions of accounts Bridge no longer lists, already stored.
void storeOthers(sqlite3 *db, long count)
{
    std::vector<BareRow> batch;
    const long perAccount = 5000;
    for (long done = 0; done < count;) {
        batch.clear();
        for (long i = 0; i < 100000 && done < count; ++i, ++done) {
            char id[32];
            char account[32];
            char iban[48];
            char day[16];
            char updated[40];
            std::snprintf(id, sizeof id, "9%ld", done);
            std::snprintf(account, sizeof account, "%ld", 90000000 + done / perAccount);
            std::snprintf(iban, sizeof iban, "FR76OLD%s", account);
            std::snprintf(day, sizeof day, "2024-%02ld-%02ld", 10 + done % 3, 10 + done % 18);
            std::snprintf(updated, sizeof updated, "%sT08:00:00.000Z", day);
            batch.push_back({id, account, day, day, "Ancienne operation", "ANCIENNE OPERATION CB", "-12.34", "EUR",
                             "card", day, day, day, updated, "0", "0", iban});
        }
        insertBare(db, batch, false);
    }
}

std::unique_ptr<DataModule> openModule(const Configuration &config)
{
    auto dm = std::make_unique<DataModule>(config);
    const QString error = dm->DataModuleCreate();
    if (!error.isEmpty())
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
    dm->utilisateur_token_soc = QStringLiteral("BENCH");
    return dm;
}

// Main-thread CPU spent between the run's progress steps, the IBAN steps summed.
class Decoupage final
{
public:
    void etape(const QString &AEtape)
    {
        const double now = threadCpuSeconds();
        if (!m_courante.isEmpty())
            m_cpu[m_ordre.indexOf(m_courante)] += now - m_debut;
        const QString nom = AEtape.startsWith(QStringLiteral("Synchronisation IBAN"))
            ? QStringLiteral("lecture des transactions (tous les IBAN)")
            : AEtape;
        if (!m_ordre.contains(nom)) {
            m_ordre.append(nom);
            m_cpu.push_back(0.0);
        }
        m_courante = nom;
        m_debut = now;
    }
    QString texte()
    {
        etape(QStringLiteral("fin"));
        QString out;
        for (qsizetype i = 0; i + 1 < m_ordre.size(); ++i)
            out += QStringLiteral("      %1 CPU %2 s\n").arg(m_ordre[i], -52).arg(m_cpu[std::size_t(i)], 6, 'f', 2);
        return out;
    }

private:
    QStringList m_ordre;
    std::vector<double> m_cpu;
    QString m_courante;
    double m_debut = 0;
};

ResultatSynchro runSync(DataModule &dm, QString *details = nullptr)
{
    Decoupage decoupage;
    dm.FOnSyncProgress = [&](const QString &e) { decoupage.etape(e); };
    const QString token = BridgeTransport(dm).ObtenirTokenBridge({}, QStringLiteral("BENCH"));
    const ResultatSynchro r = Synchronisation(dm).synchroniser_tout(token, 10000);
    dm.FOnSyncProgress = nullptr;
    if (details)
        *details = decoupage.texte();
    return r;
}

Configuration configFor(const QTemporaryDir &home, const bridgesim::BridgeSimServer &sim)
{
    Configuration config = Configuration::defaults(home.path());
    config.bridgeUrl = QString::fromStdString(sim.baseUrl());
    config.bridgeClientId = QStringLiteral("client-test");
    config.bridgeClientSecret = QStringLiteral("secret-test");
    config.systemUserName = QStringLiteral("bench");
    return config;
}

// The best of several repetitions of one phase (the machine is shared: the minimum is
// the figure least disturbed by other work).
struct Meilleur
{
    double wall = 1e99;
    double cpu = 1e99;
    long delta = 0;
    QString etapes; // CPU per step of the fastest run
    void garder(const Phase &p, const QString &AEtapes = {})
    {
        if (p.wall() < wall)
            etapes = AEtapes;
        wall = std::min(wall, p.wall());
        cpu = std::min(cpu, p.cpu());
        delta = std::max(delta, p.deltaKib());
    }
    void garder(const Meilleur &m)
    {
        if (m.wall < wall)
            etapes = m.etapes;
        wall = std::min(wall, m.wall);
        cpu = std::min(cpu, m.cpu);
        delta = std::max(delta, m.delta);
    }
};

void decrire(char (&extra)[128], const ResultatSynchro &r)
{
    std::snprintf(extra, sizeof extra, "%d nouvelles, %s", r.nouvellesEcritures, r.complet() ? "complet" : "INCOMPLET");
}

Meilleur synchroniser(const Configuration &config, const char *name)
{
    auto dm = openModule(config);
    QString etapes;
    Phase phase(name);
    const ResultatSynchro r = runSync(*dm, &etapes);
    char extra[128];
    decrire(extra, r);
    phase.report(extra);
    Meilleur m;
    m.garder(phase, etapes);
    return m;
}

void resume(const char *name, const Meilleur &m)
{
    std::printf("  %-48s reel %6.2f s  CPU %6.2f s  memoire +%ld Mo\n", name, m.wall, m.cpu, m.delta / 1024);
    std::printf("%s", m.etapes.toUtf8().constData());
}

int repetitions()
{
    const char *env = std::getenv("BENCH_REPETITIONS");
    return env ? std::max(1, std::atoi(env)) : 3;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int accounts = argc > 3 ? std::atoi(argv[1]) : 20;
    const int perAccount = argc > 3 ? std::atoi(argv[2]) : 5000;
    const long stored = argc > 3 ? std::atol(argv[3]) : 1000000;
    const int reps = repetitions();
    const bridgesim::RelativeDate today(bridgesim::RelativeDate::localToday());

    bridgesim::BridgeSimServer sim(bridgesim::Scenario::generated(accounts, perAccount, today));
    if (sim.start("127.0.0.1", 0) < 0) {
        std::fprintf(stderr, "simulateur : aucun port libre\n");
        return 1;
    }
    std::printf("%d comptes x %d transactions, SQLite %s, meilleure de %d mesures\n", accounts, perAccount,
                sqlite3_libversion(), reps);

    std::vector<std::string> ids;
    sim.withScenario([&](bridgesim::Scenario &s) {
        for (const json *a : s.accountsOf("BENCH", std::nullopt))
            ids.push_back(std::to_string(a->at("id").get<long long>()));
    });

    Meilleur fetch;
    Meilleur inserts;
    Meilleur insertsRegles;
    std::vector<BareRow> bare;
    for (int i = 0; i < reps; ++i) {
        QTemporaryDir home;
        auto dm = openModule(configFor(home, sim));
        const QString token = BridgeTransport(*dm).ObtenirTokenBridge({}, QStringLiteral("BENCH"));
        std::size_t rows = 0;
        Phase phase("pipeline nu : pages lues + JSON analyse");
        const std::vector<std::string> bodies = fetchAll(sim.baseUrl(), token, ids, rows);
        char extra[128];
        std::snprintf(extra, sizeof extra, "%zu pages, %zu transactions", bodies.size(), rows);
        phase.report(extra);
        fetch.garder(phase);
        if (bare.empty())
            bare = rowsOf(bodies);
    }
    for (int reglage = 0; reglage < 2; ++reglage) {
        for (int i = 0; i < reps; ++i) {
            QTemporaryDir home;
            auto dm = openModule(configFor(home, sim));
            if (reglage) {
                sqlite3_exec(handleOf(*dm), "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
                sqlite3_exec(handleOf(*dm), "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr);
            }
            Phase phase(reglage ? "pipeline nu : insertions, memes reglages" : "pipeline nu : 2 insertions par ligne");
            insertBare(handleOf(*dm), bare, true);
            phase.report();
            (reglage ? insertsRegles : inserts).garder(phase);
        }
    }

    // The same inserts for twice the rows (the copies under other ids), to see how
    // SQLite alone scales with the volume of one transaction.
    Meilleur insertsDouble;
    {
        std::vector<BareRow> deux = bare;
        for (BareRow r : bare) {
            r[0] += "b";
            deux.push_back(std::move(r));
        }
        for (int i = 0; i < reps; ++i) {
            QTemporaryDir home;
            auto dm = openModule(configFor(home, sim));
            sqlite3_exec(handleOf(*dm), "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
            sqlite3_exec(handleOf(*dm), "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr);
            Phase phase("pipeline nu : insertions, volume double");
            insertBare(handleOf(*dm), deux, true);
            phase.report();
            insertsDouble.garder(phase);
        }
    }

    Meilleur bootstrap;
    Meilleur rien;
    for (int i = 0; i < reps; ++i) {
        QTemporaryDir home;
        const Configuration config = configFor(home, sim);
        bootstrap.garder(synchroniser(config, "synchro bootstrap"));
        if (i == reps - 1) {
            for (int k = 0; k < reps; ++k)
                rien.garder(synchroniser(config, "synchro sans nouveaute"));
        }
    }

    Meilleur bootstrapStocke;
    Meilleur rienStocke;
    if (stored > 0) {
        QTemporaryDir home;
        const Configuration config = configFor(home, sim);
        {
            auto dm = openModule(config);
            QElapsedTimer t;
            t.start();
            sqlite3_exec(handleOf(*dm), "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
            storeOthers(handleOf(*dm), stored);
            std::printf("(%ld transactions d'autres comptes ecrites en base en %.1f s)\n", stored,
                        double(t.elapsed()) / 1000.0);
        }
        bootstrapStocke = synchroniser(config, "synchro bootstrap, base deja remplie");
        for (int k = 0; k < reps; ++k)
            rienStocke.garder(synchroniser(config, "synchro sans nouveaute, base deja remplie"));
    }

    sim.loadScenario(bridgesim::Scenario::generated(accounts, perAccount * 2, today));
    Meilleur double_;
    for (int i = 0; i < reps; ++i) {
        QTemporaryDir home;
        double_.garder(synchroniser(configFor(home, sim), "synchro bootstrap, volume double"));
    }

    const double pipeWall = fetch.wall + inserts.wall;
    const double pipeCpu = fetch.cpu + inserts.cpu;
    const double regleWall = fetch.wall + insertsRegles.wall;
    const double regleCpu = fetch.cpu + insertsRegles.cpu;
    std::printf("\nResume (meilleures mesures)\n");
    resume("pipeline nu : lecture + analyse", fetch);
    resume("pipeline nu : insertions (reglages par defaut)", inserts);
    resume("pipeline nu : insertions (memes reglages)", insertsRegles);
    resume("pipeline nu : insertions, volume double", insertsDouble);
    resume("synchro bootstrap", bootstrap);
    resume("synchro sans nouveaute", rien);
    if (stored > 0) {
        resume("synchro bootstrap, base deja remplie", bootstrapStocke);
        resume("synchro sans nouveaute, base deja remplie", rienStocke);
    }
    resume("synchro bootstrap, volume double", double_);
    std::printf("  bootstrap / pipeline nu (defaut)   : CPU %.2f, reel %.2f (cibles <= 1.00 et <= 1.25)\n",
                bootstrap.cpu / pipeCpu, bootstrap.wall / pipeWall);
    std::printf("  bootstrap / pipeline nu (memes reglages) : CPU %.2f, reel %.2f\n", bootstrap.cpu / regleCpu,
                bootstrap.wall / regleWall);
    std::printf("  volume double / bootstrap          : reel %.2f, CPU %.2f (cible <= 2)\n", double_.wall / bootstrap.wall,
                double_.cpu / bootstrap.cpu);
    std::printf("  insertions nues, volume double / simple : reel %.2f, CPU %.2f\n",
                insertsDouble.wall / insertsRegles.wall, insertsDouble.cpu / insertsRegles.cpu);
    return 0;
}
