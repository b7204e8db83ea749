#include "security/SecurityFixture.h"

#include "db/DbError.h"

#include <QSqlRecord>

using namespace Qt::StringLiterals;
using Security = MorvaneSecurityUsers;

namespace {
const QString kPassword = u"Secret2026"_s;
const QString kRefused = u"Utilisateur ou mot de passe incorrect."_s;
} // namespace

class UserStoreTest : public SecurityFixture
{
protected:
    bool login(const QString &who, const QString &password, QString &error)
    {
        MorvaneUtilisateur user;
        return Security::Authentifier(dm(), who, password, user, error);
    }
};

TEST_F(UserStoreTest, SchemaOnAnOldTableAddsColumnsInOrderAndMarksTheSystemAdministrator)
{
    SqlQuery::run(db(), u"DROP TABLE T_USERS"_s);
    SqlQuery::run(db(), u"CREATE TABLE T_USERS (user_id INTEGER PRIMARY KEY AUTOINCREMENT, user_login TEXT(50) "
                        "UNIQUE NOT NULL, user_nom TEXT(120), user_email TEXT(100), cv TEXT(255), niveau_acces "
                        "INTEGER DEFAULT 6, user_droits TEXT(20), user_actif INTEGER DEFAULT 1, user_creation "
                        "TEXT(50), user_modification TEXT(50), PASSWORD_HASH TEXT(255))"_s);
    const QString hash = Security::CreerHashMotDePasse(kPassword);
    for (const auto &[login, creator] : {std::pair{u"PREMIER"_s, u"bob"_s}, std::pair{u"SYSADMIN"_s, u"system"_s}})
        SqlQuery(db(), u"INSERT INTO T_USERS (user_login, niveau_acces, user_creation, password_hash) "
                       "VALUES (:l, 9, :c, :h)"_s)
            .bind(u":l"_s, login)
            .bind(u":c"_s, creator)
            .bind(u":h"_s, hash)
            .exec();

    Security::EnsureSchema(dm());
    Security::EnsureSchema(dm()); // a second pass changes nothing

    QStringList columns;
    SqlQuery info(db(), u"PRAGMA table_info(T_USERS)"_s);
    info.exec();
    while (info.next())
        columns << info.text(u"name"_s);
    EXPECT_EQ(columns.mid(11), (QStringList{u"password_change_required"_s, u"failed_attempts"_s,
                                            u"locked_until_num"_s, u"last_login_num"_s, u"reset_code_hash"_s,
                                            u"reset_nonce"_s, u"reset_expires_num"_s, u"reset_attempts"_s,
                                            u"admin_initial"_s}));
    EXPECT_EQ(column(userId(u"SYSADMIN"_s), u"admin_initial"_s).toInt(), 1);
    EXPECT_EQ(column(userId(u"PREMIER"_s), u"admin_initial"_s).toInt(), 0);
}

TEST_F(UserStoreTest, LoginIgnoresCaseAndLogsTheStoredSpelling)
{
    const int id = addUser(u"MARTIN"_s, kPassword, 8, u"martin@exemple.fr"_s);
    MorvaneUtilisateur user;
    QString error;
    ASSERT_TRUE(Security::Authentifier(dm(), u"  martin "_s, kPassword, user, error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(user.Id, id);
    EXPECT_EQ(user.Login, u"MARTIN"_s);
    EXPECT_EQ(user.Nom, u"Nom MARTIN"_s);
    EXPECT_EQ(user.Email, u"martin@exemple.fr"_s);
    EXPECT_EQ(user.Niveau, 8);
    EXPECT_EQ(user.Droits, u"CONSULT"_s);
    EXPECT_NEAR(column(id, u"last_login_num"_s).toDouble(), 46096.0 + 10.0 / 24.0, 1e-6);
    EXPECT_EQ(logLines().last(), u"CONNEXION|OK|MARTIN|Connexion Tresoline acceptee|MorvaneSecurityUsers"_s);
}

TEST_F(UserStoreTest, RefusedLogins)
{
    addUser(u"INACTIF"_s, kPassword, 6, u"i@exemple.fr"_s, false);
    const int noPassword = addUser(u"SANSMDP"_s, QString());
    QString error;

    EXPECT_FALSE(login(u" inconnu "_s, kPassword, error));
    EXPECT_EQ(error, kRefused);
    EXPECT_EQ(logLines().last(), u"CONNEXION|REFUSE|inconnu|"_s + kRefused + u"|MorvaneSecurityUsers"_s);

    EXPECT_FALSE(login(u"inactif"_s, kPassword, error));
    EXPECT_EQ(error, u"Ce compte utilisateur est desactive."_s);
    EXPECT_EQ(logLines().last(), u"CONNEXION|REFUSE|inactif|Ce compte utilisateur est desactive.|MorvaneSecurityUsers"_s);

    // Without a stored hash every attempt counts as a wrong password.
    EXPECT_FALSE(login(u"SANSMDP"_s, QString(), error));
    EXPECT_EQ(error, kRefused);
    EXPECT_EQ(column(noPassword, u"failed_attempts"_s).toInt(), 1);
}

TEST_F(UserStoreTest, FiveWrongPasswordsLockTheAccountForTenMinutes)
{
    const int id = addUser(u"DURAND"_s, kPassword);
    QString error;
    for (int attempt = 1; attempt <= 5; ++attempt) {
        EXPECT_FALSE(login(u"durand"_s, u"mauvais1"_s, error));
        EXPECT_EQ(error, kRefused) << attempt;
        EXPECT_EQ(column(id, u"failed_attempts"_s).toInt(), attempt < 5 ? attempt : 0);
    }

    clock.advanceSecs(9 * 60 + 59);
    EXPECT_FALSE(login(u"durand"_s, kPassword, error));
    EXPECT_EQ(error, u"Compte temporairement bloque. Reessayez apres 10:10."_s);
    EXPECT_EQ(logLines().last(), u"CONNEXION|BLOQUE|durand|"_s + error + u"|MorvaneSecurityUsers"_s);
    EXPECT_EQ(column(id, u"failed_attempts"_s).toInt(), 0); // a refused attempt while locked is not counted

    clock.advanceSecs(2);
    EXPECT_TRUE(login(u"durand"_s, kPassword, error)) << error.toStdString();
    EXPECT_EQ(column(id, u"failed_attempts"_s).toInt(), 0);
    EXPECT_EQ(column(id, u"locked_until_num"_s).toDouble(), 0.0);
}

TEST_F(UserStoreTest, SettingAPasswordUnlocksAndCancelsAPendingCode)
{
    const int id = addUser(u"LEROY"_s, kPassword);
    QString error;
    QString email;
    QString code;
    ASSERT_TRUE(Security::CreerCodeRecuperation(dm(), u"LEROY"_s, email, code, error));
    for (int i = 0; i < 5; ++i)
        login(u"LEROY"_s, u"mauvais1"_s, error);
    ASSERT_GT(column(id, u"locked_until_num"_s).toDouble(), 0.0);

    clock.advanceSecs(60);
    ASSERT_TRUE(Security::DefinirMotDePasse(dm(), id, u"Nouveau2026"_s, u"ADMIN"_s, error)) << error.toStdString();
    EXPECT_EQ(column(id, u"locked_until_num"_s).toDouble(), 0.0);
    EXPECT_EQ(column(id, u"reset_code_hash"_s).toString(), QString());
    EXPECT_EQ(column(id, u"user_modification"_s).toString(), u"ADMIN"_s);
    EXPECT_EQ(column(id, u"date_modification"_s).toString(), u"2026-03-15"_s);
    EXPECT_EQ(column(id, u"heure_modification"_s).toString(), u"10:01:00"_s);
    EXPECT_EQ(logLines().last(), u"UTILISATEUR_MOT_DE_PASSE|OK|ADMIN|Mot de passe redefini|MorvaneSecurityUsers"_s);
    EXPECT_TRUE(login(u"LEROY"_s, u"Nouveau2026"_s, error)) << error.toStdString();

    EXPECT_FALSE(Security::DefinirMotDePasse(dm(), 9999, u"Nouveau2026"_s, u"ADMIN"_s, error));
    EXPECT_EQ(error, u"Utilisateur introuvable."_s);
    EXPECT_FALSE(Security::DefinirMotDePasse(dm(), id, u"court1"_s, u"ADMIN"_s, error));
    EXPECT_EQ(error, u"Le mot de passe doit contenir au moins 8 caracteres."_s);
}

TEST_F(UserStoreTest, RecoveryCodeWorksOnceAndNeverReachesTheDatabaseOrTheLog)
{
    const int id = addUser(u"PETIT"_s, kPassword, 6, u"  claire.petit@exemple.fr "_s);
    QString email;
    QString code;
    QString error;
    ASSERT_TRUE(Security::CreerCodeRecuperation(dm(), u"petit"_s, email, code, error)) << error.toStdString();
    EXPECT_EQ(email, u"claire.petit@exemple.fr"_s);
    EXPECT_EQ(code.size(), 6);
    EXPECT_NEAR(column(id, u"reset_expires_num"_s).toDouble(), 46096.0 + (10 * 60 + 10) / 1440.0, 1e-6);
    EXPECT_EQ(logLines().last(),
              u"MOT_DE_PASSE_OUBLIE|OK|petit|Code temporaire genere pour c***@exemple.fr|MorvaneSecurityUsers"_s);

    SqlQuery everything(db(), u"SELECT * FROM T_USERS WHERE user_id = :id"_s);
    everything.bind(u":id"_s, id).exec();
    ASSERT_TRUE(everything.next());
    for (int i = 0; i < everything.raw().record().count(); ++i)
        EXPECT_FALSE(everything.text(i).contains(code)) << "column " << i;

    EXPECT_TRUE(Security::AppliquerCodeRecuperation(dm(), u"PETIT"_s, u" "_s + code + u" "_s, u"Nouveau2026"_s, error))
        << error.toStdString();
    EXPECT_EQ(logLines().last(),
              u"MOT_DE_PASSE_RECUPERATION|OK|PETIT|Mot de passe reinitialise avec un code email|MorvaneSecurityUsers"_s);
    EXPECT_TRUE(login(u"PETIT"_s, u"Nouveau2026"_s, error));

    EXPECT_FALSE(Security::AppliquerCodeRecuperation(dm(), u"PETIT"_s, code, u"Encore2026"_s, error));
    EXPECT_EQ(error, u"Le code est absent ou expire. Demandez un nouveau code."_s);
    for (const QString &line : logLines()) {
        EXPECT_FALSE(line.contains(code)) << line.toStdString();
        EXPECT_FALSE(line.contains(u"Nouveau2026"_s)) << line.toStdString();
    }
}

TEST_F(UserStoreTest, RecoveryCodeExpiresAfterTenMinutes)
{
    addUser(u"MOREAU"_s, kPassword, 6, u"moreau@exemple.fr"_s);
    QString email;
    QString code;
    QString error;
    ASSERT_TRUE(Security::CreerCodeRecuperation(dm(), u"MOREAU"_s, email, code, error));
    clock.advanceSecs(10 * 60 + 1);
    EXPECT_FALSE(Security::AppliquerCodeRecuperation(dm(), u"MOREAU"_s, code, u"Nouveau2026"_s, error));
    EXPECT_EQ(error, u"Le code est absent ou expire. Demandez un nouveau code."_s);
    EXPECT_TRUE(login(u"MOREAU"_s, kPassword, error));
}

TEST_F(UserStoreTest, ThreeWrongCodesExhaustTheCodeUntilANewOneIsRequested)
{
    const int id = addUser(u"SIMON"_s, kPassword, 6, u"simon@exemple.fr"_s);
    QString email;
    QString code;
    QString error;
    ASSERT_TRUE(Security::CreerCodeRecuperation(dm(), u"SIMON"_s, email, code, error));
    const QString wrong = code == u"000000"_s ? u"111111"_s : u"000000"_s;

    // A password that breaks the rule is refused before any code is counted.
    EXPECT_FALSE(Security::AppliquerCodeRecuperation(dm(), u"SIMON"_s, wrong, u"court"_s, error));
    EXPECT_EQ(column(id, u"reset_attempts"_s).toInt(), 0);

    for (int i = 1; i <= 3; ++i) {
        EXPECT_FALSE(Security::AppliquerCodeRecuperation(dm(), u"SIMON"_s, wrong, u"Nouveau2026"_s, error));
        EXPECT_EQ(error, u"Code de recuperation incorrect."_s);
        EXPECT_EQ(column(id, u"reset_attempts"_s).toInt(), i);
    }
    EXPECT_EQ(logLines().last(),
              u"MOT_DE_PASSE_RECUPERATION|REFUSE|SIMON|Code de recuperation incorrect.|MorvaneSecurityUsers"_s);
    EXPECT_FALSE(Security::AppliquerCodeRecuperation(dm(), u"SIMON"_s, code, u"Nouveau2026"_s, error));
    EXPECT_EQ(error, u"Trop d'essais. Demandez un nouveau code."_s);

    QString newCode;
    ASSERT_TRUE(Security::CreerCodeRecuperation(dm(), u"SIMON"_s, email, newCode, error));
    EXPECT_EQ(column(id, u"reset_attempts"_s).toInt(), 0);
    if (newCode != code) {
        EXPECT_FALSE(Security::AppliquerCodeRecuperation(dm(), u"SIMON"_s, code, u"Nouveau2026"_s, error));
        EXPECT_EQ(error, u"Code de recuperation incorrect."_s);
    }
    EXPECT_TRUE(Security::AppliquerCodeRecuperation(dm(), u"SIMON"_s, newCode, u"Nouveau2026"_s, error))
        << error.toStdString();
}

TEST_F(UserStoreTest, RecoveryRefusals)
{
    addUser(u"SANSMAIL"_s, kPassword, 6, u"pas-d-adresse"_s);
    addUser(u"AROBASE"_s, kPassword, 6, u"@exemple.fr"_s);
    addUser(u"INACTIF"_s, kPassword, 6, u"i@exemple.fr"_s, false);
    const QString noEmail =
        u"Aucun email valide n'est associe a cet utilisateur. Demandez la reinitialisation a un administrateur."_s;
    const std::vector<std::pair<QString, QString>> cases = {
        {u"SANSMAIL"_s, noEmail},
        {u"AROBASE"_s, noEmail},
        {u"INACTIF"_s, u"Utilisateur introuvable ou inactif."_s},
        {u"PERSONNE"_s, u"Utilisateur introuvable ou inactif."_s},
    };
    for (const auto &[who, expected] : cases) {
        QString email = u"x"_s;
        QString code = u"x"_s;
        QString error;
        EXPECT_FALSE(Security::CreerCodeRecuperation(dm(), who, email, code, error));
        EXPECT_EQ(error, expected) << who.toStdString();
        EXPECT_TRUE(code.isEmpty());
    }
    QString error;
    EXPECT_FALSE(Security::AppliquerCodeRecuperation(dm(), u"PERSONNE"_s, u"123456"_s, u"Nouveau2026"_s, error));
    EXPECT_EQ(error, u"Demande de recuperation introuvable."_s);
    EXPECT_FALSE(Security::AppliquerCodeRecuperation(dm(), u"SANSMAIL"_s, u"123456"_s, u"Nouveau2026"_s, error));
    EXPECT_EQ(error, u"Le code est absent ou expire. Demandez un nouveau code."_s);
}

TEST_F(UserStoreTest, SeedAdministratorIsTakenOverAndProtected)
{
    EXPECT_TRUE(Security::AdministrateurInitialRequis(dm()));
    QString error;
    ASSERT_TRUE(Security::CreerAdministrateurInitial(dm(), u" admin "_s, u" Paul Admin "_s, u"paul@exemple.fr"_s,
                                                     kPassword, error))
        << error.toStdString();
    EXPECT_FALSE(Security::AdministrateurInitialRequis(dm()));
    const int id = userId(u"ADMIN"_s);
    ASSERT_GT(id, 0);
    EXPECT_EQ(SqlQuery::scalar(db(), u"SELECT COUNT(*) FROM T_USERS"_s).toInt(), 1);
    EXPECT_EQ(column(id, u"admin_initial"_s).toInt(), 1);
    EXPECT_EQ(column(id, u"user_nom"_s).toString(), u"Paul Admin"_s);
    EXPECT_EQ(column(id, u"user_modification"_s).toString(), u"SYSTEM"_s);
    EXPECT_EQ(logLines().last(),
              u"UTILISATEUR_CREATION_ADMIN|OK|admin|Administrateur initial cree ou securise|MorvaneSecurityUsers"_s);
    EXPECT_TRUE(login(u"admin"_s, kPassword, error));

    for (const QString &sql : {u"DELETE FROM T_USERS WHERE user_id = :id"_s,
                               u"UPDATE T_USERS SET admin_initial = 0 WHERE user_id = :id"_s}) {
        try {
            SqlQuery(db(), sql).bind(u":id"_s, id).exec();
            ADD_FAILURE() << sql.toStdString();
        } catch (const DbError &e) {
            EXPECT_TRUE(e.message().contains(u"Administrateur initial protege"_s)) << e.message().toStdString();
        }
    }
    EXPECT_EQ(column(id, u"admin_initial"_s).toInt(), 1);

    // A second creation secures another administrator without a second mark.
    ASSERT_TRUE(Security::CreerAdministrateurInitial(dm(), u"SECOND"_s, u"Second"_s, u"s@exemple.fr"_s, kPassword, error));
    EXPECT_EQ(column(userId(u"SECOND"_s), u"admin_initial"_s).toInt(), 0);
    EXPECT_EQ(column(userId(u"SECOND"_s), u"user_creation"_s).toString(), u"SYSTEM"_s);
}

TEST_F(UserStoreTest, InitialAdministratorInputRules)
{
    const QString badEmail = u"Une adresse email valide est obligatoire."_s;
    struct Case
    {
        QString login, nom, email, password, error;
    };
    const std::vector<Case> cases = {
        {u" "_s, u"Nom"_s, u"a@b.fr"_s, kPassword, u"Le login administrateur est obligatoire."_s},
        {u"ADMIN"_s, u" "_s, u"a@b.fr"_s, kPassword, u"Le nom de l'administrateur est obligatoire."_s},
        {u"ADMIN"_s, u"Nom"_s, u"@b.fr"_s, kPassword, badEmail},
        {u"ADMIN"_s, u"Nom"_s, u"a@.fr"_s, kPassword, badEmail},
        {u"ADMIN"_s, u"Nom"_s, u"a@bfr"_s, kPassword, badEmail},
        {u"ADMIN"_s, u"Nom"_s, u"a@b.fr"_s, u"motdepasse"_s,
         u"Le mot de passe doit contenir au moins une lettre et un chiffre."_s},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(Security::CreerAdministrateurInitial(dm(), c.login, c.nom, c.email, c.password, error));
        EXPECT_EQ(error, c.error) << c.email.toStdString();
    }
    EXPECT_TRUE(Security::AdministrateurInitialRequis(dm()));
}

TEST_F(UserStoreTest, LoginsDifferingOnlyByCaseKeepTheirOwnRows)
{
    // An old database may already hold both spellings: each one logs in, locks
    // and recovers on its own row.
    const int lower = addUser(u"admin"_s, u"Minuscule1"_s, 6, u"min@exemple.fr"_s);
    const int upper = userId(u"ADMIN"_s);
    QString error;
    ASSERT_TRUE(Security::DefinirMotDePasse(dm(), upper, u"Majuscule1"_s, u"SYSTEM"_s, error));

    MorvaneUtilisateur user;
    ASSERT_TRUE(Security::Authentifier(dm(), u"admin"_s, u"Minuscule1"_s, user, error)) << error.toStdString();
    EXPECT_EQ(user.Id, lower);
    ASSERT_TRUE(Security::Authentifier(dm(), u"ADMIN"_s, u"Majuscule1"_s, user, error)) << error.toStdString();
    EXPECT_EQ(user.Id, upper);

    for (int i = 0; i < 5; ++i)
        login(u"admin"_s, u"mauvais1"_s, error);
    EXPECT_GT(column(lower, u"locked_until_num"_s).toDouble(), 0.0);
    EXPECT_EQ(column(upper, u"locked_until_num"_s).toDouble(), 0.0);

    QString email;
    QString code;
    ASSERT_TRUE(Security::CreerCodeRecuperation(dm(), u"admin"_s, email, code, error));
    EXPECT_EQ(email, u"min@exemple.fr"_s);
    EXPECT_FALSE(column(lower, u"reset_code_hash"_s).toString().isEmpty());
    EXPECT_TRUE(column(upper, u"reset_code_hash"_s).toString().isEmpty());
}
