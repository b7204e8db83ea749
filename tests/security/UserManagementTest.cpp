#include "security/RegistreUtilisateurs.h"
#include "security/SecurityFixture.h"
#include "support/ScriptedDialogs.h"

using namespace Qt::StringLiterals;
using Registre = RegistreUtilisateurs;
using Champ = RegistreUtilisateurs::Champ;

namespace {
const QString kPassword = u"Secret2026"_s;
} // namespace

// The session administrator "ADMIN" (the seed row, given a password) manages the others.
class UserManagementTest : public SecurityFixture
{
protected:
    void SetUp() override
    {
        SecurityFixture::SetUp();
        dm().setDialogs(&dialogs);
        adminId = userId(u"ADMIN"_s);
        SqlQuery(db(), u"UPDATE T_USERS SET user_email = 'admin@exemple.fr' WHERE user_id = :id"_s)
            .bind(u":id"_s, adminId)
            .exec();
        QString error;
        ASSERT_TRUE(MorvaneSecurityUsers::DefinirMotDePasse(dm(), adminId, kPassword, u"SYSTEM"_s, error));
    }
    void TearDown() override
    {
        EXPECT_TRUE(dialogs.allAnswersUsed());
        dm().setDialogs(nullptr);
    }

    FicheUtilisateur fiche(int id)
    {
        FicheUtilisateur f;
        EXPECT_TRUE(Registre::ChargerFiche(dm(), id, f)) << id;
        return f;
    }

    static FicheUtilisateur nouveau(const QString &login, const QString &password = kPassword)
    {
        FicheUtilisateur f;
        f.login = login;
        f.nom = u" Nouveau nom "_s;
        f.email = u" nouveau@exemple.fr "_s;
        f.motDePasse = password;
        f.niveau = 7;
        return f;
    }

    bool enregistrer(const FicheUtilisateur &f, QString &message, Champ &champ)
    {
        return Registre::Enregistrer(dm(), f, u"ADMIN"_s, message, champ);
    }

    ScriptedDialogs dialogs;
    int adminId = 0;
};

TEST_F(UserManagementTest, LevelsLabelsAndRights)
{
    struct Case
    {
        int niveau;
        QString libelle, droits, entree;
    };
    const std::vector<Case> cases = {
        {6, u"Consultation"_s, u"CONSULT"_s, u"6 - Consultation"_s},
        {7, u"Export"_s, u"EXPORT"_s, u"7 - Export"_s},
        {8, u"Synchronisation + Export"_s, u"IMPORT"_s, u"8 - Synchronisation + Export"_s},
        {9, u"Administrateur"_s, u"ADMIN"_s, u"9 - Administrateur"_s},
        {4, u"4"_s, u"CONSULT"_s, u"4 - 4"_s},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Registre::LibelleNiveau(c.niveau), c.libelle);
        EXPECT_EQ(Registre::DroitsPourNiveau(c.niveau), c.droits);
        EXPECT_EQ(Registre::EntreeNiveau(c.niveau), c.entree);
    }
}

TEST_F(UserManagementTest, OnlyALevelNineSessionOpensTheWindow)
{
    QString message;
    EXPECT_FALSE(Registre::PeutOuvrir(dm(), 8, message));
    EXPECT_EQ(message, u"La gestion des utilisateurs est reservee au niveau 9 (administrateur)."_s);
    EXPECT_TRUE(Registre::PeutOuvrir(dm(), 9, message));
    EXPECT_TRUE(message.isEmpty());
}

TEST_F(UserManagementTest, NewUserIsCreatedWithAHashAndLogged)
{
    QString message;
    Champ champ = Champ::Login;
    ASSERT_TRUE(enregistrer(nouveau(u" DUPONT "_s), message, champ)) << message.toStdString();
    EXPECT_EQ(message, u"Utilisateur enregistre."_s);
    EXPECT_EQ(champ, Champ::Aucun);

    const int id = userId(u"DUPONT"_s);
    ASSERT_GT(id, 0);
    EXPECT_EQ(column(id, u"user_nom"_s).toString(), u"Nouveau nom"_s);
    EXPECT_EQ(column(id, u"user_email"_s).toString(), u"nouveau@exemple.fr"_s);
    EXPECT_EQ(column(id, u"niveau_acces"_s).toInt(), 7);
    EXPECT_EQ(column(id, u"user_droits"_s).toString(), u"EXPORT"_s);
    EXPECT_EQ(column(id, u"user_creation"_s).toString(), u"ADMIN"_s);
    EXPECT_TRUE(MorvaneSecurityUsers::VerifierHashMotDePasse(kPassword, column(id, u"password_hash"_s).toString()));
    EXPECT_EQ(logLines().last(),
              u"UTILISATEUR_CREATION|OK|ADMIN|Utilisateur Tresoline cree : DUPONT|MorvaneSecurityUsers"_s);

    const std::vector<LigneUtilisateur> lignes = Registre::ChargerListe(dm());
    ASSERT_EQ(lignes.size(), 2u);
    EXPECT_EQ(lignes[1].login, u"DUPONT"_s);
    EXPECT_EQ(lignes[1].niveau, u"Export"_s);
    EXPECT_EQ(lignes[1].actif, u"Oui"_s);
}

TEST_F(UserManagementTest, NewUserRefusals)
{
    struct Case
    {
        const char *what;
        FicheUtilisateur fiche;
        QString message;
        Champ champ;
    };
    FicheUtilisateur noEmail = nouveau(u"X1"_s);
    noEmail.email = u"@exemple.fr"_s;
    const QString exists = u"Ce login existe deja. Choisissez-en un autre."_s;
    const std::vector<Case> cases = {
        {"empty login", nouveau(u"  "_s), u"Le login est obligatoire."_s, Champ::Login},
        {"no password", nouveau(u"X1"_s, u"   "_s), u"Le mot de passe est obligatoire pour un nouvel utilisateur."_s,
         Champ::MotDePasse},
        {"bad e-mail", noEmail, u"Un email valide est obligatoire pour recuperer le mot de passe."_s, Champ::Email},
        {"weak password", nouveau(u"X1"_s, u"motdepasse"_s),
         u"Le mot de passe doit contenir au moins une lettre et un chiffre."_s, Champ::MotDePasse},
        {"same login", nouveau(u"ADMIN"_s), exists, Champ::Login},
        {"same login in another case", nouveau(u"admin"_s), exists, Champ::Login},
        {"same login with spaces", nouveau(u" Admin "_s), exists, Champ::Login},
    };
    for (const Case &c : cases) {
        QString message;
        Champ champ = Champ::Aucun;
        EXPECT_FALSE(enregistrer(c.fiche, message, champ)) << c.what;
        EXPECT_EQ(message, c.message) << c.what;
        EXPECT_EQ(champ, c.champ) << c.what;
    }
    EXPECT_EQ(SqlQuery::scalar(db(), u"SELECT COUNT(*) FROM T_USERS"_s).toInt(), 1);
}

TEST_F(UserManagementTest, ExistingUserKeepsOrChangesItsPassword)
{
    const int id = addUser(u"BERNARD"_s, kPassword, 7, u"b@exemple.fr"_s);
    const QString before = column(id, u"password_hash"_s).toString();
    FicheUtilisateur f = fiche(id);
    EXPECT_TRUE(f.motDePasse.isEmpty());
    f.nom = u"Bernard modifie"_s;
    QString message;
    Champ champ;
    ASSERT_TRUE(enregistrer(f, message, champ)) << message.toStdString();
    EXPECT_EQ(column(id, u"password_hash"_s).toString(), before);
    EXPECT_EQ(column(id, u"user_nom"_s).toString(), u"Bernard modifie"_s);
    EXPECT_EQ(column(id, u"user_modification"_s).toString(), u"ADMIN"_s);
    EXPECT_EQ(logLines().last(),
              u"UTILISATEUR_MODIFICATION|OK|ADMIN|Utilisateur Tresoline modifie : BERNARD|MorvaneSecurityUsers"_s);

    SqlQuery(db(), u"UPDATE T_USERS SET failed_attempts=3, locked_until_num=99999, reset_code_hash='AB', "
                   "reset_attempts=2 WHERE user_id=:id"_s)
        .bind(u":id"_s, id)
        .exec();
    f.motDePasse = u"Change2026"_s;
    ASSERT_TRUE(enregistrer(f, message, champ)) << message.toStdString();
    EXPECT_TRUE(MorvaneSecurityUsers::VerifierHashMotDePasse(u"Change2026"_s, column(id, u"password_hash"_s).toString()));
    EXPECT_EQ(column(id, u"failed_attempts"_s).toInt(), 0);
    EXPECT_EQ(column(id, u"locked_until_num"_s).toDouble(), 0.0);
    EXPECT_EQ(column(id, u"reset_code_hash"_s).toString(), QString());
    EXPECT_EQ(column(id, u"reset_attempts"_s).toInt(), 0);
}

TEST_F(UserManagementTest, LoggedInAdministratorCannotLowerOrDeactivateHimself)
{
    FicheUtilisateur self = fiche(adminId);
    EXPECT_FALSE(Registre::NiveauEtActifModifiables(self, u"admin"_s));
    EXPECT_FALSE(Registre::SuppressionPossible(self, u"admin"_s));
    for (const auto &[niveau, actif] : {std::pair{8, true}, std::pair{9, false}}) {
        FicheUtilisateur f = self;
        f.niveau = niveau;
        f.actif = actif;
        QString message;
        Champ champ;
        EXPECT_FALSE(enregistrer(f, message, champ));
        EXPECT_EQ(message, u"Le compte administrateur actuellement connecte ne peut pas etre desactive ni retrograde."_s);
    }
    EXPECT_EQ(column(adminId, u"niveau_acces"_s).toInt(), 9);
    EXPECT_EQ(column(adminId, u"user_actif"_s).toInt(), 1);
}

TEST_F(UserManagementTest, LastActiveAdministratorStays)
{
    const int chef = addUser(u"CHEF"_s, kPassword, 9, u"chef@exemple.fr"_s);
    FicheUtilisateur f = fiche(chef);
    f.niveau = 8;
    QString message;
    Champ champ;
    ASSERT_TRUE(enregistrer(f, message, champ)) << message.toStdString(); // ADMIN is still active

    SqlQuery(db(), u"UPDATE T_USERS SET niveau_acces = 9 WHERE user_id = :id"_s).bind(u":id"_s, chef).exec();
    SqlQuery(db(), u"UPDATE T_USERS SET user_actif = 0 WHERE user_id = :id"_s).bind(u":id"_s, adminId).exec();
    EXPECT_EQ(Registre::CompterAdminsActifs(dm(), chef), 0);
    f = fiche(chef);
    f.actif = false;
    EXPECT_FALSE(enregistrer(f, message, champ));
    EXPECT_EQ(message, u"Impossible : cet utilisateur est le dernier administrateur actif.\r\nCreez ou activez un autre "
                       "administrateur avant de le modifier."_s);
    EXPECT_EQ(column(chef, u"user_actif"_s).toInt(), 1);
}

TEST_F(UserManagementTest, LevelOutsideTheOfferedRangeIsSavedAsConsultation)
{
    const int id = addUser(u"ANCIEN"_s, kPassword, 3, u"a@exemple.fr"_s);
    EXPECT_EQ(Registre::ChargerListe(dm()).back().niveau, u"3"_s);
    QString message;
    Champ champ;
    ASSERT_TRUE(enregistrer(fiche(id), message, champ)) << message.toStdString();
    EXPECT_EQ(column(id, u"niveau_acces"_s).toInt(), 6);
    EXPECT_EQ(column(id, u"user_droits"_s).toString(), u"CONSULT"_s);
}

TEST_F(UserManagementTest, DatabaseErrorKeepsTheFormAndNamesTheCause)
{
    const int id = addUser(u"BLOQUE"_s, kPassword);
    SqlQuery::run(db(), u"CREATE TRIGGER trg_test_refus BEFORE UPDATE ON T_USERS BEGIN "
                        "SELECT RAISE(ABORT,'refus du test'); END"_s);
    QString message;
    Champ champ;
    EXPECT_FALSE(enregistrer(fiche(id), message, champ));
    EXPECT_TRUE(message.startsWith(u"Enregistrement impossible :\r\n"_s)) << message.toStdString();
    EXPECT_TRUE(message.contains(u"refus du test"_s)) << message.toStdString();
}

TEST_F(UserManagementTest, DeleteRules)
{
    const int chef = addUser(u"CHEF"_s, kPassword, 9);
    const int lambda = addUser(u"LAMBDA"_s, kPassword, 8);
    SqlQuery(db(), u"UPDATE T_USERS SET admin_initial = 1 WHERE user_id = :id"_s).bind(u":id"_s, adminId).exec();
    struct Case
    {
        const char *what;
        FicheUtilisateur fiche;
        QString currentLogin;
        QString message;
    };
    const std::vector<Case> cases = {
        {"no user", FicheUtilisateur(), u"ADMIN"_s, u"Selectionnez un utilisateur dans la liste."_s},
        {"own account", fiche(lambda), u"lambda"_s, u"Vous ne pouvez pas supprimer le compte actuellement connecte."_s},
        {"initial administrator", fiche(adminId), u"CHEF"_s,
         u"L'administrateur initial cree lors de la premiere mise en service est protege et ne peut jamais etre "
         "supprime."_s},
        {"administrator", fiche(chef), u"ADMIN"_s,
         u"Un compte administrateur ne peut pas etre supprime.\r\nSi sa suppression est vraiment necessaire, "
         "attribuez-lui d'abord un niveau inferieur depuis un autre compte administrateur."_s},
    };
    for (const Case &c : cases) {
        QString message;
        EXPECT_FALSE(Registre::Supprimer(dm(), c.fiche, c.currentLogin, message)) << c.what;
        EXPECT_EQ(message, c.message) << c.what;
    }
    EXPECT_TRUE(Registre::SuppressionPossible(fiche(lambda), u"ADMIN"_s));
    EXPECT_FALSE(Registre::SuppressionPossible(fiche(chef), u"ADMIN"_s));
    EXPECT_FALSE(Registre::SuppressionPossible(fiche(adminId), u"CHEF"_s));

    QString message;
    dialogs.answerYesNo(false);
    EXPECT_FALSE(Registre::Supprimer(dm(), fiche(lambda), u"ADMIN"_s, message));
    EXPECT_TRUE(message.isEmpty());
    EXPECT_EQ(dialogs.shown().back().text, u"Supprimer definitivement l'utilisateur \"LAMBDA\" ?"_s);
    EXPECT_GT(userId(u"LAMBDA"_s), 0);

    dialogs.answerYesNo(true);
    EXPECT_TRUE(Registre::Supprimer(dm(), fiche(lambda), u"ADMIN"_s, message)) << message.toStdString();
    EXPECT_EQ(userId(u"LAMBDA"_s), 0);
    EXPECT_EQ(logLines().last(),
              u"UTILISATEUR_SUPPRESSION|OK|ADMIN|Utilisateur Tresoline supprime : LAMBDA|MorvaneSecurityUsers"_s);
}

TEST_F(UserManagementTest, AdministratorPredicatesOnUnknownIds)
{
    for (int id : {0, -1, 9999}) {
        EXPECT_FALSE(Registre::EstAdministrateur(dm(), id));
        EXPECT_FALSE(Registre::EstAdministrateurInitial(dm(), id));
    }
    EXPECT_TRUE(Registre::EstAdministrateur(dm(), adminId));
    FicheUtilisateur f;
    EXPECT_FALSE(Registre::ChargerFiche(dm(), 9999, f));
}
