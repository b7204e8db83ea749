#pragma once

#include "app/Configuration.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>

class Clock;
class UserDialogs;
struct BridgeState;
struct SyncState;
struct ExportState;

// The central data module: created once before any window, it owns the single
// SQLite connection, the session context and the in-memory tables of the Bridge
// client, the synchronisation and the exports. Field names follow the
// documented context so every subsystem reads the same words.
class DataModule final
{
public:
    explicit DataModule(const Configuration &config, const Clock *clock = nullptr);
    ~DataModule();
    DataModule(const DataModule &) = delete;
    DataModule &operator=(const DataModule &) = delete;

    // Runs the documented creation order (paths and folders, schema, current user,
    // company, start log entry). Returns the database error text when the schema
    // step failed (start-up goes on), empty otherwise.
    QString DataModuleCreate();

    // --- paths (each ends with '/') ---
    QString chemin_prog;
    QString chemin_data;
    QString chemin_releve;
    QString chemin_dossiers;
    QString chemin_commun;
    QString chemin_sql;
    QString nom_dossier = QStringLiteral("MORVANEBANK.db");
    QString separation_string = QStringLiteral("'");
    QString databasePath() const { return chemin_data + nom_dossier; }

    // --- session context ---
    int user_courant_id = 0;
    QString user_courant_login;
    QString user_courant_nom;
    int user_courant_niveau = 0;
    QString user_courant_droits;
    int societe_courante_id = 0;
    QString societe_courante_raison;
    QString utilisateur_token_soc;
    QString mode_persistance = QStringLiteral("INCREMENTAL");
    QString bridge_token;
    QDateTime bridge_token_expire_at;
    int FTotalNouvellesEcritures = 0;
    QDateTime FDateDerniereSync;
    QDateTime FDateRecupSessionCourante;
    std::function<void(const QString &)> FOnSyncProgress;

    // --- connection ---
    const QSqlDatabase &UnConnection_dossier() const { return m_db; }
    bool connectionOpen() const { return m_db.isOpen(); }

    // --- schema utilities (database errors propagate as DbError) ---
    void CreerTablesSiInexistantes();
    bool dossier_execsql(const QString &xstsql, const QString &xstsql1 = {},
                         const QString &xstsql2 = {});
    bool dossier_TableExists(const QString &ATableName);
    bool dossier_champsexists(const QString &ATableName, const QString &Afieldname);

    // --- log and context ---
    void LogOperation(const QString &AOperation, const QString &AMessage,
                      const QString &AResultat = {}, const QString &ASource = {}) noexcept;
    QString GetCurrentUserName() const { return m_config.systemUserName; }
    void ChargerUserCourant();
    void ChargerSocieteCourante();
    bool UserPeutImporter() const { return user_courant_niveau >= 8; }
    bool UserPeutExporter() const { return user_courant_niveau >= 7; }
    bool UserPeutConsulter() const { return user_courant_niveau >= 6; }
    // Forwards a step description to the progress callback, when one is set.
    void NotifierProgression(const QString &AEtape) const;

    // --- services of the process ---
    const Configuration &config() const { return m_config; }
    const Clock &clock() const { return *m_clock; }
    QDateTime now() const;
    UserDialogs &dialogs() const { return *m_dialogs; }
    void setDialogs(UserDialogs *dialogs); // not owned; nullptr restores the silent one
    // Called during long work (HTTP transfers, between synchronisation steps) so a
    // window can repaint; does nothing in command modes.
    void setIdleHook(std::function<void()> hook) { m_idleHook = std::move(hook); }
    void idle() const
    {
        if (m_idleHook)
            m_idleHook();
    }

    BridgeState &bridge() { return *m_bridge; }
    SyncState &sync() { return *m_sync; }
    ExportState &exports() { return *m_exports; }

private:
    void CalculerChemins();
    void OuvrirConnexion();

    Configuration m_config;
    std::unique_ptr<Clock> m_ownClock;
    const Clock *m_clock = nullptr;
    std::unique_ptr<UserDialogs> m_silentDialogs;
    UserDialogs *m_dialogs = nullptr;
    std::function<void()> m_idleHook;
    QString m_connectionName;
    QSqlDatabase m_db;
    std::unique_ptr<BridgeState> m_bridge;
    std::unique_ptr<SyncState> m_sync;
    std::unique_ptr<ExportState> m_exports;
};
