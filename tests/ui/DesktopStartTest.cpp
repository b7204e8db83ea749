#include "app/ui/DesktopStart.h"
#include "app/ui/MainWindow.h"
#include "db/SqlQuery.h"
#include "support/BridgeSimFixture.h"
#include "ui/UiTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTimer>

namespace {

void setText(QWidget *w, const char *name, const QString &text)
{
    auto *edit = w->findChild<QLineEdit *>(QString::fromLatin1(name));
    ASSERT_TRUE(edit) << name;
    edit->setText(text);
}

void click(QWidget *w, const char *name)
{
    auto *button = w->findChild<QPushButton *>(QString::fromLatin1(name));
    ASSERT_TRUE(button) << name;
    button->click();
}

// Sets the variables for the length of a test and restores them after.
class Environment final
{
public:
    void set(const char *name, const QString &value)
    {
        m_saved.emplace_back(name, qgetenv(name));
        qputenv(name, value.toUtf8());
    }
    ~Environment()
    {
        for (const auto &[name, value] : m_saved)
            qputenv(name, value);
    }

private:
    std::vector<std::pair<const char *, QByteArray>> m_saved;
};

} // namespace

// A first start on a fresh folder, as a person does it: administrator, login, the
// company identification the program asks for, then the main window.
TEST(DesktopStartTest, FirstStartCreatesTheAdministratorIdentifiesTheCompanyAndShowsTheMainWindow)
{
    QTemporaryDir home;
    BridgeSimFixture sim(QStringLiteral("consents"));
    Environment env;
    env.set("TRESOLINE_HOME", home.path());
    env.set("TRESOLINE_BRIDGE_URL", sim.baseUrl());
    env.set("TRESOLINE_BRIDGE_CLIENT_ID", QStringLiteral("client-test"));
    env.set("TRESOLINE_BRIDGE_CLIENT_SECRET", QStringLiteral("secret-test"));
    env.set("TRESOLINE_UPDATE_URL", QString());

    QString title;
    QStringList steps;
    whenModalShown(QStringLiteral("TFormCreationAdminMorvane"), [&](QWidget *admin) {
        steps << QStringLiteral("admin");
        setText(admin, "EditEmail", QStringLiteral("admin@cabinet-bernard.fr"));
        setText(admin, "EditMotDePasse", QStringLiteral("Bernard2026"));
        setText(admin, "EditConfirmation", QStringLiteral("Bernard2026"));
        whenModalShown(QStringLiteral("TFormConnexionMorvane"), [&](QWidget *login) {
            steps << QStringLiteral("login");
            setText(login, "EditLogin", QStringLiteral("admin"));
            setText(login, "EditMotDePasse", QStringLiteral("Bernard2026"));
            // The report address is missing: the program says so, then opens the company window.
            whenModalShown({}, [&](QWidget *box) {
                auto *message = qobject_cast<QMessageBox *>(box);
                ASSERT_TRUE(message) << box->objectName().toStdString();
                steps << QStringLiteral("message");
                whenModalShown(QStringLiteral("TIdentificationSociete"), [&](QWidget *company) {
                    steps << QStringLiteral("societe");
                    setText(company, "EditRaisonSociale", QStringLiteral("Cabinet Bernard"));
                    setText(company, "EditEmail", QStringLiteral("compta@cabinet-bernard.fr"));
                    click(company, "BtnEnregistrer");
                });
                message->button(QMessageBox::Ok)->click();
            });
            click(login, "BtnConnexion");
        });
        click(admin, "BtnCreer");
    });
    // Once the main window has shown its data, look at it and close it: the program ends.
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *main = qobject_cast<MainWindow *>(top);
            if (main && main->isVisible() && main->premierAffichageTermine() && !QApplication::activeModalWidget()) {
                poll->stop();
                poll->deleteLater();
                title = main->windowTitle();
                saveScreenshot(main, QStringLiteral("first_start_main_window"));
                main->close();
                return;
            }
        }
    });
    poll->start(20);

    const int code = DesktopStart::run({});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(steps, (QStringList{QStringLiteral("admin"), QStringLiteral("login"), QStringLiteral("message"),
                                  QStringLiteral("societe")}));
    EXPECT_EQ(title, QStringLiteral("Tresoline - FileVersion : 1.0.0.0 - Societe : Cabinet Bernard"));

    // What the start left in the database.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lecture_demarrage"));
        db.setDatabaseName(home.path() + QStringLiteral("/datas/MORVANEBANK.db"));
        ASSERT_TRUE(db.open());
        EXPECT_EQ(SqlQuery::scalar(db, QStringLiteral("SELECT email FROM T_IDENTIFICATION_SOCIETE")).toString(),
                  QStringLiteral("compta@cabinet-bernard.fr"));
        EXPECT_EQ(SqlQuery::scalar(db, QStringLiteral("SELECT COUNT(*) FROM T_LOG_OPERATIONS WHERE operation = 'VERSION' "
                                                      "AND message LIKE 'Controle de version non configure%'"))
                      .toInt(),
                  1);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lecture_demarrage"));
}
