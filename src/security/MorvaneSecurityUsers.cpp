#include "security/MorvaneSecurityUsers.h"

#include "common/DayNumber.h"
#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"

#include <QCryptographicHash>
#include <QStringList>
#include <QUuid>

#include <array>

namespace {

const QString kBaseTable = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS T_USERS (user_id INTEGER PRIMARY KEY AUTOINCREMENT,user_login TEXT(50) "
    "UNIQUE NOT NULL,user_nom TEXT(120),user_fonction TEXT(80),user_email TEXT(100),cv TEXT(255),"
    "niveau_acces INTEGER DEFAULT 6,user_droits TEXT(20),user_actif INTEGER DEFAULT 1,date_creation DATE,"
    "heure_creation TIME,user_creation TEXT(50),date_modification DATE,heure_modification TIME,"
    "user_modification TEXT(50))");

struct SecurityColumn
{
    const char *name;
    const char *definition;
};

constexpr std::array<SecurityColumn, 10> kSecurityColumns = {{
    {"password_hash", "TEXT(255)"},
    {"password_change_required", "INTEGER DEFAULT 0"},
    {"failed_attempts", "INTEGER DEFAULT 0"},
    {"locked_until_num", "REAL DEFAULT 0"},
    {"last_login_num", "REAL DEFAULT 0"},
    {"reset_code_hash", "TEXT(255)"},
    {"reset_nonce", "TEXT(80)"},
    {"reset_expires_num", "REAL DEFAULT 0"},
    {"reset_attempts", "INTEGER DEFAULT 0"},
    {"admin_initial", "INTEGER DEFAULT 0"},
}};

const QString kMarkInitialAdmin = QStringLiteral(
    "UPDATE T_USERS SET admin_initial=1 WHERE user_id=(SELECT user_id FROM T_USERS WHERE niveau_acces>=9 "
    "AND COALESCE(password_hash,'')<>'' ORDER BY CASE WHEN UPPER(COALESCE(user_creation,''))='SYSTEM' OR "
    "UPPER(COALESCE(user_modification,''))='SYSTEM' THEN 0 ELSE 1 END, user_id LIMIT 1) AND NOT EXISTS "
    "(SELECT 1 FROM T_USERS WHERE COALESCE(admin_initial,0)=1)");

const QString kTriggerDelete = QStringLiteral(
    "CREATE TRIGGER IF NOT EXISTS TRG_T_USERS_PROTECT_ADMIN_INITIAL_DELETE BEFORE DELETE ON T_USERS WHEN "
    "COALESCE(OLD.admin_initial,0)=1 BEGIN SELECT RAISE(ABORT,'Administrateur initial protege'); END");

const QString kTriggerFlag = QStringLiteral(
    "CREATE TRIGGER IF NOT EXISTS TRG_T_USERS_PROTECT_ADMIN_INITIAL_FLAG BEFORE UPDATE OF admin_initial ON "
    "T_USERS WHEN COALESCE(OLD.admin_initial,0)=1 AND COALESCE(NEW.admin_initial,0)<>1 BEGIN SELECT "
    "RAISE(ABORT,'Administrateur initial protege'); END");

// Login lookups ignore ASCII case like SQLite's UPPER; when an old database holds
// logins that differ only by case, the row spelled exactly as typed wins, so each
// of them can still log in and recover on its own row.
QString loginLookup(const QString &columns)
{
    return QStringLiteral("SELECT ") + columns
        + QStringLiteral(" FROM T_USERS WHERE UPPER(user_login)=UPPER(:login) ORDER BY CASE WHEN "
                         "user_login=:exact THEN 0 ELSE 1 END, user_id LIMIT 1");
}

SqlQuery &bindLogin(SqlQuery &query, const QString &login)
{
    return query.bind(QStringLiteral(":login"), login).bind(QStringLiteral(":exact"), login);
}

QString asciiUpper(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return result;
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Strict decimal digits only: no sign, no spaces, no hexadecimal.
bool parseIterations(const QString &text, int &value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (QChar c : text) {
        if (!isAsciiDigit(c))
            return false;
    }
    value = text.toInt();
    return true;
}

void writeHexLower(QByteArrayView digest, std::array<char, 64> &hex)
{
    static constexpr char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < digest.size() && i < 32; ++i) {
        const auto b = static_cast<unsigned char>(digest[i]);
        hex[static_cast<std::size_t>(2 * i)] = digits[b >> 4];
        hex[static_cast<std::size_t>(2 * i + 1)] = digits[b & 0x0F];
    }
}

QByteArray sha256HexLower(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

double nowNum(const DataModule &dm)
{
    return DayNumber::fromDateTime(dm.now());
}

// "@" somewhere after the first character.
bool hasAtAfterFirst(const QString &email)
{
    return email.indexOf(QLatin1Char('@')) >= 1;
}

} // namespace

void MorvaneSecurityUsers::EnsureSchema(DataModule &AConnection)
{
    if (!AConnection.connectionOpen())
        return;
    const QSqlDatabase &db = AConnection.UnConnection_dossier();
    SqlQuery::run(db, kBaseTable);

    QStringList existing;
    SqlQuery info(db, QStringLiteral("PRAGMA table_info(T_USERS)"));
    info.exec();
    while (info.next())
        existing << info.text(QStringLiteral("name")).toUpper();
    for (const SecurityColumn &column : kSecurityColumns) {
        const QString name = QString::fromLatin1(column.name);
        if (existing.contains(name.toUpper()))
            continue;
        SqlQuery::run(db, QStringLiteral("ALTER TABLE T_USERS ADD COLUMN ") + name + QLatin1Char(' ')
                              + QString::fromLatin1(column.definition));
    }

    SqlQuery::run(db, kMarkInitialAdmin);
    SqlQuery::run(db, kTriggerDelete);
    SqlQuery::run(db, kTriggerFlag);
}

QString MorvaneSecurityUsers::NouveauSel()
{
    return QUuid::createUuid().toString(QUuid::Id128).toUpper();
}

QString MorvaneSecurityUsers::HashInterne(const QString &AMotDePasse, const QString &ASel, int AIterations)
{
    // 30 000 rounds per login: each round reuses one hash object and one text buffer.
    const QByteArray suffix = (QLatin1Char('|') + ASel + QLatin1Char('|') + AMotDePasse).toUtf8();
    QCryptographicHash round(QCryptographicHash::Sha256);
    round.addData((ASel + QLatin1Char('|') + AMotDePasse).toUtf8());
    std::array<char, 64> hex{};
    writeHexLower(round.resultView(), hex);
    for (int i = 1; i < AIterations; ++i) {
        round.reset();
        round.addData(QByteArrayView(hex.data(), qsizetype(hex.size())));
        round.addData(suffix);
        writeHexLower(round.resultView(), hex);
    }
    return QString::fromLatin1(hex.data(), qsizetype(hex.size())).toUpper();
}

QString MorvaneSecurityUsers::CreerHashMotDePasse(const QString &AMotDePasse)
{
    const QString salt = NouveauSel();
    return QString(MORVANE_HASH_PREFIX) + QLatin1Char('$') + QString::number(MORVANE_HASH_ITERATIONS)
        + QLatin1Char('$') + salt + QLatin1Char('$') + HashInterne(AMotDePasse, salt, MORVANE_HASH_ITERATIONS);
}

bool MorvaneSecurityUsers::VerifierHashMotDePasse(const QString &AMotDePasse, const QString &AHashStocke)
{
    const QStringList parts = AHashStocke.split(QLatin1Char('$'), Qt::KeepEmptyParts);
    if (parts.size() != 4)
        return false;
    if (asciiUpper(parts.at(0)) != QString(MORVANE_HASH_PREFIX))
        return false;
    int iterations = 0;
    if (!parseIterations(parts.at(1), iterations) || iterations < MORVANE_HASH_ITERATIONS_MIN
        || iterations > MORVANE_HASH_ITERATIONS_MAX)
        return false;
    return ComparaisonConstante(HashInterne(AMotDePasse, parts.at(2), iterations), asciiUpper(parts.at(3)));
}

bool MorvaneSecurityUsers::ComparaisonConstante(const QString &A, const QString &B)
{
    if (A.size() != B.size())
        return false;
    char16_t diff = 0;
    for (qsizetype i = 0; i < A.size(); ++i)
        diff |= static_cast<char16_t>(A.at(i).unicode() ^ B.at(i).unicode());
    return diff == 0;
}

bool MorvaneSecurityUsers::MotDePasseValide(const QString &AMotDePasse, QString &AErreur)
{
    AErreur.clear();
    if (AMotDePasse.size() < 8) {
        AErreur = QStringLiteral("Le mot de passe doit contenir au moins 8 caracteres.");
        return false;
    }
    bool letter = false;
    bool digit = false;
    for (QChar c : AMotDePasse) {
        letter = letter || isAsciiLetter(c);
        digit = digit || isAsciiDigit(c);
    }
    if (!letter || !digit) {
        AErreur = QStringLiteral("Le mot de passe doit contenir au moins une lettre et un chiffre.");
        return false;
    }
    return true;
}

QString MorvaneSecurityUsers::NouveauCode(const QDateTime &AMaintenant)
{
    const QString text = QUuid::createUuid().toString(QUuid::WithBraces).toUpper() + QLatin1Char('|')
        + AMaintenant.toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    const QByteArray hex = sha256HexLower(text.toUtf8());
    QString code;
    for (int i = 0; i < 6; ++i) {
        const int value = QByteArray(1, hex.at(i)).toInt(nullptr, 16);
        code += QChar(u'0' + value % 10);
    }
    return code;
}

QString MorvaneSecurityUsers::HashCodeRecuperation(const QString &ALogin, const QString &ANonce, const QString &ACode)
{
    const QString text = asciiUpper(ALogin.trimmed()) + QLatin1Char('|') + ANonce + QLatin1Char('|') + ACode;
    return QString::fromLatin1(sha256HexLower(text.toUtf8())).toUpper();
}

bool MorvaneSecurityUsers::Authentifier(DataModule &AConnection, const QString &ALogin, const QString &AMotDePasse,
                                        MorvaneUtilisateur &AUtilisateur, QString &AErreur)
{
    AUtilisateur = MorvaneUtilisateur();
    AErreur.clear();
    EnsureSchema(AConnection);
    const QString login = ALogin.trimmed();
    const QString refused = QStringLiteral("Utilisateur ou mot de passe incorrect.");

    SqlQuery query(AConnection.UnConnection_dossier(),
                   loginLookup(QStringLiteral("user_id,user_login,user_nom,user_email,niveau_acces,user_droits,"
                                              "user_actif,password_hash,failed_attempts,locked_until_num")));
    bindLogin(query, login).exec();
    if (!query.next()) {
        AErreur = refused;
        Journaliser(AConnection, login, QStringLiteral("CONNEXION"), AErreur, QStringLiteral("REFUSE"));
        return false;
    }
    const int id = query.value(0).toInt();
    const QString storedLogin = query.text(1);
    const QString nom = query.text(2);
    const QString email = query.text(3);
    const int niveau = query.value(4).toInt();
    const QString droits = query.text(5);
    const bool actif = query.value(6).toInt() != 0;
    const QString storedHash = query.text(7);
    const int failedAttempts = query.value(8).toInt();
    const double lockedUntil = query.value(9).toDouble();
    query.raw().finish(); // the updates below must not wait for this read to end
    if (!actif) {
        AErreur = QStringLiteral("Ce compte utilisateur est desactive.");
        Journaliser(AConnection, login, QStringLiteral("CONNEXION"), AErreur, QStringLiteral("REFUSE"));
        return false;
    }
    const double now = nowNum(AConnection);
    if (lockedUntil > now) {
        AErreur = QStringLiteral("Compte temporairement bloque. Reessayez apres ")
            + DayNumber::toDateTime(lockedUntil).toString(QStringLiteral("HH:mm")) + QLatin1Char('.');
        Journaliser(AConnection, login, QStringLiteral("CONNEXION"), AErreur, QStringLiteral("BLOQUE"));
        return false;
    }

    const QSqlDatabase &db = AConnection.UnConnection_dossier();
    if (VerifierHashMotDePasse(AMotDePasse, storedHash)) {
        AUtilisateur.Id = id;
        AUtilisateur.Login = storedLogin;
        AUtilisateur.Nom = nom;
        AUtilisateur.Email = email;
        AUtilisateur.Niveau = niveau;
        AUtilisateur.Droits = droits;
        SqlQuery(db, QStringLiteral("UPDATE T_USERS SET failed_attempts=0,locked_until_num=0,"
                                    "last_login_num=:maintenant WHERE user_id=:id"))
            .bind(QStringLiteral(":maintenant"), now)
            .bind(QStringLiteral(":id"), id)
            .exec();
        Journaliser(AConnection, AUtilisateur.Login, QStringLiteral("CONNEXION"),
                    QStringLiteral("Connexion Tresoline acceptee"), QStringLiteral("OK"));
        return true;
    }

    const int failures = failedAttempts + 1;
    if (failures < MORVANE_MAX_ECHECS_CONNEXION) {
        SqlQuery(db, QStringLiteral("UPDATE T_USERS SET failed_attempts=:n WHERE user_id=:id"))
            .bind(QStringLiteral(":n"), failures)
            .bind(QStringLiteral(":id"), id)
            .exec();
    } else {
        const double lockEnd = DayNumber::fromDateTime(AConnection.now().addSecs(MORVANE_BLOCAGE_MINUTES * 60));
        SqlQuery(db, QStringLiteral("UPDATE T_USERS SET failed_attempts=0,locked_until_num=:bloc WHERE user_id=:id"))
            .bind(QStringLiteral(":bloc"), lockEnd)
            .bind(QStringLiteral(":id"), id)
            .exec();
    }
    AErreur = refused;
    Journaliser(AConnection, login, QStringLiteral("CONNEXION"), AErreur, QStringLiteral("REFUSE"));
    return false;
}

bool MorvaneSecurityUsers::DefinirMotDePasse(DataModule &AConnection, int AUserId, const QString &AMotDePasse,
                                             const QString &AUtilisateurAction, QString &AErreur)
{
    AErreur.clear();
    if (!MotDePasseValide(AMotDePasse, AErreur))
        return false;
    try {
        EnsureSchema(AConnection);
        const QDateTime now = AConnection.now();
        SqlQuery query(AConnection.UnConnection_dossier(),
                       QStringLiteral("UPDATE T_USERS SET password_hash=:ph,cv='',password_change_required=0,"
                                      "failed_attempts=0,locked_until_num=0,reset_code_hash='',reset_nonce='',"
                                      "reset_expires_num=0,reset_attempts=0,date_modification=:d,"
                                      "heure_modification=:h,user_modification=:u WHERE user_id=:id"));
        query.bind(QStringLiteral(":ph"), CreerHashMotDePasse(AMotDePasse))
            .bind(QStringLiteral(":d"), FrenchFormat::sqlDate(now.date()))
            .bind(QStringLiteral(":h"), FrenchFormat::sqlTime(now.time()))
            .bind(QStringLiteral(":u"), AUtilisateurAction)
            .bind(QStringLiteral(":id"), AUserId)
            .exec();
        if (query.numRowsAffected() < 1) {
            AErreur = QStringLiteral("Utilisateur introuvable.");
            return false;
        }
    } catch (const DbError &e) {
        AErreur = e.message();
        return false;
    }
    Journaliser(AConnection, AUtilisateurAction, QStringLiteral("UTILISATEUR_MOT_DE_PASSE"),
                QStringLiteral("Mot de passe redefini"), QStringLiteral("OK"));
    return true;
}

bool MorvaneSecurityUsers::CreerCodeRecuperation(DataModule &AConnection, const QString &ALogin, QString &AEmail,
                                                 QString &ACode, QString &AErreur)
{
    AEmail.clear();
    ACode.clear();
    AErreur.clear();
    EnsureSchema(AConnection);
    const QString login = ALogin.trimmed();
    SqlQuery query(AConnection.UnConnection_dossier(), loginLookup(QStringLiteral("user_id,user_email,user_actif")));
    bindLogin(query, login).exec();
    if (!query.next() || query.value(2).toInt() == 0) {
        AErreur = QStringLiteral("Utilisateur introuvable ou inactif.");
        return false;
    }
    const int id = query.value(0).toInt();
    const QString email = query.text(1).trimmed();
    query.raw().finish();
    if (!hasAtAfterFirst(email)) {
        AErreur = QStringLiteral("Aucun email valide n'est associe a cet utilisateur. Demandez la "
                                 "reinitialisation a un administrateur.");
        return false;
    }

    const QDateTime now = AConnection.now();
    const QString nonce = NouveauSel();
    const QString code = NouveauCode(now);
    // Only the row found above gets the code, even if another login differs by case alone.
    SqlQuery(AConnection.UnConnection_dossier(),
             QStringLiteral("UPDATE T_USERS SET reset_code_hash=:rh,reset_nonce=:rn,reset_expires_num=:re,"
                            "reset_attempts=0 WHERE user_id=:id"))
        .bind(QStringLiteral(":rh"), HashCodeRecuperation(login, nonce, code))
        .bind(QStringLiteral(":rn"), nonce)
        .bind(QStringLiteral(":re"), DayNumber::fromDateTime(now.addSecs(MORVANE_CODE_MINUTES * 60)))
        .bind(QStringLiteral(":id"), id)
        .exec();
    AEmail = email;
    ACode = code;
    Journaliser(AConnection, login, QStringLiteral("MOT_DE_PASSE_OUBLIE"),
                QStringLiteral("Code temporaire genere pour ") + MasquerEmail(email), QStringLiteral("OK"));
    return true;
}

bool MorvaneSecurityUsers::AppliquerCodeRecuperation(DataModule &AConnection, const QString &ALogin,
                                                     const QString &ACode, const QString &ANouveauMotDePasse,
                                                     QString &AErreur)
{
    AErreur.clear();
    if (!MotDePasseValide(ANouveauMotDePasse, AErreur))
        return false;
    EnsureSchema(AConnection);
    const QString login = ALogin.trimmed();
    SqlQuery query(AConnection.UnConnection_dossier(),
                   loginLookup(QStringLiteral("user_id,reset_code_hash,reset_nonce,reset_expires_num,reset_attempts")));
    bindLogin(query, login).exec();
    if (!query.next()) {
        AErreur = QStringLiteral("Demande de recuperation introuvable.");
        return false;
    }
    const int id = query.value(0).toInt();
    const QString storedHash = query.text(1);
    const QString nonce = query.text(2);
    const double expires = query.value(3).toDouble();
    const int attempts = query.value(4).toInt();
    query.raw().finish();
    if (storedHash.isEmpty() || expires < nowNum(AConnection)) {
        AErreur = QStringLiteral("Le code est absent ou expire. Demandez un nouveau code.");
        return false;
    }
    if (attempts >= MORVANE_MAX_ESSAIS_CODE) {
        AErreur = QStringLiteral("Trop d'essais. Demandez un nouveau code.");
        return false;
    }

    const QString computed = HashCodeRecuperation(login, nonce, ACode.trimmed());
    if (ComparaisonConstante(computed, asciiUpper(storedHash))) {
        if (!DefinirMotDePasse(AConnection, id, ANouveauMotDePasse, login, AErreur))
            return false;
        Journaliser(AConnection, login, QStringLiteral("MOT_DE_PASSE_RECUPERATION"),
                    QStringLiteral("Mot de passe reinitialise avec un code email"), QStringLiteral("OK"));
        return true;
    }
    SqlQuery(AConnection.UnConnection_dossier(),
             QStringLiteral("UPDATE T_USERS SET reset_attempts=reset_attempts+1 WHERE user_id=:id"))
        .bind(QStringLiteral(":id"), id)
        .exec();
    AErreur = QStringLiteral("Code de recuperation incorrect.");
    Journaliser(AConnection, login, QStringLiteral("MOT_DE_PASSE_RECUPERATION"), AErreur, QStringLiteral("REFUSE"));
    return false;
}

bool MorvaneSecurityUsers::AdministrateurInitialRequis(DataModule &AConnection)
{
    EnsureSchema(AConnection);
    const QVariant n = SqlQuery::scalar(AConnection.UnConnection_dossier(),
                                        QStringLiteral("SELECT COUNT(*) AS n FROM T_USERS WHERE niveau_acces>=9 AND "
                                                       "user_actif=1 AND COALESCE(password_hash,'')<>''"));
    return n.toInt() == 0;
}

bool MorvaneSecurityUsers::CreerAdministrateurInitial(DataModule &AConnection, const QString &ALogin,
                                                      const QString &ANom, const QString &AEmail,
                                                      const QString &AMotDePasse, QString &AErreur)
{
    AErreur.clear();
    const QString login = ALogin.trimmed();
    const QString nom = ANom.trimmed();
    const QString email = AEmail.trimmed();
    if (login.isEmpty()) {
        AErreur = QStringLiteral("Le login administrateur est obligatoire.");
        return false;
    }
    if (nom.isEmpty()) {
        AErreur = QStringLiteral("Le nom de l'administrateur est obligatoire.");
        return false;
    }
    const qsizetype at = email.indexOf(QLatin1Char('@'));
    if (at < 1 || email.indexOf(QLatin1Char('.'), at + 2) < 0) {
        AErreur = QStringLiteral("Une adresse email valide est obligatoire.");
        return false;
    }
    if (!MotDePasseValide(AMotDePasse, AErreur))
        return false;

    try {
        EnsureSchema(AConnection);
        const QSqlDatabase &db = AConnection.UnConnection_dossier();
        const int initial = SqlQuery::scalar(db, QStringLiteral("SELECT COUNT(*) AS n FROM T_USERS WHERE "
                                                                "COALESCE(admin_initial,0)=1"))
                                    .toInt()
                == 0
            ? 1
            : 0;
        SqlQuery existing(db, loginLookup(QStringLiteral("user_id")));
        bindLogin(existing, login).exec();
        const QDateTime now = AConnection.now();
        const bool found = existing.next();
        const int existingId = found ? existing.value(0).toInt() : 0;
        existing.raw().finish();
        SqlQuery write(db, found
                               ? QStringLiteral(
                                   "UPDATE T_USERS SET user_nom=:nom,user_email=:email,cv='',password_hash=:ph,"
                                   "niveau_acces=9,user_droits='ADMIN',user_actif=1,admin_initial=CASE WHEN "
                                   "COALESCE(admin_initial,0)=1 THEN 1 ELSE :initial END,password_change_required=0,"
                                   "failed_attempts=0,locked_until_num=0,date_modification=:d,heure_modification=:h,"
                                   "user_modification='SYSTEM' WHERE user_id=:id")
                               : QStringLiteral(
                                   "INSERT INTO T_USERS (user_login,user_nom,user_email,cv,password_hash,niveau_acces,"
                                   "user_droits,user_actif,admin_initial,password_change_required,date_creation,"
                                   "heure_creation,user_creation) VALUES (:login,:nom,:email,'',:ph,9,'ADMIN',1,"
                                   ":initial,0,:d,:h,'SYSTEM')"));
        if (found)
            write.bind(QStringLiteral(":id"), existingId);
        else
            write.bind(QStringLiteral(":login"), login);
        write.bind(QStringLiteral(":nom"), nom)
            .bind(QStringLiteral(":email"), email)
            .bind(QStringLiteral(":ph"), CreerHashMotDePasse(AMotDePasse))
            .bind(QStringLiteral(":initial"), initial)
            .bind(QStringLiteral(":d"), FrenchFormat::sqlDate(now.date()))
            .bind(QStringLiteral(":h"), FrenchFormat::sqlTime(now.time()))
            .exec();
    } catch (const DbError &e) {
        AErreur = e.message();
        return false;
    }
    Journaliser(AConnection, login, QStringLiteral("UTILISATEUR_CREATION_ADMIN"),
                QStringLiteral("Administrateur initial cree ou securise"), QStringLiteral("OK"));
    return true;
}

QString MorvaneSecurityUsers::MasquerEmail(const QString &AEmail)
{
    const qsizetype at = AEmail.indexOf(QLatin1Char('@'));
    if (at > 0)
        return AEmail.left(1) + QStringLiteral("***") + AEmail.mid(at);
    return QStringLiteral("email non renseigne");
}

void MorvaneSecurityUsers::JournaliserAction(DataModule &AConnection, const QString &AUtilisateur,
                                             const QString &AOperation, const QString &AMessage,
                                             const QString &AResultat) noexcept
{
    Journaliser(AConnection, AUtilisateur, AOperation, AMessage, AResultat);
}

void MorvaneSecurityUsers::Journaliser(DataModule &AConnection, const QString &AUtilisateur,
                                       const QString &AOperation, const QString &AMessage,
                                       const QString &AResultat) noexcept
{
    if (!AConnection.connectionOpen())
        return;
    try {
        const QDateTime now = AConnection.now();
        SqlQuery(AConnection.UnConnection_dossier(),
                 QStringLiteral("INSERT INTO T_LOG_OPERATIONS (date_log,heure_log,user_login,user_niveau,operation,"
                                "message,resultat,source) VALUES (:d,:h,:u,0,:op,:m,:r,'MorvaneSecurityUsers')"))
            .bind(QStringLiteral(":d"), FrenchFormat::sqlDate(now.date()))
            .bind(QStringLiteral(":h"), FrenchFormat::sqlTime(now.time()))
            .bind(QStringLiteral(":u"), AUtilisateur)
            .bind(QStringLiteral(":op"), AOperation)
            .bind(QStringLiteral(":m"), AMessage)
            .bind(QStringLiteral(":r"), AResultat)
            .exec();
    } catch (...) {
        // A security event that cannot be written must not break the login itself.
    }
}
