#include "db/SqlQuery.h"
#include "security/ui/GestionUtilisateursWindow.h"
#include "ui/UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

class UsersWindowTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        loginAs(9, QStringLiteral("CHEF"));
        window = std::make_unique<GestionUtilisateursWindow>(data(), QStringLiteral("CHEF"), nullptr);
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        UiTest::TearDown();
    }

    template <typename T>
    T *w(const char *name)
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QLineEdit *edit(const char *name) { return w<QLineEdit>(name); }
    void select(const QString &login)
    {
        auto *list = w<QTreeWidget>("lvUsers");
        const auto found = list->findItems(login, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << login.toStdString();
        list->setCurrentItem(found.constFirst());
    }
    QStringList listed()
    {
        QStringList rows;
        auto *list = w<QTreeWidget>("lvUsers");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = list->topLevelItem(i);
            rows << item->text(0) + QLatin1Char('|') + item->text(3) + QLatin1Char('|') + item->text(4);
        }
        return rows;
    }
    void click(const char *name) { w<QPushButton>(name)->click(); }
    QString lastShown() const { return dialogs.shown().empty() ? QString() : dialogs.shown().back().text; }
    QVariant stored(const QString &login, const QString &column)
    {
        SqlQuery q(data().UnConnection_dossier(),
                   QStringLiteral("SELECT ") + column + QStringLiteral(" FROM T_USERS WHERE user_login = :l"));
        q.bind(QStringLiteral(":l"), login).exec();
        return q.next() ? q.value(0) : QVariant();
    }
    void addUser(const QString &login, int level)
    {
        SqlQuery(data().UnConnection_dossier(),
                 QStringLiteral("INSERT INTO T_USERS (user_login, user_nom, user_email, cv, niveau_acces, user_droits, "
                                "user_actif, password_hash) VALUES (:l, :l, 'x@example.fr', '', :n, 'X', 1, 'h')"))
            .bind(QStringLiteral(":l"), login)
            .bind(QStringLiteral(":n"), level)
            .exec();
        window->ChargerListe();
    }

    std::unique_ptr<GestionUtilisateursWindow> window;
};

} // namespace

TEST_F(UsersWindowTest, OwnAccountKeepsItsLevelAndCannotBeDeleted)
{
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("ADMIN|Administrateur|Oui"), QStringLiteral("CHEF|Administrateur|Oui")}));
    EXPECT_EQ(window->size(), QSize(640, 486));
    EXPECT_TRUE(clippedTexts(window.get()).isEmpty()) << clippedTexts(window.get()).join(QLatin1Char(',')).toStdString();
    select(QStringLiteral("CHEF"));
    EXPECT_TRUE(edit("EditLogin")->isReadOnly());
    EXPECT_FALSE(w<QComboBox>("ComboNiveau")->isEnabled());
    EXPECT_FALSE(w<QCheckBox>("CheckActif")->isEnabled());
    EXPECT_FALSE(w<QPushButton>("BtnSupprimer")->isEnabled());
    EXPECT_TRUE(edit("EditMotDePasse")->text().isEmpty());
    saveScreenshot(window.get(), QStringLiteral("users_own_account"));

    // Changed anyway (the controls are only a first barrier): the save refuses it.
    w<QCheckBox>("CheckActif")->setChecked(false);
    click("BtnEnregistrer");
    EXPECT_EQ(lastShown(),
              QStringLiteral("Le compte administrateur actuellement connecte ne peut pas etre desactive ni retrograde."));
    EXPECT_EQ(stored(QStringLiteral("CHEF"), QStringLiteral("user_actif")).toInt(), 1);
}

TEST_F(UsersWindowTest, NewUserNeedsAPasswordThenIsListedAndTheFormIsEmptied)
{
    edit("EditLogin")->setText(QStringLiteral("marie"));
    edit("EditNom")->setText(QStringLiteral("Marie Curie"));
    edit("EditEmail")->setText(QStringLiteral("marie@cabinet.fr"));
    w<QComboBox>("ComboNiveau")->setCurrentIndex(1);
    click("BtnEnregistrer");
    EXPECT_EQ(lastShown(), QStringLiteral("Le mot de passe est obligatoire pour un nouvel utilisateur."));
    EXPECT_TRUE(edit("EditMotDePasse")->hasFocus() || !window->isActiveWindow());

    edit("EditMotDePasse")->setText(QStringLiteral("Compta2026"));
    click("BtnEnregistrer");
    EXPECT_EQ(lastShown(), QStringLiteral("Utilisateur enregistre."));
    EXPECT_TRUE(listed().contains(QStringLiteral("marie|Export|Oui")));
    EXPECT_EQ(stored(QStringLiteral("marie"), QStringLiteral("user_droits")).toString(), QStringLiteral("EXPORT"));
    EXPECT_NE(stored(QStringLiteral("marie"), QStringLiteral("password_hash")).toString(), QStringLiteral("Compta2026"));
    EXPECT_EQ(window->FUserId(), 0);
    EXPECT_TRUE(edit("EditLogin")->text().isEmpty());
    EXPECT_EQ(window->NiveauSelectionne(), 6);
}

TEST_F(UsersWindowTest, DeleteAsksFirstAndAdministratorsAreProtected)
{
    addUser(QStringLiteral("paul"), 7);
    addUser(QStringLiteral("adjoint"), 9);
    select(QStringLiteral("adjoint"));
    EXPECT_FALSE(w<QPushButton>("BtnSupprimer")->isEnabled()) << "an administrator is never deleted";
    select(QStringLiteral("ADMIN"));
    EXPECT_FALSE(w<QPushButton>("BtnSupprimer")->isEnabled()) << "nor the initial administrator";

    select(QStringLiteral("paul"));
    ASSERT_TRUE(w<QPushButton>("BtnSupprimer")->isEnabled());
    dialogs.answerYesNo(false);
    click("BtnSupprimer");
    EXPECT_EQ(lastShown(), QStringLiteral("Supprimer definitivement l'utilisateur \"paul\" ?"));
    EXPECT_TRUE(stored(QStringLiteral("paul"), QStringLiteral("user_id")).isValid());
    dialogs.answerYesNo(true);
    click("BtnSupprimer");
    EXPECT_FALSE(stored(QStringLiteral("paul"), QStringLiteral("user_id")).isValid());
    EXPECT_FALSE(listed().contains(QStringLiteral("paul|Export|Oui")));
    EXPECT_FALSE(w<QPushButton>("BtnSupprimer")->isEnabled()) << "back to an empty form";
}

TEST_F(UsersWindowTest, LoweringAnotherAdministratorDependsOnWhoStaysActive)
{
    addUser(QStringLiteral("adjoint"), 9);
    // CHEF stays an active administrator: lowering ADJOINT is accepted.
    select(QStringLiteral("adjoint"));
    w<QComboBox>("ComboNiveau")->setCurrentIndex(2);
    click("BtnEnregistrer");
    EXPECT_EQ(lastShown(), QStringLiteral("Utilisateur enregistre."));
    EXPECT_EQ(stored(QStringLiteral("adjoint"), QStringLiteral("niveau_acces")).toInt(), 8);

    // With CHEF and ADMIN gone from the active administrators, ADJOINT (back to 9) is the last one.
    SqlQuery::run(data().UnConnection_dossier(),
                  QStringLiteral("UPDATE T_USERS SET niveau_acces = 9 WHERE user_login = 'adjoint'"));
    SqlQuery::run(data().UnConnection_dossier(),
                  QStringLiteral("UPDATE T_USERS SET user_actif = 0 WHERE user_login IN ('CHEF', 'ADMIN')"));
    window->ChargerListe();
    select(QStringLiteral("adjoint"));
    w<QCheckBox>("CheckActif")->setChecked(false);
    click("BtnEnregistrer");
    EXPECT_EQ(lastShown(), QStringLiteral("Impossible : cet utilisateur est le dernier administrateur actif.\r\n"
                                          "Creez ou activez un autre administrateur avant de le modifier."));
}

TEST_F(UsersWindowTest, OddLevelIsListedAsItsNumberAndSavedAsLevelSix)
{
    addUser(QStringLiteral("ancien"), 4);
    EXPECT_TRUE(listed().contains(QStringLiteral("ancien|4|Oui")));
    select(QStringLiteral("ancien"));
    EXPECT_EQ(window->NiveauSelectionne(), 6);
    click("BtnEnregistrer");
    EXPECT_EQ(stored(QStringLiteral("ancien"), QStringLiteral("niveau_acces")).toInt(), 6);
    EXPECT_EQ(stored(QStringLiteral("ancien"), QStringLiteral("user_droits")).toString(), QStringLiteral("CONSULT"));
    EXPECT_EQ(stored(QStringLiteral("ancien"), QStringLiteral("password_hash")).toString(), QStringLiteral("h"))
        << "a blank password keeps the stored one";
}

TEST_F(UsersWindowTest, BelowLevelNineTheWindowIsRefused)
{
    GestionUtilisateursWindow::Ouvrir(data(), QStringLiteral("CHEF"), 8);
    EXPECT_EQ(lastShown(), QStringLiteral("La gestion des utilisateurs est reservee au niveau 9 (administrateur)."));
}
