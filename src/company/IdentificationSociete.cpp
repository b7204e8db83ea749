#include "company/IdentificationSociete.h"

#include "common/FrenchFormat.h"
#include "common/UserDialogs.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"

#include <QUuid>

#include <array>

namespace {

const QString kNonConnectee = QStringLiteral("Base SQLite non connectee");

const QString kCreateTable = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS T_IDENTIFICATION_SOCIETE (societe_id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "raison_sociale TEXT(200), forme_juridique TEXT(50), siret TEXT(20), siren TEXT(20), numero_tva TEXT(30), "
    "rcs TEXT(50), capital_social REAL, adresse TEXT(255), code_postal TEXT(20), ville TEXT(100), pays TEXT(50), "
    "telephone TEXT(30), email TEXT(100), site_web TEXT(150), contact_nom TEXT(120), contact_telephone TEXT(30), "
    "contact_email TEXT(100), repertoire_export TEXT(255), code_securite_console TEXT(8), bridge_user TEXT(80), "
    "bridge_external_user_id TEXT(80), mode_recup_default TEXT(30), mode_persistance_default TEXT(30), "
    "date_creation DATE, heure_creation TIME, user_creation TEXT(50), date_modification DATE, "
    "heure_modification TIME, user_modification TEXT(50))");

struct Colonne
{
    const char *name;
    const char *definition;
};

constexpr std::array<Colonne, 22> kColonnes = {{
    {"raison_sociale", "TEXT(200)"},       {"siret", "TEXT(20)"},
    {"siren", "TEXT(20)"},                 {"adresse", "TEXT(255)"},
    {"code_postal", "TEXT(20)"},           {"ville", "TEXT(100)"},
    {"telephone", "TEXT(30)"},             {"email", "TEXT(100)"},
    {"contact_nom", "TEXT(120)"},          {"contact_email", "TEXT(100)"},
    {"repertoire_export", "TEXT(255)"},    {"code_securite_console", "TEXT(8)"},
    {"bridge_user", "TEXT(80)"},           {"bridge_external_user_id", "TEXT(80)"},
    {"mode_recup_default", "TEXT(30)"},    {"mode_persistance_default", "TEXT(30)"},
    {"date_creation", "DATE"},             {"heure_creation", "TIME"},
    {"user_creation", "TEXT(50)"},         {"date_modification", "DATE"},
    {"heure_modification", "TIME"},        {"user_modification", "TEXT(50)"},
}};

const QString kPremiereLigne =
    QStringLiteral("(SELECT societe_id FROM T_IDENTIFICATION_SOCIETE ORDER BY societe_id LIMIT 1)");

bool estAlphanumeriqueMajuscule(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

int nombreDeLignes(DataModule &dm)
{
    return SqlQuery::scalar(dm.UnConnection_dossier(),
                            QStringLiteral("SELECT COUNT(*) AS n FROM T_IDENTIFICATION_SOCIETE"))
        .toInt();
}

// One column of the first company row; empty when there is no row.
QString lirePremiereLigne(DataModule &dm, const QString &column)
{
    return SqlQuery::scalar(dm.UnConnection_dossier(),
                            QStringLiteral("SELECT ") + column
                                + QStringLiteral(" FROM T_IDENTIFICATION_SOCIETE ORDER BY societe_id LIMIT 1"))
        .toString();
}

// The shared pattern of the three reading operations.
bool lireValeur(DataModule &dm, const QString &column, QString (*normaliser)(const QString &),
                bool (*valide)(const QString &), const QString &messageInvalide, QString &valeur, QString &erreur)
{
    valeur.clear();
    erreur.clear();
    if (!dm.connectionOpen()) {
        erreur = kNonConnectee;
        return false;
    }
    try {
        IdentificationSociete::EnsureTable(dm);
        const QString lu = normaliser(lirePremiereLigne(dm, column));
        if (!valide(lu)) {
            erreur = messageInvalide;
            return false;
        }
        valeur = lu;
        return true;
    } catch (const DbError &e) {
        erreur = e.message();
        return false;
    }
}

QString trimmed(const QString &text)
{
    return text.trimmed();
}

} // namespace

QString IdentificationSociete::NomFenetre()
{
    return QStringLiteral("TIdentificationSociete");
}

void IdentificationSociete::EnsureTable(DataModule &AConnection)
{
    if (!AConnection.connectionOpen())
        return;
    SqlQuery::run(AConnection.UnConnection_dossier(), kCreateTable);
    for (const Colonne &colonne : kColonnes) {
        const QString name = QString::fromLatin1(colonne.name);
        if (!ColumnExists(AConnection, QStringLiteral("T_IDENTIFICATION_SOCIETE"), name))
            SqlQuery::run(AConnection.UnConnection_dossier(),
                          QStringLiteral("ALTER TABLE T_IDENTIFICATION_SOCIETE ADD COLUMN ") + name + QLatin1Char(' ')
                              + QString::fromLatin1(colonne.definition));
    }
}

bool IdentificationSociete::ColumnExists(DataModule &AConnection, const QString &ATableName,
                                         const QString &AColumnName)
{
    SqlQuery query(AConnection.UnConnection_dossier(), QStringLiteral("PRAGMA table_info(") + ATableName + QLatin1Char(')'));
    query.exec();
    while (query.next()) {
        if (query.text(QStringLiteral("name")).compare(AColumnName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool IdentificationSociete::RaisonSocialeValide(const QString &ARaisonSociale)
{
    const QString nom = ARaisonSociale.trimmed();
    return !nom.isEmpty() && nom.compare(QLatin1String("A renseigner"), Qt::CaseInsensitive) != 0
        && nom.compare(QLatin1String("A renseigner."), Qt::CaseInsensitive) != 0;
}

bool IdentificationSociete::EmailValide(const QString &AEmail)
{
    const QString s = AEmail.trimmed();
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c.isSpace())
            return false;
    }
    const qsizetype at = s.indexOf(QLatin1Char('@'));
    const qsizetype dot = s.lastIndexOf(QLatin1Char('.'));
    return at >= 1 && s.indexOf(QLatin1Char('@'), at + 1) < 0 && dot > at + 1 && dot < s.size() - 1;
}

QString IdentificationSociete::NormaliserCodeSecuriteConsole(const QString &ACode)
{
    return ACode.trimmed().toUpper();
}

bool IdentificationSociete::CodeSecuriteConsoleValide(const QString &ACode)
{
    const QString code = NormaliserCodeSecuriteConsole(ACode);
    if (code.size() != 8)
        return false;
    for (QChar c : code) {
        if (!estAlphanumeriqueMajuscule(c))
            return false;
    }
    return true;
}

QString IdentificationSociete::GenererCodeSecuriteConsole()
{
    const QUuid uuid = QUuid::createUuid();
    if (uuid.isNull())
        return {};
    QString code;
    for (QChar c : uuid.toString().toUpper()) {
        if (code.size() == 8)
            break;
        if (estAlphanumeriqueMajuscule(c))
            code += c;
    }
    return code;
}

bool IdentificationSociete::LireRaisonSociale(DataModule &AConnection, QString &ARaisonSociale, QString &AErreur)
{
    return lireValeur(AConnection, QStringLiteral("raison_sociale"), trimmed, RaisonSocialeValide,
                      QStringLiteral("Raison sociale de la societe emettrice non renseignee"), ARaisonSociale, AErreur);
}

bool IdentificationSociete::LireEmailRapport(DataModule &AConnection, QString &AEmail, QString &AErreur)
{
    return lireValeur(AConnection, QStringLiteral("email"), trimmed, EmailValide,
                      QStringLiteral("Email des rapports de synchronisation absent ou invalide"), AEmail, AErreur);
}

bool IdentificationSociete::LireCodeSecuriteConsole(DataModule &AConnection, QString &ACode, QString &AErreur)
{
    return lireValeur(AConnection, QStringLiteral("code_securite_console"), NormaliserCodeSecuriteConsole,
                      CodeSecuriteConsoleValide, QStringLiteral("Code de securite console absent ou invalide"), ACode,
                      AErreur);
}

QString IdentificationSociete::EmailSociete(DataModule &AConnection) noexcept
{
    if (!AConnection.connectionOpen())
        return {};
    try {
        return lirePremiereLigne(AConnection, QStringLiteral("email")).trimmed();
    } catch (...) {
        return {};
    }
}

bool IdentificationSociete::ConfigurerSocieteEmettrice(DataModule &AConnection, QString &ARaisonSociale,
                                                       QString &AErreur)
{
    ARaisonSociale.clear();
    AErreur.clear();
    if (!AConnection.connectionOpen()) {
        AErreur = kNonConnectee;
        return false;
    }
    if (!AConnection.dialogs().runModal(NomFenetre())) {
        AErreur = QStringLiteral("Assurez vous que la societe emettrice ait sa raison sociale et son couriel (email)");
        return false;
    }
    return LireRaisonSociale(AConnection, ARaisonSociale, AErreur);
}

bool IdentificationSociete::VerifierSocieteEmettrice(DataModule &AConnection, QString &ARaisonSociale,
                                                     QString &AErreur)
{
    if (LireRaisonSociale(AConnection, ARaisonSociale, AErreur))
        return true;
    return ConfigurerSocieteEmettrice(AConnection, ARaisonSociale, AErreur);
}

bool IdentificationSociete::AssurerCodeSecuriteConsolePersistant(DataModule &AConnection, QString &ACode,
                                                                 QString &AErreur)
{
    ACode.clear();
    AErreur.clear();
    if (!AConnection.connectionOpen()) {
        AErreur = kNonConnectee;
        return false;
    }
    try {
        EnsureTable(AConnection);
        ACode = NormaliserCodeSecuriteConsole(lirePremiereLigne(AConnection, QStringLiteral("code_securite_console")));
        if (CodeSecuriteConsoleValide(ACode))
            return true;
        ACode = GenererCodeSecuriteConsole();
        if (!CodeSecuriteConsoleValide(ACode)) {
            ACode.clear();
            AErreur = QStringLiteral("Impossible de generer le code de securite console");
            return false;
        }
        const QSqlDatabase &db = AConnection.UnConnection_dossier();
        if (nombreDeLignes(AConnection) > 0) {
            SqlQuery(db, QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET code_securite_console=:code WHERE "
                                        "societe_id=")
                             + kPremiereLigne)
                .bind(QStringLiteral(":code"), ACode)
                .exec();
        } else {
            const QDateTime now = AConnection.now();
            SqlQuery(db, QStringLiteral("INSERT INTO T_IDENTIFICATION_SOCIETE (code_securite_console, mode_recup_default, "
                                        "mode_persistance_default, date_creation, heure_creation, user_creation) "
                                        "VALUES (:code, 'COMPTABLE_PERIODE', 'RAZ', :dc, :hc, 'SYSTEM')"))
                .bind(QStringLiteral(":code"), ACode)
                .bind(QStringLiteral(":dc"), FrenchFormat::sqlDate(now.date()))
                .bind(QStringLiteral(":hc"), FrenchFormat::sqlTime(now.time()))
                .exec();
        }
        return true;
    } catch (const DbError &e) {
        ACode.clear();
        AErreur = e.message();
        return false;
    }
}

bool IdentificationSociete::ChargerEcran(DataModule &AConnection, SocieteFiche &AFiche, QString &AAvertissement)
{
    AFiche = SocieteFiche();
    AAvertissement.clear();
    if (!AConnection.connectionOpen()) {
        AAvertissement = QStringLiteral("Base SQLite non connectee.");
        return false;
    }
    try {
        EnsureTable(AConnection);
        SqlQuery query(AConnection.UnConnection_dossier(),
                       QStringLiteral("SELECT raison_sociale, siret, adresse, code_postal, ville, telephone, email, "
                                      "contact_nom, contact_email, repertoire_export, code_securite_console FROM "
                                      "T_IDENTIFICATION_SOCIETE ORDER BY societe_id LIMIT 1"));
        query.exec();
        if (query.next()) {
            AFiche.raisonSociale = query.text(0);
            AFiche.siret = query.text(1);
            AFiche.adresse = query.text(2);
            AFiche.codePostal = query.text(3);
            AFiche.ville = query.text(4);
            AFiche.telephone = query.text(5);
            AFiche.email = query.text(6);
            AFiche.contactNom = query.text(7);
            AFiche.contactEmail = query.text(8);
            AFiche.repertoireExport = query.text(9);
            AFiche.codeSecuriteConsole = NormaliserCodeSecuriteConsole(query.text(10));
        }
    } catch (const DbError &e) {
        AAvertissement = e.message();
        return false;
    }
    if (!RaisonSocialeValide(AFiche.raisonSociale))
        AFiche.raisonSociale.clear();
    if (AFiche.repertoireExport.trimmed().isEmpty())
        AFiche.repertoireExport = AConnection.chemin_prog + QStringLiteral("datas/releves");
    if (!CodeSecuriteConsoleValide(AFiche.codeSecuriteConsole)) {
        QString code;
        QString erreur;
        if (AssurerCodeSecuriteConsolePersistant(AConnection, code, erreur))
            AFiche.codeSecuriteConsole = code;
        else
            AAvertissement = QStringLiteral("Impossible de stabiliser le code de securite console :\r\n") + erreur;
    }
    return true;
}

bool IdentificationSociete::EnregistrerEcran(DataModule &AConnection, const SocieteFiche &AFiche, QString &AErreur)
{
    AErreur.clear();
    if (!AConnection.connectionOpen()) {
        AErreur = kNonConnectee;
        return false;
    }
    if (!RaisonSocialeValide(AFiche.raisonSociale)) {
        AErreur = QStringLiteral("La raison sociale de la societe emettrice est obligatoire.");
        return false;
    }
    if (!EmailValide(AFiche.email)) {
        AErreur = QStringLiteral("L'email des rapports de synchronisation est obligatoire et doit etre valide.");
        return false;
    }
    if (!CodeSecuriteConsoleValide(AFiche.codeSecuriteConsole)) {
        AErreur = QStringLiteral("Le code de securite console doit contenir exactement 8 lettres ou chiffres.");
        return false;
    }

    bool modification = false;
    try {
        EnsureTable(AConnection);
        modification = nombreDeLignes(AConnection) > 0;
        const QString sql = modification
            ? QString(QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale=:raison, siret=:siret, adresse=:adresse, "
                             "code_postal=:cp, ville=:ville, telephone=:tel, email=:email, contact_nom=:contact_nom, "
                             "contact_email=:contact_email, repertoire_export=:repertoire_export, "
                             "code_securite_console=:code_console, date_modification=:dm, heure_modification=:hm, "
                             "user_modification='SYSTEM' WHERE societe_id=")
                      + kPremiereLigne)
            : QStringLiteral("INSERT INTO T_IDENTIFICATION_SOCIETE (raison_sociale, siret, adresse, code_postal, ville, "
                             "telephone, email, contact_nom, contact_email, repertoire_export, code_securite_console, "
                             "mode_recup_default, mode_persistance_default, date_creation, heure_creation, "
                             "user_creation, date_modification, heure_modification, user_modification) VALUES "
                             "(:raison, :siret, :adresse, :cp, :ville, :tel, :email, :contact_nom, :contact_email, "
                             ":repertoire_export, :code_console, 'COMPTABLE_PERIODE', 'RAZ', :dc, :hc, 'SYSTEM', :dm, "
                             ":hm, 'SYSTEM')");
        const QDateTime now = AConnection.now();
        const QString date = FrenchFormat::sqlDate(now.date());
        const QString heure = FrenchFormat::sqlTime(now.time());
        SqlQuery query(AConnection.UnConnection_dossier(), sql);
        query.bind(QStringLiteral(":raison"), AFiche.raisonSociale.trimmed())
            .bind(QStringLiteral(":siret"), AFiche.siret.trimmed())
            .bind(QStringLiteral(":adresse"), AFiche.adresse.trimmed())
            .bind(QStringLiteral(":cp"), AFiche.codePostal.trimmed())
            .bind(QStringLiteral(":ville"), AFiche.ville.trimmed())
            .bind(QStringLiteral(":tel"), AFiche.telephone.trimmed())
            .bind(QStringLiteral(":email"), AFiche.email.trimmed())
            .bind(QStringLiteral(":contact_nom"), AFiche.contactNom.trimmed())
            .bind(QStringLiteral(":contact_email"), AFiche.contactEmail.trimmed())
            .bind(QStringLiteral(":repertoire_export"), AFiche.repertoireExport.trimmed())
            .bind(QStringLiteral(":code_console"), NormaliserCodeSecuriteConsole(AFiche.codeSecuriteConsole))
            .bind(QStringLiteral(":dm"), date)
            .bind(QStringLiteral(":hm"), heure);
        if (!modification)
            query.bind(QStringLiteral(":dc"), date).bind(QStringLiteral(":hc"), heure);
        query.exec();
    } catch (const DbError &e) {
        AErreur = e.message();
        return false;
    }

    // The console code itself is never written to the log.
    AConnection.LogOperation(
        QStringLiteral("SOCIETE"),
        QStringLiteral("Identification societe ") + (modification ? QStringLiteral("modifiee") : QStringLiteral("creee"))
            + QStringLiteral(" : ") + AFiche.raisonSociale.trimmed() + QStringLiteral(" | SIRET ") + AFiche.siret.trimmed()
            + QStringLiteral(" | email ") + AFiche.email.trimmed() + QStringLiteral(" | repertoire export ")
            + AFiche.repertoireExport.trimmed() + QStringLiteral(" | code console configure") + QStringLiteral(" | par ")
            + AConnection.user_courant_login,
        QStringLiteral("OK"), QStringLiteral("Societe"));
    return true;
}

QString IdentificationSociete::TexteInformation()
{
    return QStringLiteral("L'email des rapports de synchronisation est obligatoire et controle a l'enregistrement.\r\n"
                          "Il recevra les rapports automatiques et les alertes de consentement.\r\n"
                          "Le code console est obligatoire pour les commandes synchro et export.");
}

QString IdentificationSociete::MessageEchecEnregistrement(const QString &AErreur)
{
    return QStringLiteral("Impossible d'enregistrer la societe emettrice :\r\n") + AErreur;
}
