#include "db/DbError.h"
#include "db/SqlQuery.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QUuid>

namespace {

QStringList columnsOf(const QSqlDatabase &db, const QString &table)
{
    QStringList out;
    SqlQuery q(db, QStringLiteral("PRAGMA table_info(") + table + QStringLiteral(")"));
    q.exec();
    while (q.next())
        out << q.text(1);
    return out;
}

QStringList namesOf(const QSqlDatabase &db, const QString &type)
{
    QStringList out;
    SqlQuery q(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = :t AND name NOT LIKE 'sqlite_%' "
                                  "ORDER BY name"));
    q.bind(QStringLiteral(":t"), type).exec();
    while (q.next())
        out << q.text(0);
    return out;
}

// The schema as a list of (name, sql) to compare two starts.
QStringList masterSnapshot(const QSqlDatabase &db)
{
    QStringList out;
    SqlQuery q(db, QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY type, name"));
    q.exec();
    while (q.next())
        out << q.text(0) + QLatin1Char('|') + q.text(1) + QLatin1Char('|') + q.text(2);
    return out;
}

} // namespace

class SchemaTest : public TempHomeTest
{
};

TEST_F(SchemaTest, FirstStartCreatesFoldersTablesIndexesAndSeeds)
{
    const QSqlDatabase &db = dm().UnConnection_dossier();
    for (const char *f : {"datas", "datas/releves", "datas/dossiers", "datas/commun"})
        EXPECT_TRUE(QDir(home() + QString::fromLatin1(f)).exists()) << f;
    EXPECT_TRUE(QFile::exists(home() + QStringLiteral("datas/MORVANEBANK.db")));

    const QStringList tables = namesOf(db, QStringLiteral("table"));
    const QStringList expected = {
        QStringLiteral("T_ACCOUNTS_DESACTIVES"), QStringLiteral("T_AUDIT_ECRITURES"), QStringLiteral("T_COMPTES"),
        QStringLiteral("T_CORRECTIONS_CARTES"), QStringLiteral("T_ECRITURES"), QStringLiteral("T_ENVOIS_LIENS_BRIDGE"),
        QStringLiteral("T_EXPORTS"), QStringLiteral("T_HISTORIQUE_IMPORTS"), QStringLiteral("T_IDENTIFICATION_SOCIETE"),
        QStringLiteral("T_LOG_OPERATIONS"), QStringLiteral("T_PARAMETRES_SMTP"),
        QStringLiteral("T_PROPRIETAIRES_COMPTES"), QStringLiteral("T_USERS")};
    for (const QString &t : expected)
        EXPECT_TRUE(tables.contains(t)) << t.toStdString();

    const QStringList indexes = namesOf(db, QStringLiteral("index"));
    for (const char *i : {"idx_imports_compte", "idx_imports_date", "idx_audit_compte", "idx_audit_import",
                          "idx_ecritures_compte_date", "idx_ecritures_export", "idx_exports_compte", "idx_logs_date",
                          "idx_logs_operation", "idx_accdes_iban", "idx_proprietaires_email",
                          "idx_envois_bridge_email"})
        EXPECT_TRUE(indexes.contains(QString::fromLatin1(i))) << i;
    EXPECT_EQ(namesOf(db, QStringLiteral("trigger")),
              (QStringList{QStringLiteral("trg_cartes_appliquer_modification"),
                           QStringLiteral("trg_cartes_bloquer_suppression")}));

    const QStringList ecritures = columnsOf(db, QStringLiteral("T_ECRITURES"));
    EXPECT_EQ(ecritures.size(), 35);
    EXPECT_EQ(ecritures.first(), QStringLiteral("ecriture_id"));
    EXPECT_EQ(ecritures.last(), QStringLiteral("supprimee"));
    EXPECT_EQ(columnsOf(db, QStringLiteral("T_AUDIT_ECRITURES")).size(), 29);
    EXPECT_EQ(columnsOf(db, QStringLiteral("T_PARAMETRES_SMTP")).last(), QStringLiteral("smtp_starttls"));

    SqlQuery user(db, QStringLiteral("SELECT user_login, user_nom, niveau_acces, user_droits, user_actif, "
                                     "user_creation, cv FROM T_USERS"));
    user.exec();
    ASSERT_TRUE(user.next());
    EXPECT_EQ(user.text(0), QStringLiteral("ADMIN"));
    EXPECT_EQ(user.text(1), QStringLiteral("Administrateur"));
    EXPECT_EQ(user.value(2).toInt(), 9);
    EXPECT_EQ(user.text(3), QStringLiteral("ADMIN"));
    EXPECT_EQ(user.value(4).toInt(), 1);
    EXPECT_EQ(user.text(5), QStringLiteral("SYSTEM"));
    EXPECT_FALSE(user.next());

    SqlQuery soc(db, QStringLiteral("SELECT raison_sociale, mode_recup_default, mode_persistance_default "
                                    "FROM T_IDENTIFICATION_SOCIETE"));
    soc.exec();
    ASSERT_TRUE(soc.next());
    EXPECT_TRUE(soc.value(0).isNull());
    EXPECT_EQ(soc.text(1), QStringLiteral("COMPTABLE_PERIODE"));
    EXPECT_EQ(soc.text(2), QStringLiteral("RAZ"));

    EXPECT_EQ(SqlQuery::scalar(db, QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    // A new table has solde_initial without default.
    SqlQuery::run(db, QStringLiteral("INSERT INTO T_COMPTES (iban) VALUES ('FR76X')"));
    EXPECT_TRUE(SqlQuery::scalar(db, QStringLiteral("SELECT solde_initial FROM T_COMPTES")).isNull());
}

TEST_F(SchemaTest, SecondStartOnlyRecreatesModificationTrigger)
{
    const QStringList before = masterSnapshot(dm().UnConnection_dossier());
    auto second = openAnother();
    EXPECT_EQ(masterSnapshot(second->UnConnection_dossier()), before);
    EXPECT_EQ(SqlQuery::scalar(second->UnConnection_dossier(), QStringLiteral("SELECT COUNT(*) FROM T_USERS")).toInt(), 1);
}

TEST_F(SchemaTest, OlderDatabaseGetsMissingColumnsWithDefaults)
{
    // A database of an old version: lower-case table names and columns missing.
    QDir().mkpath(home() + QStringLiteral("datas"));
    {
        const QString name = QUuid::createUuid().toString();
        {
            QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            old.setDatabaseName(home() + QStringLiteral("datas/MORVANEBANK.db"));
            ASSERT_TRUE(old.open());
            SqlQuery::run(old, QStringLiteral("CREATE TABLE t_comptes (compte_id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                              "iban TEXT(80) UNIQUE NOT NULL, nom_banque TEXT(120))"));
            SqlQuery::run(old, QStringLiteral("INSERT INTO t_comptes (iban, nom_banque) VALUES ('FR761', 'BNP')"));
            SqlQuery::run(old, QStringLiteral("CREATE TABLE T_LOG_OPERATIONS (log_id INTEGER PRIMARY KEY "
                                              "AUTOINCREMENT, date_log DATE, heure_log TIME, user_login TEXT(50), "
                                              "user_niveau INTEGER, operation TEXT(80), message TEXT)"));
            old.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    const QSqlDatabase &db = dm().UnConnection_dossier();
    const QStringList cols = columnsOf(db, QStringLiteral("T_COMPTES"));
    for (const char *c : {"dernier_solde_bridge", "dernier_solde_bridge_date", "solde_initial", "date_solde_initial",
                          "observation", "item_id_bridge", "date_fin_consentement"})
        EXPECT_TRUE(cols.contains(QString::fromLatin1(c))) << c;
    EXPECT_EQ(SqlQuery::scalar(db, QStringLiteral("SELECT solde_initial FROM T_COMPTES")).toDouble(), 0.0);
    EXPECT_FALSE(SqlQuery::scalar(db, QStringLiteral("SELECT solde_initial FROM T_COMPTES")).isNull());
    const QStringList log = columnsOf(db, QStringLiteral("T_LOG_OPERATIONS"));
    EXPECT_EQ(log.mid(log.size() - 2), (QStringList{QStringLiteral("resultat"), QStringLiteral("source")}));
    EXPECT_TRUE(dm().dossier_TableExists(QStringLiteral("T_COMPTES")));
    EXPECT_TRUE(dm().dossier_champsexists(QStringLiteral("t_comptes"), QStringLiteral(" NOM_BANQUE ")));
    EXPECT_FALSE(dm().dossier_champsexists(QStringLiteral("T_COMPTES"), QStringLiteral("absent")));
    EXPECT_THROW(dm().dossier_champsexists(QStringLiteral("T_ABSENTE"), QStringLiteral("x")), DbError);
}

TEST_F(SchemaTest, CardTriggersApplyUserCorrections)
{
    const QSqlDatabase &db = dm().UnConnection_dossier();
    SqlQuery::run(db, QStringLiteral(
        "INSERT INTO T_CORRECTIONS_CARTES (id_bridge, action) VALUES ('T1', 'SUPPRESSION')"));
    SqlQuery::run(db, QStringLiteral(
        "INSERT INTO T_CORRECTIONS_CARTES (id_bridge, action, nouvelle_date_ecriture, nouvelle_date_valeur, "
        "nouveau_libelle_original, nouveau_libelle_quelvo, nouveau_montant) VALUES ('T2', 'MODIFICATION', "
        "'2024-02-01', '2024-02-02', 'ORIGINAL CORRIGE', 'Libellé corrigé', -12.3)"));
    const QString insert = QStringLiteral(
        "INSERT OR IGNORE INTO T_ECRITURES (compte_id, import_id, id_bridge, account_type, bank_name, date_ecriture, "
        "description, amount, amount_txt) VALUES (1, 1, :id, :type, :bank, '2024-01-15', 'CARTE X', -99, '-99')");
    struct Case
    {
        const char *id;
        const char *type;
        const char *bank;
        int inserted;
    };
    for (const Case c : {Case{"T1", "Card", "BNP", 0}, Case{"T2", "checking", "BNP / carte", 1},
                         Case{"T3", "card", "BNP", 1}, Case{"T1X", "checking", "BNP", 1}}) {
        SqlQuery q(db, insert);
        q.bind(QStringLiteral(":id"), QString::fromLatin1(c.id))
            .bind(QStringLiteral(":type"), QString::fromLatin1(c.type))
            .bind(QStringLiteral(":bank"), QString::fromLatin1(c.bank))
            .exec();
        EXPECT_EQ(q.numRowsAffected(), c.inserted) << c.id;
    }
    // A deleted card line that is not a card any more (checking) is not blocked.
    SqlQuery::run(db, QStringLiteral("UPDATE T_CORRECTIONS_CARTES SET id_bridge = 'T1X' WHERE id_bridge = 'T1'"));
    SqlQuery row(db, QStringLiteral("SELECT date_ecriture, value_date, provider_description, description, amount, "
                                    "amount_txt FROM T_ECRITURES WHERE id_bridge = 'T2'"));
    row.exec();
    ASSERT_TRUE(row.next());
    EXPECT_EQ(row.text(0), QStringLiteral("2024-02-01"));
    EXPECT_EQ(row.text(1), QStringLiteral("2024-02-02"));
    EXPECT_EQ(row.text(2), QStringLiteral("ORIGINAL CORRIGE"));
    EXPECT_EQ(row.text(3), QStringLiteral("Libellé corrigé"));
    EXPECT_DOUBLE_EQ(row.value(4).toDouble(), -12.3);
    EXPECT_EQ(row.text(5), QStringLiteral("-12.30"));
    EXPECT_EQ(SqlQuery::scalar(db, QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE id_bridge = 'T1'")).toInt(), 0);
}
