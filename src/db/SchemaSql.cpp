#include "db/SchemaSql.h"

namespace SchemaSql {

namespace {

const QString kAudit = QStringLiteral(
    "date_creation DATE, heure_creation TIME, user_creation TEXT(50), "
    "date_modification DATE, heure_modification TIME, user_modification TEXT(50)");

// The 28 columns shared by the audit copy and the kept transactions, after the key.
QString transactionColumns(bool uniqueIdBridge)
{
    return QStringLiteral("compte_id INTEGER NOT NULL, import_id INTEGER NOT NULL, id_bridge TEXT(80)")
        + (uniqueIdBridge ? QStringLiteral(" UNIQUE") : QString())
        + QStringLiteral(", account_id TEXT(80), item_id TEXT(80), iban TEXT(80), bank_name TEXT(120), "
                         "account_name TEXT(120), account_type TEXT(30), date_ecriture DATE, "
                         "date_iso TEXT(30), description TEXT(255), provider_description TEXT(255), "
                         "amount REAL, amount_txt TEXT(40), currency_code TEXT(10), "
                         "operation_type TEXT(80), booking_date TEXT(30), transaction_date TEXT(30), "
                         "value_date TEXT(30), updated_at TEXT(40), deleted INTEGER, "
                         "deleted_date TEXT(40), future INTEGER, date_recup DATETIME, "
                         "date_import DATE, heure_import TIME, user_import TEXT(50)");
}

const QString kCardCondition = QStringLiteral(
    "(LOWER(COALESCE(NEW.account_type,''))='card' OR UPPER(COALESCE(NEW.bank_name,'')) LIKE '%/ CARTE%')");

} // namespace

const std::vector<TableDef> &centralTables()
{
    static const std::vector<TableDef> tables = {
        {QStringLiteral("T_USERS"),
         QStringLiteral("CREATE TABLE T_USERS (user_id INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "user_login TEXT(50) UNIQUE NOT NULL, user_nom TEXT(120), user_fonction TEXT(80), "
                        "user_email TEXT(100), cv TEXT(255), niveau_acces INTEGER DEFAULT 6, "
                        "user_droits TEXT(20), user_actif INTEGER DEFAULT 1, ")
             + kAudit + QStringLiteral(")"),
         {},
         true},
        {QStringLiteral("T_IDENTIFICATION_SOCIETE"),
         QStringLiteral(
             "CREATE TABLE T_IDENTIFICATION_SOCIETE (societe_id INTEGER PRIMARY KEY AUTOINCREMENT, "
             "raison_sociale TEXT(200), forme_juridique TEXT(50), siret TEXT(20), siren TEXT(20), "
             "numero_tva TEXT(30), rcs TEXT(50), capital_social REAL, adresse TEXT(255), "
             "code_postal TEXT(20), ville TEXT(100), pays TEXT(50), telephone TEXT(30), email TEXT(100), "
             "site_web TEXT(150), contact_nom TEXT(120), contact_telephone TEXT(30), "
             "contact_email TEXT(100), repertoire_export TEXT(255), code_securite_console TEXT(8), "
             "bridge_user TEXT(80), bridge_external_user_id TEXT(80), chemin_compta TEXT(255), "
             "chemin_relscan TEXT(255), nom_dossier_relscan TEXT(100), numero_dossier_dalmire TEXT(30), "
             "mode_recup_default TEXT(30), mode_persistance_default TEXT(30), "
             "divers_text_1 TEXT(255), divers_text_2 TEXT(255), divers_text_3 TEXT(255), "
             "divers_text_4 TEXT(255), divers_text_5 TEXT(255), divers_num_1 REAL, divers_num_2 REAL, "
             "divers_num_3 REAL, divers_date_1 DATE, divers_date_2 DATE, "
             "derniere_sync_nb INTEGER DEFAULT 0, derniere_sync_date TEXT(40), ")
             + kAudit + QStringLiteral(")"),
         {},
         true},
        {QStringLiteral("T_COMPTES"),
         QStringLiteral(
             "CREATE TABLE T_COMPTES (compte_id INTEGER PRIMARY KEY AUTOINCREMENT, societe_id INTEGER, "
             "iban TEXT(80) UNIQUE NOT NULL, account_id_bridge TEXT(80), item_id_bridge TEXT(80), "
             "date_fin_consentement DATE, type_compte TEXT(30), nom_banque TEXT(120), code_banque TEXT(10), "
             "client_raison_sociale TEXT(200), client_adresse TEXT(255), client_code_postal TEXT(20), "
             "client_ville TEXT(100), client_telephone TEXT(30), client_email TEXT(100), "
             "banque_contact_nom TEXT(120), banque_contact_adresse TEXT(255), "
             "banque_contact_telephone TEXT(30), banque_contact_email TEXT(100), chemin_compta TEXT(255), "
             "chemin_relscan TEXT(255), nom_dossier_relscan TEXT(100), numero_dossier_dalmire TEXT(30), "
             "compte_comptable TEXT(14), id_journal TEXT(14), dernier_updated_at TEXT(40), "
             "dernier_solde_bridge REAL, dernier_solde_bridge_date TEXT(40), solde_initial REAL, "
             "observation TEXT(255), date_solde_initial DATE, ")
             + kAudit + QStringLiteral(")"),
         {}},
        {QStringLiteral("T_HISTORIQUE_IMPORTS"),
         QStringLiteral(
             "CREATE TABLE T_HISTORIQUE_IMPORTS (import_id INTEGER PRIMARY KEY AUTOINCREMENT, "
             "compte_id INTEGER NOT NULL, iban TEXT(80) NOT NULL, account_id TEXT(80), date_import DATE, "
             "heure_import TIME, user_import TEXT(50), date_debut_couverture DATE, "
             "date_fin_couverture DATE, nb_ecritures_brutes INTEGER, nb_ecritures_inserees INTEGER, "
             "nb_ecritures_doublons INTEGER, total_debit REAL, total_credit REAL, mode_recup TEXT(20), "
             "since_utilise TEXT(40), updated_at_max_recu TEXT(40))"),
         {QStringLiteral("CREATE INDEX idx_imports_compte ON T_HISTORIQUE_IMPORTS (compte_id)"),
          QStringLiteral("CREATE INDEX idx_imports_date ON T_HISTORIQUE_IMPORTS (date_import)")}},
        {QStringLiteral("T_AUDIT_ECRITURES"),
         QStringLiteral("CREATE TABLE T_AUDIT_ECRITURES (audit_id INTEGER PRIMARY KEY AUTOINCREMENT, ")
             + transactionColumns(false) + QStringLiteral(")"),
         {QStringLiteral("CREATE INDEX idx_audit_compte ON T_AUDIT_ECRITURES (compte_id)"),
          QStringLiteral("CREATE INDEX idx_audit_import ON T_AUDIT_ECRITURES (import_id)")}},
        {QStringLiteral("T_ECRITURES"),
         QStringLiteral("CREATE TABLE T_ECRITURES (ecriture_id INTEGER PRIMARY KEY AUTOINCREMENT, ")
             + transactionColumns(true)
             + QStringLiteral(", date_export DATE, heure_export TIME, user_export TEXT(50), "
                              "format_dernier_export TEXT(20), nb_exports INTEGER DEFAULT 0)"),
         {QStringLiteral("CREATE INDEX idx_ecritures_compte_date ON T_ECRITURES (compte_id, date_ecriture)"),
          QStringLiteral("CREATE INDEX idx_ecritures_export ON T_ECRITURES (date_export)")}},
        {QStringLiteral("T_EXPORTS"),
         QStringLiteral(
             "CREATE TABLE T_EXPORTS (export_id INTEGER PRIMARY KEY AUTOINCREMENT, compte_id INTEGER, "
             "date_export DATE, heure_export TIME, user_export TEXT(50), format_export TEXT(20), "
             "iban TEXT(80), date_debut_export DATE, date_fin_export DATE, "
             "nb_ecritures_exportees INTEGER, total_debit_exporte REAL, total_credit_exporte REAL, "
             "fichier_genere TEXT(255), type_export TEXT(20) DEFAULT 'EXPORT')"),
         {QStringLiteral("CREATE INDEX idx_exports_compte ON T_EXPORTS (compte_id)")}},
        {QStringLiteral("T_LOG_OPERATIONS"),
         QStringLiteral(
             "CREATE TABLE T_LOG_OPERATIONS (log_id INTEGER PRIMARY KEY AUTOINCREMENT, date_log DATE, "
             "heure_log TIME, user_login TEXT(50), user_niveau INTEGER, operation TEXT(80), message TEXT, "
             "resultat TEXT(255), source TEXT(80))"),
         {QStringLiteral("CREATE INDEX idx_logs_date ON T_LOG_OPERATIONS (date_log, heure_log)"),
          QStringLiteral("CREATE INDEX idx_logs_operation ON T_LOG_OPERATIONS (operation)")}},
        {QStringLiteral("T_ACCOUNTS_DESACTIVES"),
         QStringLiteral(
             "CREATE TABLE T_ACCOUNTS_DESACTIVES (account_id TEXT(80) PRIMARY KEY, iban TEXT(80), "
             "item_id TEXT(80), garde_account_id TEXT(80), date_desactivation TEXT(40), motif TEXT(255), "
             "nb_ecritures_purgees INTEGER DEFAULT 0)"),
         {QStringLiteral("CREATE INDEX idx_accdes_iban ON T_ACCOUNTS_DESACTIVES (iban)")}},
    };
    return tables;
}

const std::vector<Migration> &columnMigrations()
{
    static const std::vector<Migration> migrations = {
        {QStringLiteral("T_COMPTES"), QStringLiteral("dernier_solde_bridge"), QStringLiteral("dernier_solde_bridge REAL")},
        {QStringLiteral("T_COMPTES"), QStringLiteral("dernier_solde_bridge_date"), QStringLiteral("dernier_solde_bridge_date TEXT(40)")},
        {QStringLiteral("T_ECRITURES"), QStringLiteral("supprimee"), QStringLiteral("supprimee INTEGER DEFAULT 0")},
        {QStringLiteral("T_ECRITURES"), QStringLiteral("deleted_date"), QStringLiteral("deleted_date TEXT(40)")},
        {QStringLiteral("T_AUDIT_ECRITURES"), QStringLiteral("deleted_date"), QStringLiteral("deleted_date TEXT(40)")},
        {QStringLiteral("T_EXPORTS"), QStringLiteral("type_export"), QStringLiteral("type_export TEXT(20) DEFAULT 'EXPORT'")},
        {QStringLiteral("T_LOG_OPERATIONS"), QStringLiteral("resultat"), QStringLiteral("resultat TEXT(255)")},
        {QStringLiteral("T_LOG_OPERATIONS"), QStringLiteral("source"), QStringLiteral("source TEXT(80)")},
        {QStringLiteral("T_COMPTES"), QStringLiteral("solde_initial"), QStringLiteral("solde_initial REAL DEFAULT 0")},
        {QStringLiteral("T_COMPTES"), QStringLiteral("date_solde_initial"), QStringLiteral("date_solde_initial DATE")},
        {QStringLiteral("T_COMPTES"), QStringLiteral("observation"), QStringLiteral("observation TEXT(255)")},
        {QStringLiteral("T_IDENTIFICATION_SOCIETE"), QStringLiteral("siren"), QStringLiteral("siren TEXT(20)")},
        {QStringLiteral("T_IDENTIFICATION_SOCIETE"), QStringLiteral("derniere_sync_nb"), QStringLiteral("derniere_sync_nb INTEGER DEFAULT 0")},
        {QStringLiteral("T_IDENTIFICATION_SOCIETE"), QStringLiteral("derniere_sync_date"), QStringLiteral("derniere_sync_date TEXT(40)")},
        {QStringLiteral("T_IDENTIFICATION_SOCIETE"), QStringLiteral("repertoire_export"), QStringLiteral("repertoire_export TEXT(255)")},
        {QStringLiteral("T_IDENTIFICATION_SOCIETE"), QStringLiteral("code_securite_console"), QStringLiteral("code_securite_console TEXT(8)")},
        {QStringLiteral("T_COMPTES"), QStringLiteral("item_id_bridge"), QStringLiteral("item_id_bridge TEXT(80)")},
        {QStringLiteral("T_COMPTES"), QStringLiteral("date_fin_consentement"), QStringLiteral("date_fin_consentement DATE")},
    };
    return migrations;
}

QString createSmtpTable()
{
    return QStringLiteral(
        "CREATE TABLE T_PARAMETRES_SMTP (id INTEGER PRIMARY KEY AUTOINCREMENT, smtp_host TEXT(120), "
        "smtp_port INTEGER DEFAULT 465, smtp_ssl INTEGER DEFAULT 1, smtp_user TEXT(120), "
        "smtp_password_crypte TEXT(255), expediteur_email TEXT(120), expediteur_nom TEXT(120), "
        "signature TEXT)");
}

QString createProprietairesTable()
{
    return QStringLiteral(
               "CREATE TABLE T_PROPRIETAIRES_COMPTES (proprietaire_id INTEGER PRIMARY KEY AUTOINCREMENT, "
               "nom TEXT(200) NOT NULL, email TEXT(120) NOT NULL, telephone TEXT(50), "
               "observation TEXT(255), actif INTEGER DEFAULT 1, ")
        + kAudit + QStringLiteral(")");
}

QString createProprietairesIndex()
{
    return QStringLiteral(
        "CREATE UNIQUE INDEX IF NOT EXISTS idx_proprietaires_email ON T_PROPRIETAIRES_COMPTES (email)");
}

QString createEnvoisLiensTable()
{
    return QStringLiteral(
        "CREATE TABLE T_ENVOIS_LIENS_BRIDGE (envoi_id INTEGER PRIMARY KEY AUTOINCREMENT, "
        "proprietaire_id INTEGER, nom TEXT(200), email TEXT(120), lien_bridge TEXT, json_reponse TEXT, "
        "date_envoi DATE, heure_envoi TIME, resultat TEXT(30), message TEXT)");
}

QString createEnvoisLiensIndex()
{
    return QStringLiteral(
        "CREATE INDEX IF NOT EXISTS idx_envois_bridge_email ON T_ENVOIS_LIENS_BRIDGE (email, date_envoi)");
}

QString createCorrectionsCartesTable()
{
    return QStringLiteral(
        "CREATE TABLE T_CORRECTIONS_CARTES (id_bridge TEXT(80) PRIMARY KEY, action TEXT(20) NOT NULL, "
        "ecriture_id_origine INTEGER, ancienne_date_ecriture TEXT(20), nouvelle_date_ecriture TEXT(20), "
        "ancienne_date_valeur TEXT(30), nouvelle_date_valeur TEXT(30), ancien_libelle_original TEXT(255), "
        "nouveau_libelle_original TEXT(255), ancien_libelle_quelvo TEXT(255), "
        "nouveau_libelle_quelvo TEXT(255), ancien_montant REAL, nouveau_montant REAL, "
        "date_correction DATE, heure_correction TIME, user_correction TEXT(50))");
}

QString createTriggerBloquerSuppression()
{
    return QStringLiteral("CREATE TRIGGER IF NOT EXISTS trg_cartes_bloquer_suppression "
                          "BEFORE INSERT ON T_ECRITURES FOR EACH ROW WHEN ")
        + kCardCondition
        + QStringLiteral(" AND EXISTS (SELECT 1 FROM T_CORRECTIONS_CARTES c WHERE c.id_bridge = NEW.id_bridge "
                         "AND c.action = 'SUPPRESSION') BEGIN SELECT RAISE(IGNORE); END");
}

QString createTriggerAppliquerModification()
{
    const QString corr = QStringLiteral(" FROM T_CORRECTIONS_CARTES c WHERE c.id_bridge = NEW.id_bridge "
                                        "AND c.action = 'MODIFICATION')");
    return QStringLiteral("CREATE TRIGGER trg_cartes_appliquer_modification "
                          "AFTER INSERT ON T_ECRITURES FOR EACH ROW WHEN ")
        + kCardCondition + QStringLiteral(" AND EXISTS (SELECT 1") + corr
        + QStringLiteral(" BEGIN UPDATE T_ECRITURES SET "
                         "date_ecriture = (SELECT c.nouvelle_date_ecriture") + corr
        + QStringLiteral(", value_date = (SELECT c.nouvelle_date_valeur") + corr
        + QStringLiteral(", provider_description = (SELECT c.nouveau_libelle_original") + corr
        + QStringLiteral(", description = (SELECT c.nouveau_libelle_quelvo") + corr
        + QStringLiteral(", amount = (SELECT c.nouveau_montant") + corr
        + QStringLiteral(", amount_txt = (SELECT printf('%.2f', c.nouveau_montant)") + corr
        + QStringLiteral(" WHERE ecriture_id = NEW.ecriture_id; END");
}

QStringList engineIndexes()
{
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS idx_ecritures_iban_updated ON T_ECRITURES (iban, updated_at)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS idx_ecritures_account ON T_ECRITURES (account_id)")};
}

} // namespace SchemaSql
