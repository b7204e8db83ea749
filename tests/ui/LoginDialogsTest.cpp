#include "db/SqlQuery.h"
#include "security/MorvaneSecurityUsers.h"
#include "security/ui/ConnexionTresoline.h"
#include "support/SmtpRelay.h"
#include "ui/UiTestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace {

QLineEdit *edit(QWidget *w, const char *name)
{
    return w->findChild<QLineEdit *>(QString::fromLatin1(name));
}

void click(QWidget *w, const char *name)
{
    w->findChild<QPushButton *>(QString::fromLatin1(name))->click();
}

class LoginDialogsTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        prepareConfig();
        SqlQuery::run(data().UnConnection_dossier(),
                      QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = 'SARL Dupont', "
                                     "email = ' compta@dupont.fr '"));
    }
    void createAdmin()
    {
        QString erreur;
        ASSERT_TRUE(MorvaneSecurityUsers::CreerAdministrateurInitial(data(), QStringLiteral("ADMIN"),
                                                                     QStringLiteral("Administrateur"),
                                                                     QStringLiteral("admin@dupont.fr"),
                                                                     QStringLiteral("Secret2026"), erreur))
            << erreur.toStdString();
    }
    QString lastShown() const { return dialogs.shown().empty() ? QString() : dialogs.shown().back().text; }
    // Before the data module exists: its configuration is copied at creation.
    virtual void prepareConfig() {}
};

} // namespace

TEST_F(LoginDialogsTest, NewDatabaseAsksForTheAdministratorPreFilledAndQuitEndsTheStart)
{
    QStringList prefilled;
    whenModalShown(QStringLiteral("TFormCreationAdminMorvane"), [&](QWidget *w) {
        prefilled << edit(w, "EditLogin")->text() << edit(w, "EditNom")->text() << edit(w, "EditEmail")->text();
        EXPECT_EQ(w->size(), QSize(610, 410));
        EXPECT_TRUE(clippedTexts(w).isEmpty()) << clippedTexts(w).join(QLatin1Char(',')).toStdString();
        saveScreenshot(w, QStringLiteral("login_create_admin"));
        click(w, "BtnQuitter");
    });
    MorvaneUtilisateur user;
    EXPECT_FALSE(TConnexionTresoline::Executer(data(), user));
    EXPECT_EQ(prefilled, (QStringList{QStringLiteral("ADMIN"), QStringLiteral("Administrateur"),
                                      QStringLiteral("compta@dupont.fr")}));
    EXPECT_TRUE(MorvaneSecurityUsers::AdministrateurInitialRequis(data()));
}

TEST_F(LoginDialogsTest, AdministratorChecksThenTheLoginOpensAtOnce)
{
    bool loginShown = false;
    whenModalShown(QStringLiteral("TFormCreationAdminMorvane"), [&](QWidget *w) {
        edit(w, "EditEmail")->setText(QStringLiteral("@dupont.fr"));
        click(w, "BtnCreer");
        EXPECT_EQ(lastShown(),
                  QStringLiteral("Une adresse email valide est obligatoire pour recuperer le mot de passe."));
        edit(w, "EditEmail")->setText(QStringLiteral("admin@dupont.fr"));
        edit(w, "EditMotDePasse")->setText(QStringLiteral("Secret2026"));
        edit(w, "EditConfirmation")->setText(QStringLiteral("Secret2027"));
        click(w, "BtnCreer");
        EXPECT_EQ(lastShown(), QStringLiteral("Les deux mots de passe sont differents."));
        edit(w, "EditMotDePasse")->setText(QStringLiteral("court"));
        edit(w, "EditConfirmation")->setText(QStringLiteral("court"));
        click(w, "BtnCreer");
        EXPECT_TRUE(lastShown().startsWith(QStringLiteral("Creation impossible :\r\n"))) << lastShown().toStdString();
        EXPECT_TRUE(w->isVisible());
        whenModalShown(QStringLiteral("TFormConnexionMorvane"), [&](QWidget *login) {
            loginShown = true;
            EXPECT_EQ(login->size(), QSize(520, 300));
            EXPECT_TRUE(clippedTexts(login).isEmpty()) << clippedTexts(login).join(QLatin1Char(',')).toStdString();
            saveScreenshot(login, QStringLiteral("login"));
            edit(login, "EditLogin")->setText(QStringLiteral(" admin "));
            edit(login, "EditMotDePasse")->setText(QStringLiteral("Secret2026"));
            click(login, "BtnConnexion");
        });
        edit(w, "EditMotDePasse")->setText(QStringLiteral("Secret2026"));
        edit(w, "EditConfirmation")->setText(QStringLiteral("Secret2026"));
        click(w, "BtnCreer");
    });
    MorvaneUtilisateur user;
    EXPECT_TRUE(TConnexionTresoline::Executer(data(), user));
    EXPECT_TRUE(loginShown);
    EXPECT_EQ(user.Login, QStringLiteral("ADMIN"));
    EXPECT_EQ(user.Niveau, 9);
    EXPECT_EQ(user.Email, QStringLiteral("admin@dupont.fr"));
}

TEST_F(LoginDialogsTest, WrongPasswordsEmptyTheFieldKeepTheLoginThenLock)
{
    createAdmin();
    QStringList messages;
    whenModalShown(QStringLiteral("TFormConnexionMorvane"), [&](QWidget *w) {
        edit(w, "EditLogin")->setText(QStringLiteral("ADMIN"));
        auto *show = w->findChild<QCheckBox *>(QStringLiteral("CheckAfficher"));
        show->setChecked(true);
        EXPECT_EQ(edit(w, "EditMotDePasse")->echoMode(), QLineEdit::Normal);
        show->setChecked(false);
        EXPECT_EQ(edit(w, "EditMotDePasse")->echoMode(), QLineEdit::Password);
        for (int attempt = 1; attempt <= 6; ++attempt) {
            edit(w, "EditMotDePasse")->setText(QStringLiteral("Mauvais%1").arg(attempt));
            click(w, "BtnConnexion");
            messages << lastShown();
            EXPECT_TRUE(edit(w, "EditMotDePasse")->text().isEmpty());
            EXPECT_EQ(edit(w, "EditLogin")->text(), QStringLiteral("ADMIN"));
        }
        // Even the right password is refused while the account is locked.
        edit(w, "EditMotDePasse")->setText(QStringLiteral("Secret2026"));
        click(w, "BtnConnexion");
        messages << lastShown();
        EXPECT_TRUE(w->isVisible());
        click(w, "BtnQuitter");
    });
    MorvaneUtilisateur user;
    EXPECT_FALSE(TConnexionTresoline::Executer(data(), user));
    ASSERT_EQ(messages.size(), 7);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(messages[i], QStringLiteral("Utilisateur ou mot de passe incorrect.")) << i;
    EXPECT_TRUE(messages[5].startsWith(QStringLiteral("Compte temporairement bloque."))) << messages[5].toStdString();
    EXPECT_TRUE(messages[6].startsWith(QStringLiteral("Compte temporairement bloque.")));
}

TEST_F(LoginDialogsTest, ForgotPasswordWithoutLoginCreatesNoCode)
{
    createAdmin();
    whenModalShown(QStringLiteral("TFormConnexionMorvane"), [&](QWidget *w) {
        edit(w, "EditLogin")->setText(QStringLiteral("   "));
        click(w, "BtnOublie");
        click(w, "BtnQuitter");
    });
    MorvaneUtilisateur user;
    EXPECT_FALSE(TConnexionTresoline::Executer(data(), user));
    EXPECT_EQ(lastShown(), QStringLiteral("Saisissez d'abord votre identifiant utilisateur."));
    EXPECT_EQ(SqlQuery::scalar(data().UnConnection_dossier(),
                               QStringLiteral("SELECT COUNT(*) FROM T_USERS WHERE COALESCE(reset_code_hash,'') <> ''"))
                  .toInt(),
              0);
}

class RecoveryDialogTest : public LoginDialogsTest
{
protected:
    void prepareConfig() override
    {
        ASSERT_TRUE(relay.running()) << relay.startError().toStdString();
        relay.configure(config());
    }
    SmtpRelay relay;
};

TEST_F(RecoveryDialogTest, CodeMailedToTheMaskedAddressResetsThePassword)
{
    createAdmin();
    QString info;
    QString typedCode;
    bool back = false;
    whenModalShown(QStringLiteral("TFormConnexionMorvane"), [&](QWidget *login) {
        edit(login, "EditLogin")->setText(QStringLiteral("admin"));
        // First a recovery abandoned with Annuler: back to the login as it was.
        whenModalShown(QStringLiteral("TFormRecuperationMorvane"), [&](QWidget *w) {
            info = w->findChild<QLabel *>(QStringLiteral("LabelInfo"))->text();
            QLineEdit *code = edit(w, "EditCode");
            typeText(code, QStringLiteral("12345678"));
            typedCode = code->text();
            EXPECT_EQ(w->size(), QSize(590, 340));
            EXPECT_TRUE(clippedTexts(w).isEmpty()) << clippedTexts(w).join(QLatin1Char(',')).toStdString();
            saveScreenshot(w, QStringLiteral("login_recovery"));
            click(w, "BtnAnnuler");
        });
        click(login, "BtnOublie");
        EXPECT_TRUE(dialogs.shown().empty()) << lastShown().toStdString();
        back = login->isVisible() && edit(login, "EditLogin")->text() == QStringLiteral("admin");

        // Then the real one with the code of the newest mail.
        relay.clear();
        whenModalShown(QStringLiteral("TFormRecuperationMorvane"), [&](QWidget *w) {
            ASSERT_TRUE(waitFor([&] { return !relay.messages().empty(); }));
            const QString body = relay.messages().back().body;
            const QString code = QRegularExpression(QStringLiteral("\\b(\\d{6})\\b")).match(body).captured(1);
            ASSERT_FALSE(code.isEmpty()) << body.toStdString();
            edit(w, "EditCode")->setText(code);
            edit(w, "EditMotDePasse")->setText(QStringLiteral("Nouveau2026"));
            edit(w, "EditConfirmation")->setText(QStringLiteral("Nouveau2026"));
            click(w, "BtnValider");
        });
        click(login, "BtnOublie");
        edit(login, "EditMotDePasse")->setText(QStringLiteral("Nouveau2026"));
        click(login, "BtnConnexion");
    });
    MorvaneUtilisateur user;
    EXPECT_TRUE(TConnexionTresoline::Executer(data(), user));
    EXPECT_EQ(info, QStringLiteral("Un code a ete envoye a a***@dupont.fr. Il reste valable 10 minutes et trois "
                                   "essais maximum."));
    EXPECT_EQ(typedCode, QStringLiteral("123456"));
    EXPECT_TRUE(back);
    EXPECT_TRUE(dialogs.texts().contains(QStringLiteral("Le mot de passe a ete reinitialise. Vous pouvez vous connecter.")));
    EXPECT_EQ(user.Login, QStringLiteral("ADMIN"));
}

TEST_F(LoginDialogsTest, UnsentCodeIsReportedAndTheLoginStays)
{
    createAdmin(); // no relay configured: the mail cannot leave
    whenModalShown(QStringLiteral("TFormConnexionMorvane"), [&](QWidget *w) {
        edit(w, "EditLogin")->setText(QStringLiteral("ADMIN"));
        click(w, "BtnOublie");
        EXPECT_TRUE(w->isVisible());
        click(w, "BtnQuitter");
    });
    MorvaneUtilisateur user;
    EXPECT_FALSE(TConnexionTresoline::Executer(data(), user));
    EXPECT_TRUE(lastShown().startsWith(QStringLiteral("Le code n'a pas pu etre envoye :\r\n"))) << lastShown().toStdString();
}
