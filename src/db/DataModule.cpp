#include "db/DataModule.h"

#include "bridge/BridgeState.h"
#include "common/Clock.h"
#include "common/UserDialogs.h"
#include "db/DbError.h"
#include "db/SchemaSql.h"
#include "db/SqlQuery.h"
#include "export/ExportState.h"
#include "sync/SyncState.h"

#include <QDir>
#include <QSqlError>
#include <QSqlRecord>
#include <QUuid>

namespace {

QString childFolder(const QString &parent, const QString &name)
{
    return parent + name + QLatin1Char('/');
}

} // namespace

DataModule::DataModule(const Configuration &config, const Clock *clock)
    : m_config(config),
      m_silentDialogs(std::make_unique<SilentUserDialogs>()),
      m_bridge(std::make_unique<BridgeState>()),
      m_sync(std::make_unique<SyncState>()),
      m_exports(std::make_unique<ExportState>())
{
    if (clock) {
        m_clock = clock;
    } else {
        m_ownClock = std::make_unique<SystemClock>();
        m_clock = m_ownClock.get();
    }
    m_dialogs = m_silentDialogs.get();
    // Several data modules may live in one test process: each gets its own connection.
    m_connectionName = QStringLiteral("UnConnection_dossier_")
        + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

DataModule::~DataModule()
{
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

QDateTime DataModule::now() const
{
    return m_clock->now();
}

void DataModule::setDialogs(UserDialogs *dialogs)
{
    m_dialogs = dialogs ? dialogs : m_silentDialogs.get();
}

void DataModule::NotifierProgression(const QString &AEtape) const
{
    if (FOnSyncProgress)
        FOnSyncProgress(AEtape);
}

QString DataModule::DataModuleCreate()
{
    user_courant_id = 0;
    user_courant_login.clear();
    user_courant_nom.clear();
    user_courant_niveau = 0;
    user_courant_droits.clear();
    societe_courante_id = 0;
    societe_courante_raison.clear();
    utilisateur_token_soc.clear();
    mode_persistance = QStringLiteral("INCREMENTAL");
    bridge_token.clear();
    bridge_token_expire_at = QDateTime();
    FTotalNouvellesEcritures = 0;
    FDateDerniereSync = QDateTime();
    FDateRecupSessionCourante = QDateTime();
    separation_string = QStringLiteral("'");
    nom_dossier = QStringLiteral("MORVANEBANK.db");

    CalculerChemins();
    try {
        CreerTablesSiInexistantes();
        ChargerUserCourant();
        ChargerSocieteCourante();
        LogOperation(QStringLiteral("PROGRAMME"), QStringLiteral("Entrée dans le programme"),
                     QStringLiteral("OK"), QStringLiteral("Application"));
    } catch (const DbError &e) {
        return e.message();
    }
    return {};
}

void DataModule::CalculerChemins()
{
    chemin_prog = m_config.programDir;
    if (!chemin_prog.endsWith(QLatin1Char('/')))
        chemin_prog += QLatin1Char('/');
    chemin_data = childFolder(chemin_prog, QStringLiteral("datas"));
    chemin_releve = childFolder(chemin_data, QStringLiteral("releves"));
    chemin_dossiers = childFolder(chemin_data, QStringLiteral("dossiers"));
    chemin_commun = childFolder(chemin_data, QStringLiteral("commun"));
    chemin_sql = childFolder(chemin_prog, QStringLiteral("sql"));
    for (const QString &folder : {chemin_data, chemin_releve, chemin_dossiers, chemin_commun})
        QDir().mkpath(folder);
}

void DataModule::OuvrirConnexion()
{
    if (m_db.isValid() && m_db.isOpen())
        m_db.close();
    if (!m_db.isValid())
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(databasePath());
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open())
        throw DbError(QStringLiteral("Erreur base de données : ouverture de ") + databasePath()
                      + QStringLiteral(" impossible : ") + m_db.lastError().text());
}

void DataModule::CreerTablesSiInexistantes()
{
    OuvrirConnexion();
    SqlQuery::scalar(m_db, QStringLiteral("PRAGMA journal_mode = WAL"));
    SqlQuery::run(m_db, QStringLiteral("PRAGMA synchronous = NORMAL"));
    SqlQuery::scalar(m_db, QStringLiteral("PRAGMA busy_timeout = 5000"));

    const QString nowDate = now().date().toString(QStringLiteral("yyyy-MM-dd"));
    const QString nowTime = now().time().toString(QStringLiteral("HH:mm:ss"));
    for (const SchemaSql::TableDef &table : SchemaSql::centralTables()) {
        if (dossier_TableExists(table.name))
            continue;
        dossier_execsql(table.create);
        for (const QString &index : table.indexes)
            dossier_execsql(index);
        if (!table.seed)
            continue;
        const QString sql = table.name == QLatin1String("T_USERS")
            ? QStringLiteral("INSERT INTO T_USERS (user_login, user_nom, cv, niveau_acces, user_droits, "
                             "user_actif, date_creation, heure_creation, user_creation) VALUES "
                             "('ADMIN', 'Administrateur', '', 9, 'ADMIN', 1, :d, :h, 'SYSTEM')")
            : QStringLiteral("INSERT INTO T_IDENTIFICATION_SOCIETE (raison_sociale, mode_recup_default, "
                             "mode_persistance_default, date_creation, heure_creation, user_creation) "
                             "VALUES (NULL, 'COMPTABLE_PERIODE', 'RAZ', :d, :h, 'SYSTEM')");
        SqlQuery(m_db, sql).bind(QStringLiteral(":d"), nowDate).bind(QStringLiteral(":h"), nowTime).exec();
    }

    for (const SchemaSql::Migration &m : SchemaSql::columnMigrations()) {
        if (!dossier_TableExists(m.table))
            continue; // only the log table is documented as optional; the others always exist here
        if (!dossier_champsexists(m.table, m.column))
            dossier_execsql(QStringLiteral("ALTER TABLE ") + m.table + QStringLiteral(" ADD COLUMN ")
                            + m.definition);
    }

    if (!dossier_TableExists(QStringLiteral("T_PARAMETRES_SMTP")))
        dossier_execsql(SchemaSql::createSmtpTable());
    if (!dossier_champsexists(QStringLiteral("T_PARAMETRES_SMTP"), QStringLiteral("smtp_starttls")))
        dossier_execsql(QStringLiteral("ALTER TABLE T_PARAMETRES_SMTP ADD COLUMN smtp_starttls INTEGER DEFAULT 0"));
    if (!dossier_TableExists(QStringLiteral("T_PROPRIETAIRES_COMPTES"))) {
        dossier_execsql(SchemaSql::createProprietairesTable());
        dossier_execsql(SchemaSql::createProprietairesIndex());
    }
    if (!dossier_TableExists(QStringLiteral("T_ENVOIS_LIENS_BRIDGE"))) {
        dossier_execsql(SchemaSql::createEnvoisLiensTable());
        dossier_execsql(SchemaSql::createEnvoisLiensIndex());
    }
    if (!dossier_TableExists(QStringLiteral("T_CORRECTIONS_CARTES")))
        dossier_execsql(SchemaSql::createCorrectionsCartesTable());

    dossier_execsql(SchemaSql::createTriggerBloquerSuppression());
    dossier_execsql(QStringLiteral("DROP TRIGGER IF EXISTS trg_cartes_appliquer_modification"));
    dossier_execsql(SchemaSql::createTriggerAppliquerModification());

    for (const QString &index : SchemaSql::engineIndexes())
        dossier_execsql(index);
}

bool DataModule::dossier_execsql(const QString &xstsql, const QString &xstsql1, const QString &xstsql2)
{
    QString sql = xstsql;
    if (!xstsql1.isEmpty())
        sql += QLatin1Char('\n') + xstsql1;
    if (!xstsql2.isEmpty())
        sql += QLatin1Char('\n') + xstsql2;
    SqlQuery::run(m_db, sql);
    return true;
}

bool DataModule::dossier_TableExists(const QString &ATableName)
{
    SqlQuery query(m_db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                        "AND UPPER(name) = :n"));
    query.bind(QStringLiteral(":n"), ATableName.toUpper()).exec();
    return query.next();
}

bool DataModule::dossier_champsexists(const QString &ATableName, const QString &Afieldname)
{
    SqlQuery query(m_db, QStringLiteral("SELECT * FROM ") + ATableName.toUpper() + QStringLiteral(" LIMIT 0"));
    query.exec();
    const QSqlRecord record = query.raw().record();
    const QString wanted = Afieldname.trimmed();
    for (int i = 0; i < record.count(); ++i) {
        if (record.fieldName(i).trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void DataModule::LogOperation(const QString &AOperation, const QString &AMessage,
                              const QString &AResultat, const QString &ASource) noexcept
{
    if (!m_db.isValid() || !m_db.isOpen())
        return;
    try {
        QString operation = AOperation.trimmed().left(80);
        if (operation.isEmpty())
            operation = QStringLiteral("INFO");
        QString source = ASource.left(80);
        if (source.isEmpty())
            source = QStringLiteral("QUELVO");
        const QString user = user_courant_login.trimmed().isEmpty() ? GetCurrentUserName()
                                                                      : user_courant_login;
        const QDateTime stamp = now();
        SqlQuery query(m_db, QStringLiteral(
                                 "INSERT INTO T_LOG_OPERATIONS (date_log, heure_log, user_login, user_niveau, "
                                 "operation, message, resultat, source) VALUES (:d, :h, :u, :n, :op, :msg, "
                                 ":res, :src)"));
        query.bind(QStringLiteral(":d"), stamp.date().toString(QStringLiteral("yyyy-MM-dd")))
            .bind(QStringLiteral(":h"), stamp.time().toString(QStringLiteral("HH:mm:ss")))
            .bind(QStringLiteral(":u"), user)
            .bind(QStringLiteral(":n"), user_courant_niveau)
            .bind(QStringLiteral(":op"), operation)
            .bind(QStringLiteral(":msg"), AMessage.left(4000))
            .bind(QStringLiteral(":res"), AResultat.left(255))
            .bind(QStringLiteral(":src"), source)
            .exec();
    } catch (...) {
        // A log entry that cannot be written is lost silently, by design.
    }
}

void DataModule::ChargerUserCourant()
{
    user_courant_id = 0;
    user_courant_login = QStringLiteral("INCONNU");
    user_courant_nom = QStringLiteral("INCONNU");
    user_courant_niveau = 0;
    user_courant_droits.clear();
    SqlQuery query(m_db, QStringLiteral("SELECT user_id, user_login, user_nom, niveau_acces, user_droits "
                                        "FROM T_USERS WHERE user_actif = 1 ORDER BY user_id LIMIT 1"));
    query.exec();
    if (query.next()) {
        user_courant_id = query.value(0).toInt();
        user_courant_login = query.text(1);
        user_courant_nom = query.text(2);
        user_courant_niveau = query.value(3).toInt();
        user_courant_droits = query.text(4);
    }
}

void DataModule::ChargerSocieteCourante()
{
    societe_courante_id = 0;
    societe_courante_raison.clear();
    utilisateur_token_soc.clear();
    mode_persistance = QStringLiteral("RAZ");
    SqlQuery query(m_db, QStringLiteral("SELECT societe_id, raison_sociale, bridge_external_user_id, "
                                        "mode_persistance_default FROM T_IDENTIFICATION_SOCIETE "
                                        "ORDER BY societe_id LIMIT 1"));
    query.exec();
    if (query.next()) {
        societe_courante_id = query.value(0).toInt();
        societe_courante_raison = query.text(1);
        utilisateur_token_soc = query.text(2);
        if (!query.value(3).isNull())
            mode_persistance = query.text(3);
    }
}
