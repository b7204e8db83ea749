// The built tresoline in its command modes, against the Bridge simulator and a
// real STARTTLS relay, as cron or a systemd timer would run it.
#include "app/GlobalLock.h"
#include "db/DbTransaction.h"
#include "db/SqlQuery.h"
#include "support/BridgeSimFixture.h"
#include "support/QtPrinting.h"
#include "support/SmtpRelay.h"

#include "bridge-sim/FaultRule.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kCode = QStringLiteral("ABCD1234");
const QString kEmail = QStringLiteral("compta@lefevre.test");
const QString kSubjectRefus = QStringLiteral("[Tresoline] Rapport de commande silencieuse - ECHEC");

QString binary(const char *name)
{
    return QStringLiteral(TRESOLINE_BINARY_DIR) + QStringLiteral("/bin/") + QString::fromLatin1(name);
}

struct ProcessRun
{
    int exitCode = -1000;
    QString out;
    QString err;
};

// A short-lived connection on the installation's database, as another process.
class Base final
{
public:
    explicit Base(const QString &file) : m_name(QUuid::createUuid().toString())
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_db.setDatabaseName(file);
        m_db.open();
    }
    ~Base()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    QVariant scalar(const QString &sql) { return SqlQuery::scalar(m_db, sql); }
    void run(const QString &sql) { SqlQuery::run(m_db, sql); }
    const QSqlDatabase &db() const { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

QString lastOf(const QStringList &list)
{
    return list.isEmpty() ? QStringLiteral("<aucune ligne>") : list.last();
}

} // namespace

class CommandModeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        m_sim = std::make_unique<BridgeSimFixture>(QStringLiteral("demo"));
        m_relay = std::make_unique<SmtpRelay>();
        ASSERT_TRUE(m_relay->running()) << m_relay->startError().toStdString();
        QProcess init;
        init.start(binary("tresoline-init"),
                   {QStringLiteral("--home"), home(), QStringLiteral("--societe"), QStringLiteral("Atelier Lefevre"),
                    QStringLiteral("--email"), kEmail, QStringLiteral("--code"), kCode, QStringLiteral("--bridge-user"),
                    m_sim->externalUserId()});
        ASSERT_TRUE(init.waitForFinished(60000));
        ASSERT_EQ(init.exitCode(), 0) << init.readAllStandardError().toStdString();
    }

    QString home() const { return m_home.path(); }
    QString dbFile() const { return home() + QStringLiteral("/datas/MORVANEBANK.db"); }

    ProcessRun tresoline(const QStringList &args)
    {
        Configuration c = Configuration::defaults(home());
        m_sim->configure(c);
        m_relay->configure(c);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")); // a window would fail to open
        env.insert(QStringLiteral("TRESOLINE_HOME"), home());
        env.insert(QStringLiteral("TRESOLINE_BRIDGE_URL"), c.bridgeUrl);
        env.insert(QStringLiteral("TRESOLINE_BRIDGE_CLIENT_ID"), c.bridgeClientId);
        env.insert(QStringLiteral("TRESOLINE_BRIDGE_CLIENT_SECRET"), c.bridgeClientSecret);
        env.insert(QStringLiteral("TRESOLINE_SMTP_HOST"), c.smtpHost);
        env.insert(QStringLiteral("TRESOLINE_SMTP_PORT"), QString::number(c.smtpPort));
        env.insert(QStringLiteral("TRESOLINE_SMTP_USER"), c.smtpUser);
        env.insert(QStringLiteral("TRESOLINE_SMTP_PASSWORD"), c.smtpPassword);
        env.insert(QStringLiteral("TRESOLINE_SMTP_FROM"), c.smtpFrom);
        env.insert(QStringLiteral("TRESOLINE_SMTP_CAFILE"), c.smtpCaFile);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(binary("tresoline"), args);
        ProcessRun r;
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "tresoline did not finish";
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -999;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // Messages of the log with this operation, oldest first.
    QStringList logs(const QString &operation, const QString &resultat = {})
    {
        Base base(dbFile());
        SqlQuery q(base.db(), QStringLiteral("SELECT message FROM T_LOG_OPERATIONS WHERE operation = :op")
                                  + (resultat.isEmpty() ? QString() : QStringLiteral(" AND resultat = :res"))
                                  + QStringLiteral(" ORDER BY log_id"));
        q.bind(QStringLiteral(":op"), operation);
        if (!resultat.isEmpty())
            q.bind(QStringLiteral(":res"), resultat);
        q.exec();
        QStringList out;
        while (q.next())
            out << q.text(0);
        return out;
    }

    int count(const QString &sql)
    {
        Base base(dbFile());
        return base.scalar(sql).toInt();
    }

    void sql(const QString &statement)
    {
        Base base(dbFile());
        base.run(statement);
    }

    // Non-card lines written straight into the database, for the export cases.
    void addLines(const QString &iban, int n, const QString &type = QStringLiteral("checking"))
    {
        Base base(dbFile());
        DbTransaction tx(base.db());
        SqlQuery(base.db(), QStringLiteral("INSERT OR IGNORE INTO T_COMPTES (iban, type_compte, nom_banque) "
                                           "VALUES (:i, :t, 'Banque Test')"))
            .bind(QStringLiteral(":i"), iban)
            .bind(QStringLiteral(":t"), type)
            .exec();
        SqlQuery insert(base.db(), QStringLiteral(
            "INSERT INTO T_ECRITURES (compte_id, import_id, id_bridge, account_id, iban, bank_name, account_type, "
            "date_ecriture, description, provider_description, amount, amount_txt, currency_code) VALUES "
            "((SELECT compte_id FROM T_COMPTES WHERE iban = :i), 1, :id, '1', :i, 'Banque Test', :t, :d, :l, :l, "
            ":a, :at, 'EUR')"));
        for (int k = 0; k < n; ++k) {
            insert.bind(QStringLiteral(":i"), iban)
                .bind(QStringLiteral(":id"), QString(iban + QLatin1Char('-') + QString::number(k)))
                .bind(QStringLiteral(":t"), type)
                .bind(QStringLiteral(":d"), QDate(2024, 1, 1).addDays(k % 300).toString(Qt::ISODate))
                .bind(QStringLiteral(":l"), QString(QStringLiteral("Opération ") + QString::number(k)))
                .bind(QStringLiteral(":a"), -10.5 - k)
                .bind(QStringLiteral(":at"), QString::number(-10.5 - k, 'f', 2))
                .exec();
        }
        tx.commit();
    }

    std::vector<SmtpRelayMail> mails() const { return m_relay->messages(); }

    QTemporaryDir m_home;
    std::unique_ptr<BridgeSimFixture> m_sim;
    std::unique_ptr<SmtpRelay> m_relay;
};

TEST_F(CommandModeTest, RefusalsAtStartAreLoggedReportedAndCoded)
{
    struct Case
    {
        QStringList args;
        QString message;
        int exitCode;
    };
    const QString invalide = QStringLiteral("Commande refusee : authentification console invalide");
    const std::vector<Case> cases = {
        {{QStringLiteral("synchro")}, QStringLiteral("Commande refusee : code de securite absent"), 1},
        {{QStringLiteral("--synchro"), QStringLiteral("ABCD123")}, invalide, 1},
        {{QStringLiteral("/synchro"), QStringLiteral("ABCD12345")}, invalide, 1},
        {{QStringLiteral("synchro"), QStringLiteral("ZZZZ9999")}, invalide, 1},
        {{QStringLiteral("synchro"), kCode, QStringLiteral("export")},
         QStringLiteral("Commande refusee : synchro et export ne peuvent pas etre demandes ensemble"), 255},
        {{QStringLiteral("--export")}, QStringLiteral("Commande refusee : code de securite absent"), 255},
    };
    for (const Case &c : cases) {
        m_relay->clear();
        const ProcessRun r = tresoline(c.args);
        const std::string what = c.args.join(u' ').toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << what;
        EXPECT_TRUE(r.err.contains(c.message)) << what << ": " << r.err.toStdString();
        EXPECT_EQ(lastOf(logs(QStringLiteral("SECURITE_COMMANDE"), QStringLiteral("REFUSE"))), c.message) << what;
        const auto received = mails();
        ASSERT_EQ(received.size(), 1u) << what;
        EXPECT_EQ(received[0].subject, kSubjectRefus);
        EXPECT_TRUE(received[0].body.contains(QStringLiteral("Detail : ") + c.message)) << what;
        EXPECT_EQ(received[0].rcptTos, QStringList{kEmail});
    }
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES")), 0);
    EXPECT_EQ(m_sim->countRequests(QStringLiteral("/v3/aggregation/accounts")), 0);
}

TEST_F(CommandModeTest, MissingStoredCodeRefusesWithItsReason)
{
    sql(QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET code_securite_console = NULL"));
    const ProcessRun r = tresoline({QStringLiteral("synchro"), kCode});
    EXPECT_EQ(r.exitCode, 1);
    const QString refus = logs(QStringLiteral("SECURITE_COMMANDE"), QStringLiteral("REFUSE")).value(0);
    EXPECT_TRUE(refus.startsWith(QStringLiteral("Commande refusee : "))) << refus.toStdString();
    EXPECT_GT(refus.size(), QStringLiteral("Commande refusee : ").size());
    ASSERT_EQ(mails().size(), 1u);
    EXPECT_EQ(mails()[0].subject, kSubjectRefus);
}

TEST_F(CommandModeTest, SynchronisationWithLowerCaseCodeStoresAndReports)
{
    const ProcessRun r = tresoline({QStringLiteral("--SYNCHRO"), kCode.toLower()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Fin du mode synchro : succes"));
    const int stored = count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES"));
    EXPECT_GT(stored, 100);
    EXPECT_EQ(count(QStringLiteral("SELECT derniere_sync_nb FROM T_IDENTIFICATION_SOCIETE")), stored);
    EXPECT_EQ(lastOf(logs(QStringLiteral("SECURITE_COMMANDE"))), QStringLiteral("Authentification console acceptee"));
    EXPECT_TRUE(logs(QStringLiteral("SYNCHRO")).contains(QStringLiteral("Verrou global de synchronisation libere")));

    const auto received = mails();
    ASSERT_EQ(received.size(), 1u);
    // The demo's BNP consent ends within 10 days.
    EXPECT_EQ(received[0].subject,
              QStringLiteral("[Tresoline] Rapport de synchronisation - SUCCES - ALERTE CONSENTEMENT"));
    EXPECT_TRUE(received[0].body.contains(QStringLiteral("Detail : Synchronisation terminee. ") + QString::number(stored)
                                          + QStringLiteral(" nouvelle(s) ecriture(s) ajoutee(s).")))
        << received[0].body.toStdString();
    EXPECT_TRUE(received[0].body.contains(QStringLiteral("consentement(s) DSP2 a renouveler.")));
    EXPECT_TRUE(QFile(home() + QStringLiteral("/datas/Tresoline_Synchronisation_V1.lock")).size() == 0);
}

TEST_F(CommandModeTest, TokenThatCannotBeObtainedFailsWithReport)
{
    sql(QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET bridge_external_user_id = 'INCONNU-CHEZ-BRIDGE'"));
    const ProcessRun r = tresoline({QStringLiteral("synchro"), kCode});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Fin du mode synchro : echec"));
    ASSERT_EQ(mails().size(), 1u);
    EXPECT_EQ(mails()[0].subject, QStringLiteral("[Tresoline] Rapport de synchronisation - ECHEC"));
    EXPECT_TRUE(mails()[0].body.contains(QStringLiteral("Token Bridge manquant ou impossible a rafraichir")));
}

TEST_F(CommandModeTest, AccountFailingAtBridgeMakesTheRunFailButKeepsTheOthers)
{
    m_sim->addFault(bridgesim::FaultRule::statusCode("/v3/aggregation/transactions", 500).forAccount("41000001"));
    const ProcessRun r = tresoline({QStringLiteral("synchro"), kCode});
    EXPECT_EQ(r.exitCode, 1);
    const QString failing = QStringLiteral("FR7610278063120002145860150");
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE iban = '") + failing + QLatin1Char('\'')), 0);
    EXPECT_GT(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES")), 0);
    ASSERT_EQ(mails().size(), 1u);
    EXPECT_EQ(mails()[0].subject.left(46), QStringLiteral("[Tresoline] Rapport de synchronisation - ECHEC"));
    EXPECT_TRUE(mails()[0].body.contains(failing)) << mails()[0].body.toStdString();
}

TEST_F(CommandModeTest, ExportParametersAndResolution)
{
    addLines(QStringLiteral("FR7630004000011111111111111"), 3);
    addLines(QStringLiteral("FR7630004000011111111111122"), 2);
    addLines(QStringLiteral("FR7699999000099999999999999CB01"), 2, QStringLiteral("card"));
    const QString out = home() + QStringLiteral("/sorties");
    struct Case
    {
        QStringList args;
        int exitCode;
        QString log; // last EXPORT_COMMANDE line
    };
    auto cmd = [&](const char *iban, const char *d1, const char *d2, const char *fmt, const QString &dir,
                   const char *opt) {
        return QStringList{QStringLiteral("export"), kCode, QString::fromUtf8(iban), QString::fromUtf8(d1),
                           QString::fromUtf8(d2), QString::fromUtf8(fmt), dir, QString::fromUtf8(opt)};
    };
    const std::vector<Case> cases = {
        {{QStringLiteral("export"), kCode, QStringLiteral("FR76")}, 255,
         QStringLiteral("Syntaxe : tresoline.exe export CODE8 IBAN date_debut date_fin CSV|OFX repertoire OUI|NON")},
        {cmd("tous", "2024-02-30", "-", "csv", out, "non"), 255,
         QStringLiteral("Date de debut invalide. Formats acceptes : aaaa-mm-jj, jj/mm/aaaa ou -")},
        {cmd("3000400001111111", "-", "-", "csv", out, "non"), 255,
         QStringLiteral("Numero de compte ambigu : 3000400001111111 correspond a 2 IBAN")},
        {cmd("99999000099999999", "-", "-", "csv", out, "non"), 255,
         QStringLiteral("IBAN ou numero de compte inconnu : 99999000099999999")},
        {cmd("tous", "-", "-", "csv", QStringLiteral("/proc/tresoline/interdit"), "non"), 255,
         QStringLiteral("Repertoire inaccessible : /proc/tresoline/interdit/")},
        {cmd("111111111122", "31/12/2023", "2024-12-31", "csv", out, "non"), 2,
         QStringLiteral("Export silencieux termine : 2 ecriture(s)")},
        {cmd("tous", "-", "-", "csv", out, "non"), 3, QStringLiteral("Export silencieux termine : 3 ecriture(s)")},
        {cmd("tous", "-", "-", "csv", out, "non"), 0,
         QStringLiteral("Aucune ecriture a exporter avec les criteres demandes")},
    };
    for (const Case &c : cases) {
        const ProcessRun r = tresoline(c.args);
        const std::string what = c.args.join(u' ').toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << what << " " << r.err.toStdString();
        EXPECT_EQ(lastOf(logs(QStringLiteral("EXPORT_COMMANDE"))), c.log) << what;
    }
    EXPECT_TRUE(logs(QStringLiteral("EXPORT_COMMANDE"))
                    .contains(QStringLiteral("Numero de compte 111111111122 resolu en IBAN FR7630004000011111111111122")));
    // Card lines are never part of a command export; no mail for an export.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE date_export IS NOT NULL AND account_type = 'card'")), 0);
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(mails().empty());
}

TEST_F(CommandModeTest, ExitCodeSurvivesPosixLimits)
{
    addLines(QStringLiteral("FR7630004000012345678901234"), 57);
    const QString out = home() + QStringLiteral("/sorties");
    ProcessRun r = tresoline({QStringLiteral("export"), kCode, QStringLiteral("*"), QStringLiteral("-"), QStringLiteral("-"),
                       QStringLiteral("OFX"), out, QStringLiteral("NON")});
    EXPECT_EQ(r.exitCode, 57);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Fin du mode export : 57 ecriture(s) exportee(s)"));
    addLines(QStringLiteral("FR7630004000098765432109876"), 300);
    r = tresoline({QStringLiteral("export"), kCode, QStringLiteral("FR76 3000 4000 0987 6543 2109 876"), QStringLiteral("-"),
                   QStringLiteral("-"), QStringLiteral("CSV"), out, QStringLiteral("NON")});
    EXPECT_EQ(r.exitCode, 254);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Fin du mode export : 300 ecriture(s) exportee(s)"));
}

TEST_F(CommandModeTest, LockHeldBySynchronisationOrExport)
{
    addLines(QStringLiteral("FR7630004000012345678901234"), 4);
    const QString lockPath = GlobalLock::cheminPour(home() + QStringLiteral("/datas"));
    const QStringList exportArgs = {QStringLiteral("export"), kCode, QStringLiteral("tous"), QStringLiteral("-"),
                                    QStringLiteral("-"), QStringLiteral("csv"), home() + QStringLiteral("/sorties"),
                                    QStringLiteral("non")};
    {
        GlobalLock other(lockPath);
        ASSERT_EQ(other.tenter(QStringLiteral("synchro")), GlobalLock::Resultat::Acquis);
        ProcessRun r = tresoline(exportArgs);
        EXPECT_EQ(r.exitCode, 255);
        EXPECT_EQ(lastOf(logs(QStringLiteral("EXPORT_COMMANDE"))),
                  QStringLiteral("Export refuse : une synchronisation ou un export est deja en cours"));
        r = tresoline({QStringLiteral("synchro"), kCode});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(logs(QStringLiteral("SYNCHRO")).contains(
            QStringLiteral("Synchronisation ignoree : une autre instance Tresoline synchronise deja")));
        EXPECT_EQ(m_sim->countRequests(QStringLiteral("/v3/aggregation/accounts")), 0);
        EXPECT_TRUE(mails().empty());
    }
    {
        GlobalLock other(lockPath);
        ASSERT_EQ(other.tenter(QStringLiteral("export")), GlobalLock::Resultat::Acquis);
        const ProcessRun r = tresoline({QStringLiteral("synchro"), kCode});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(lastOf(logs(QStringLiteral("SYNCHRO"), QStringLiteral("ECHEC"))),
                  QStringLiteral("Synchronisation non executee : un export est en cours dans une autre instance Tresoline"));
        EXPECT_EQ(m_sim->countRequests(QStringLiteral("/v3/aggregation/accounts")), 0);
        EXPECT_TRUE(mails().empty());
    }
    {
        QFile dead(lockPath);
        ASSERT_TRUE(dead.open(QIODevice::WriteOnly));
        dead.write("4242 synchro\n");
    }
    const ProcessRun r = tresoline({QStringLiteral("synchro"), kCode});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(logs(QStringLiteral("SYNCHRO"))
                    .contains(QStringLiteral("Verrou global recupere apres l'arret anormal d'une autre instance")));
    EXPECT_EQ(QFile(lockPath).size(), 0);
    EXPECT_EQ(mails().size(), 1u);
}

TEST_F(CommandModeTest, HelpAndVersionTouchNothing)
{
    QDir(home()).removeRecursively();
    QDir().mkpath(home());
    ProcessRun r = tresoline({QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Tresoline 1."))) << r.out.toStdString();
    r = tresoline({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Codes de sortie")));
    EXPECT_FALSE(QFile::exists(dbFile()));
}
