// Times the statement exports on a fresh database: selection of every line of 10
// accounts, then the CSV export or the OFX export with their marking. Each size runs
// on its own temporary installation so the figures show how the time grows.
//
//   bench_export [--entrelace] [lines...]        default: 25000 50000 100000

#include "app/Configuration.h"
#include "db/DataModule.h"
#include "db/DbTransaction.h"
#include "db/SqlQuery.h"
#include "export/CsvStatementExport.h"
#include "export/ExportSelection.h"
#include "export/ExportState.h"
#include "export/OfxStatementExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include <sys/resource.h>

namespace {

constexpr int kComptes = 10;

// Rows are stored the way daily synchronisations store them: day after day, account
// after account. With "entrelace" the accounts alternate row by row instead, the worst
// case for marking (every file's transaction touches every page of the table).
void remplir(DataModule &dm, int lignes, bool entrelace)
{
    const QSqlDatabase &db = dm.UnConnection_dossier();
    DbTransaction transaction(db);
    SqlQuery insert(db, QStringLiteral(
        "INSERT INTO T_ECRITURES (compte_id, import_id, id_bridge, account_id, iban, bank_name, "
        "account_type, date_ecriture, value_date, description, provider_description, amount, "
        "amount_txt, currency_code, updated_at) VALUES (:c, 1, :id, :acc, :iban, 'Banque', "
        "'checking', :d, :v, :descr, :prov, :m, :mt, 'EUR', :u)"));
    const QDate debut(2024, 1, 1);
    const int parJour = std::max(1, lignes / 365);
    for (int i = 0; i < lignes; ++i) {
        const int compte = entrelace ? i % kComptes + 1 : (i % parJour) * kComptes / parJour + 1;
        const QDate date = debut.addDays(entrelace ? (i / kComptes) % 366 : i / parJour);
        const double montant = (i % 3 == 0 ? 1 : -1) * (10.0 + (i % 997) * 0.37);
        insert.bind(QStringLiteral(":c"), compte)
            .bind(QStringLiteral(":id"), QString(QStringLiteral("tx-") + QString::number(i)))
            .bind(QStringLiteral(":acc"), QString::number(9000 + compte))
            .bind(QStringLiteral(":iban"), QString(QStringLiteral("FR76300040000312345678901") + QString::number(10 + compte)))
            .bind(QStringLiteral(":d"), date.toString(Qt::ISODate))
            .bind(QStringLiteral(":v"), QString(date.addDays(1).toString(Qt::ISODate) + QStringLiteral("T00:00:00")))
            .bind(QStringLiteral(":descr"), QString(QStringLiteral("Paiement carte magasin numéro ") + QString::number(i % 500)))
            .bind(QStringLiteral(":prov"), QString(QStringLiteral("CB MAGASIN ") + QString::number(i % 500) + QStringLiteral(" PARIS")))
            .bind(QStringLiteral(":m"), montant)
            .bind(QStringLiteral(":mt"), QString::number(montant, 'f', 2))
            .bind(QStringLiteral(":u"), QStringLiteral("2024-12-31T10:00:00Z"))
            .exec();
    }
    transaction.commit();
}

void effacerMarquage(DataModule &dm)
{
    SqlQuery::run(dm.UnConnection_dossier(),
                  QStringLiteral("UPDATE T_ECRITURES SET date_export = NULL, heure_export = NULL, "
                                 "user_export = NULL, format_dernier_export = NULL, nb_exports = 0"));
}

// CPU time of the process (user + system) in ms: the machine is shared, wall time is not.
qint64 cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000LL
        + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

struct Mesure
{
    qint64 selection = 0;
    qint64 ecriture = 0;
    qint64 cpuSelection = 0;
    qint64 cpuEcriture = 0;
    int lignes = 0;
};

Mesure mesurer(DataModule &dm, bool ofx, const QString &dossier)
{
    Mesure m;
    QElapsedTimer timer;
    timer.start();
    qint64 cpu = cpuMs();
    ExportSelection selection(dm);
    selection.ChargerExportEnMemTable({}, {}, {}, {}, false, QStringLiteral("NOCARD"));
    m.selection = timer.restart();
    m.cpuSelection = cpuMs() - cpu;
    cpu = cpuMs();
    if (ofx) {
        int fichiers = 0;
        QString erreur;
        m.lignes = ExportUtils::ExporterRelevesOFXSilencieux(
            dm.UnConnection_dossier(), dm.exports().FDMemTableExport, dossier, QStringLiteral("EXPORT"),
            dm.user_courant_login, fichiers, erreur, dm.clock());
        if (m.lignes < 0)
            std::fprintf(stderr, "OFX : %s\n", qPrintable(erreur));
    } else {
        CsvStatementExport csv(dm);
        m.lignes = csv.ExporterCSVCompte({}, dossier, QStringLiteral("EXPORT"), false);
    }
    m.ecriture = timer.elapsed();
    m.cpuEcriture = cpuMs() - cpu;
    return m;
}

void afficher(const char *format, int lignes, const Mesure &m)
{
    std::printf("%-4s %7d lines | wall: selection %5lld ms, write+mark %5lld ms, total %5lld ms "
                "| cpu: %5lld + %5lld = %5lld ms | %d written\n",
                format, lignes, static_cast<long long>(m.selection), static_cast<long long>(m.ecriture),
                static_cast<long long>(m.selection + m.ecriture),
                static_cast<long long>(m.cpuSelection), static_cast<long long>(m.cpuEcriture),
                static_cast<long long>(m.cpuSelection + m.cpuEcriture), m.lignes);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> tailles;
    bool entrelace = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--entrelace"))
            entrelace = true;
        else
            tailles.push_back(arg.toInt());
    }
    if (tailles.empty())
        tailles = {25000, 50000, 100000};

    for (const int lignes : tailles) {
        QTemporaryDir home;
        DataModule dm(Configuration::defaults(home.path()));
        const QString erreur = dm.DataModuleCreate();
        if (!erreur.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(erreur));
            return 1;
        }
        dm.user_courant_login = QStringLiteral("BENCH");
        dm.user_courant_niveau = 9;
        if (const char *cache = std::getenv("BENCH_CACHE_KIB"))
            SqlQuery::run(dm.UnConnection_dossier(),
                          QStringLiteral("PRAGMA cache_size = -") + QString::fromLatin1(cache));
        remplir(dm, lignes, entrelace);

        afficher("CSV", lignes, mesurer(dm, false, home.path() + QStringLiteral("/csv")));
        effacerMarquage(dm);
        afficher("OFX", lignes, mesurer(dm, true, home.path() + QStringLiteral("/ofx")));
    }
    return 0;
}
