#include "db/SqlQuery.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>

namespace {

struct LogRow
{
    QString user, operation, message, resultat, source;
    int niveau = -1;
};

LogRow lastLog(DataModule &m)
{
    SqlQuery q(m.UnConnection_dossier(), QStringLiteral("SELECT user_login, operation, message, resultat, source, "
                                                        "user_niveau FROM T_LOG_OPERATIONS ORDER BY log_id DESC LIMIT 1"));
    q.exec();
    LogRow r;
    if (q.next())
        r = {q.text(0), q.text(1), q.text(2), q.text(3), q.text(4), q.value(5).toInt()};
    return r;
}

} // namespace

class LogAndContextTest : public TempHomeTest
{
};

TEST_F(LogAndContextTest, StartEntryAndProvisionalUser)
{
    const LogRow start = lastLog(dm());
    EXPECT_EQ(start.operation, QStringLiteral("PROGRAMME"));
    EXPECT_EQ(start.message, QStringLiteral("Entrée dans le programme"));
    EXPECT_EQ(start.resultat, QStringLiteral("OK"));
    EXPECT_EQ(start.source, QStringLiteral("Application"));
    EXPECT_EQ(start.user, QStringLiteral("ADMIN"));
    EXPECT_EQ(start.niveau, 9);
    EXPECT_EQ(dm().user_courant_login, QStringLiteral("ADMIN"));
    EXPECT_EQ(dm().mode_persistance, QStringLiteral("RAZ"));
}

TEST_F(LogAndContextTest, CutsAndDefaults)
{
    DataModule &m = dm();
    m.LogOperation(QStringLiteral("   "), QString(5000, QLatin1Char('m')), QString(300, QLatin1Char('r')), QString());
    LogRow r = lastLog(m);
    EXPECT_EQ(r.operation, QStringLiteral("INFO"));
    EXPECT_EQ(r.source, QStringLiteral("QUELVO"));
    EXPECT_EQ(r.message.size(), 4000);
    EXPECT_EQ(r.resultat.size(), 255);

    m.LogOperation(QStringLiteral("  SYNCHRO  ") + QString(100, QLatin1Char('X')), QStringLiteral("m"),
                   QStringLiteral("OK"), QString(100, QLatin1Char('s')));
    r = lastLog(m);
    EXPECT_EQ(r.operation.size(), 80);
    EXPECT_TRUE(r.operation.startsWith(QStringLiteral("SYNCHRO")));
    EXPECT_EQ(r.source.size(), 80);

    m.user_courant_login = QStringLiteral("   ");
    m.LogOperation(QStringLiteral("TEST"), QStringLiteral("x"));
    EXPECT_EQ(lastLog(m).user, QStringLiteral("testeur")); // the system user name
}

TEST_F(LogAndContextTest, InactiveUsersAndCompanyModes)
{
    DataModule &m = dm();
    SqlQuery::run(m.UnConnection_dossier(), QStringLiteral("UPDATE T_USERS SET user_actif = 0"));
    m.ChargerUserCourant();
    EXPECT_EQ(m.user_courant_id, 0);
    EXPECT_EQ(m.user_courant_login, QStringLiteral("INCONNU"));
    EXPECT_EQ(m.user_courant_nom, QStringLiteral("INCONNU"));
    EXPECT_EQ(m.user_courant_niveau, 0);
    m.LogOperation(QStringLiteral("TEST"), QStringLiteral("x"));
    EXPECT_EQ(lastLog(m).user, QStringLiteral("INCONNU"));
    EXPECT_EQ(lastLog(m).niveau, 0);

    struct Case
    {
        QVariant stored;
        QString expected;
    };
    for (const Case &c : {Case{QVariant(), QStringLiteral("RAZ")}, Case{QStringLiteral("INCREMENTAL"), QStringLiteral("INCREMENTAL")},
                          Case{QStringLiteral(""), QString()}}) {
        SqlQuery(m.UnConnection_dossier(), QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET mode_persistance_default = :m, "
                                                          "raison_sociale = 'ACME', bridge_external_user_id = 'ext-1'"))
            .bind(QStringLiteral(":m"), c.stored)
            .exec();
        m.ChargerSocieteCourante();
        EXPECT_EQ(m.mode_persistance, c.expected);
        EXPECT_EQ(m.societe_courante_raison, QStringLiteral("ACME"));
        EXPECT_EQ(m.utilisateur_token_soc, QStringLiteral("ext-1"));
        EXPECT_EQ(m.societe_courante_id, 1);
    }
    SqlQuery::run(m.UnConnection_dossier(), QStringLiteral("DELETE FROM T_IDENTIFICATION_SOCIETE"));
    m.ChargerSocieteCourante();
    EXPECT_EQ(m.mode_persistance, QStringLiteral("RAZ"));
    EXPECT_EQ(m.societe_courante_id, 0);
}

TEST_F(LogAndContextTest, FailingSchemaStepKeepsResetValuesAndStartGoesOn)
{
    // A folder where the database file should be: opening it fails.
    QDir().mkpath(home() + QStringLiteral("datas/MORVANEBANK.db"));
    DataModule m(config());
    const QString error = m.DataModuleCreate();
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(m.user_courant_login.isEmpty());
    EXPECT_EQ(m.user_courant_niveau, 0);
    EXPECT_EQ(m.mode_persistance, QStringLiteral("INCREMENTAL"));
    EXPECT_NO_THROW(m.LogOperation(QStringLiteral("TEST"), QStringLiteral("perdu")));
}

TEST_F(LogAndContextTest, LevelPredicates)
{
    DataModule &m = dm();
    struct Case
    {
        int niveau;
        bool importer, exporter, consulter;
    };
    for (const Case c : {Case{5, false, false, false}, Case{6, false, false, true}, Case{7, false, true, true},
                         Case{8, true, true, true}, Case{9, true, true, true}}) {
        m.user_courant_niveau = c.niveau;
        EXPECT_EQ(m.UserPeutImporter(), c.importer) << c.niveau;
        EXPECT_EQ(m.UserPeutExporter(), c.exporter) << c.niveau;
        EXPECT_EQ(m.UserPeutConsulter(), c.consulter) << c.niveau;
    }
}
