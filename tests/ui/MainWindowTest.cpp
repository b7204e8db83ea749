#include "app/IniSettings.h"
#include "app/ui/BankListWindow.h"
#include "app/ui/ComptesModel.h"
#include "app/ui/GrilleComptes.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PanneauDerniereSync.h"
#include "db/SqlQuery.h"
#include "support/BridgeSimTest.h"
#include "ui/UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>

namespace {

// Forwards to the scripted user and notes, for each box, whether the progress
// window was still open when it was shown.
class WatchingDialogs final : public UserDialogs
{
public:
    WatchingDialogs(ScriptedDialogs &inner, std::function<bool()> progressOpen)
        : m_inner(inner), m_progressOpen(std::move(progressOpen))
    {
    }
    void inform(const QString &t, const QString &x) override { note(x); m_inner.inform(t, x); }
    void warn(const QString &t, const QString &x) override { note(x); m_inner.warn(t, x); }
    void error(const QString &t, const QString &x) override { note(x); m_inner.error(t, x); }
    bool askYesNo(const QString &t, const QString &x) override { note(x); return m_inner.askYesNo(t, x); }
    bool inputText(const QString &t, const QString &p, QString &v) override { return m_inner.inputText(t, p, v); }
    bool chooseFolder(const QString &t, QString &f) override { return m_inner.chooseFolder(t, f); }
    bool runModal(const QString &w) override { return m_inner.runModal(w); }

    QStringList hiddenBehindProgress;

private:
    void note(const QString &text)
    {
        if (m_progressOpen && m_progressOpen())
            hiddenBehindProgress << text;
    }
    ScriptedDialogs &m_inner;
    std::function<bool()> m_progressOpen;
};

class MainWindowTest : public BridgeSimTest
{
protected:
    QString scenarioName() const override { return QStringLiteral("consents"); }

    void SetUp() override
    {
        BridgeSimTest::SetUp();
        dm().setDialogs(&watching);
        SqlQuery(dm().UnConnection_dossier(),
                 QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = 'Cabinet Bernard', "
                                "email = 'compta@cabinet-bernard.fr', bridge_external_user_id = :u"))
            .bind(QStringLiteral(":u"), sim.externalUserId())
            .exec();
        dm().ChargerSocieteCourante();
    }
    void TearDown() override
    {
        window.reset();
        dm().setDialogs(nullptr);
        EXPECT_TRUE(dialogs.allAnswersUsed());
        BridgeSimTest::TearDown();
    }

    // Creates the window for a user of that level and shows it.
    void open(int niveau, const QString &login = QStringLiteral("COMPTABLE"), bool show = true)
    {
        window = std::make_unique<MainWindow>(dm());
        window->setConnexion([niveau, login](MorvaneUtilisateur &u) {
            u = {42, login, QStringLiteral("Jeanne Comptable"), QStringLiteral("j@cabinet-bernard.fr"), niveau,
                 QStringLiteral("TEST")};
            return true;
        });
        MainWindow::FenetresLiees liees;
        liees.releves = [this](QWidget *, DataModule &, const QString &iban, bool historique) {
            opened << QStringLiteral("releves:") + iban + (historique ? QStringLiteral(":complet") : QString());
        };
        liees.cartes = [this](QWidget *, DataModule &, const QString &iban) { opened << QStringLiteral("cartes:") + iban; };
        window->setFenetresLiees(liees);
        window->setControleVersion([](QString &message) {
            message = QStringLiteral("Controle de version non configure");
            return false;
        });
        window->setHorloge([this] { return ticks; });
        ASSERT_TRUE(window->FormCreate());
        if (!show)
            return;
        window->resize(1280, 800);
        window->show();
        ASSERT_TRUE(waitFor([this] { return window->premierAffichageTermine(); }));
    }

    template <typename T>
    T *w(const char *name)
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    void listAccounts() { window->Button9Click(); }
    int rowOf(const QString &field, const QString &value)
    {
        const ComptesModel *m = window->grilleComptes()->modele();
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->valeur(r, field).toString() == value)
                return r;
        return -1;
    }
    void insertAccount(const QString &iban, const QString &type, const QString &banque, const QString &finConsentement)
    {
        SqlQuery(dm().UnConnection_dossier(),
                 QStringLiteral("INSERT INTO T_COMPTES (iban, type_compte, nom_banque, date_fin_consentement, "
                                "dernier_solde_bridge, client_email) VALUES (:i, :t, :b, :f, 100.5, 'x@y.fr')"))
            .bind(QStringLiteral(":i"), iban)
            .bind(QStringLiteral(":t"), type)
            .bind(QStringLiteral(":b"), banque)
            .bind(QStringLiteral(":f"), finConsentement)
            .exec();
    }
    QString lastShown() const { return dialogs.shown().empty() ? QString() : dialogs.shown().back().text; }

    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    WatchingDialogs watching{dialogs, [this] { return window && window->fenetreSync(); }};
    QStringList opened;
    qint64 ticks = 1000;
};

} // namespace

TEST_F(MainWindowTest, AdministratorSeesTheAccountsWithConsentColoursTitleAndStatusBar)
{
    open(9, QStringLiteral("ADMIN"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tresoline - FileVersion : 1.0.0.0 - Societe : Cabinet Bernard"));
    EXPECT_EQ(w<QLabel>("StatusBar1Panel1")->text(), QStringLiteral("Utilisateur : ADMIN   |   Niveau : 9"));
    EXPECT_TRUE(w<QLabel>("StatusBar1Panel0")->text().startsWith(QStringLiteral("Programme : /")));
    EXPECT_EQ(w<QLineEdit>("Edit1")->text(), QStringLiteral("CABINET-BERNARD"));
    EXPECT_FALSE(w<QLineEdit>("Edit2")->text().isEmpty()) << "a token at first display";
    const QStringList logs = logLines(dm());
    EXPECT_TRUE(logs.contains(QStringLiteral("PROGRAMME|Entrée dans le programme|OK|Form2")));
    EXPECT_TRUE(logs.contains(QStringLiteral("VERSION|Controle de version non configure|INFO|Form2")));
    EXPECT_TRUE(std::any_of(logs.begin(), logs.end(), [](const QString &l) {
        return l.startsWith(QStringLiteral("PROVIDERS|FDMemTable1 : ")) && l.contains(QStringLiteral(" | 62="));
    }));

    listAccounts();
    const ComptesModel *m = window->grilleComptes()->modele();
    ASSERT_EQ(m->rowCount(), 5);
    // The scenario's consents: today, in 10 days, in 11 days, yesterday, none.
    QList<ComptesModel::Consentement> etats;
    for (int r = 0; r < m->rowCount(); ++r)
        etats << m->consentement(r);
    EXPECT_EQ(etats.count(ComptesModel::Consentement::Rouge), 1);
    EXPECT_EQ(etats.count(ComptesModel::Consentement::Orange), 2);
    EXPECT_EQ(etats.count(ComptesModel::Consentement::Aucun), 2);
    for (int r = 0; r < m->rowCount(); ++r) {
        const QVariant bg = m->index(r, 3).data(Qt::BackgroundRole);
        if (m->consentement(r) == ComptesModel::Consentement::Rouge) {
            EXPECT_EQ(bg.value<QColor>(), QColor(220, 53, 69));
        } else if (m->consentement(r) == ComptesModel::Consentement::Aucun) {
            EXPECT_FALSE(bg.isValid());
        }
    }
    EXPECT_EQ(window->grilleComptes()->titreColonne(QStringLiteral("client_raison_sociale")),
              QStringLiteral("Société / client"));
    EXPECT_TRUE(window->grilleComptes()->colonneVisible(QStringLiteral("dernier_solde_bridge")));
    EXPECT_FALSE(window->grilleComptes()->colonneVisible(QStringLiteral("client_email")));
    EXPECT_FALSE(window->grilleComptes()->colonneVisible(QStringLiteral("societe_id")));
    EXPECT_TRUE(window->grilleComptes()->vue()->editTriggers() == QAbstractItemView::NoEditTriggers);
    saveScreenshot(window.get(), QStringLiteral("main_window"));
}

TEST(ConsentColoursTest, EndedYesterdayRedWithinTenDaysOrangeLaterNone)
{
    const QDate today(2026, 3, 15);
    const struct
    {
        QVariant value;
        ComptesModel::Consentement expected;
    } cases[] = {
        {QStringLiteral("2026-03-14"), ComptesModel::Consentement::Rouge},
        {QStringLiteral("2026-03-15"), ComptesModel::Consentement::Orange},
        {QStringLiteral("2026-03-25"), ComptesModel::Consentement::Orange},
        {QStringLiteral("2026-03-26"), ComptesModel::Consentement::Aucun},
        {QStringLiteral("14/03/2026"), ComptesModel::Consentement::Rouge},
        {QStringLiteral("2026-03-20T00:00:00"), ComptesModel::Consentement::Orange},
        {QDate(2026, 3, 1), ComptesModel::Consentement::Rouge},
        {QStringLiteral(""), ComptesModel::Consentement::Aucun},
        {QVariant(), ComptesModel::Consentement::Aucun},
        {QStringLiteral("bientot"), ComptesModel::Consentement::Aucun},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ComptesModel::etatConsentement(c.value, today), c.expected) << c.value.toString().toStdString();
}

TEST_F(MainWindowTest, LevelRulesForEveryControl)
{
    const struct
    {
        int niveau;
        bool adminVisible;
        bool syncEnabled;
        bool dataEnabled;
        bool balances;
    } cases[] = {{9, true, true, true, true}, {8, false, true, true, false}, {7, false, false, true, false},
                 {5, false, false, false, false}};
    for (const auto &c : cases) {
        open(c.niveau);
        insertAccount(QStringLiteral("FR7630001007941234567890185"), QStringLiteral("checking"),
                      QStringLiteral("BNP Paribas"), QStringLiteral("2030-01-01"));
        window->RafraichirFenetreComptes();
        // Tool bar buttons may sit in its overflow menu: their action says whether they are offered.
        auto *bar = w<QToolBar>("ToolBar1");
        for (const char *name : {"FBtnLogsModal", "FBtnUtilisateursTresoline", "FBtnSociete", "FBtnUtilisateursBridge"}) {
            QPushButton *button = w<QPushButton>(name);
            const auto actions = bar->actions();
            const auto action = std::find_if(actions.begin(), actions.end(),
                                             [&](QAction *a) { return bar->widgetForAction(a) == button; });
            ASSERT_NE(action, actions.end()) << name;
            EXPECT_EQ((*action)->isVisible(), c.adminVisible) << name << " at level " << c.niveau;
        }
        EXPECT_EQ(w<QPushButton>("button3")->isVisible(), c.adminVisible) << c.niveau;
        EXPECT_EQ(w<QPushButton>("Button4")->isEnabled(), c.syncEnabled) << c.niveau;
        EXPECT_EQ(w<QPushButton>("FBtnReleves")->isEnabled(), c.dataEnabled) << c.niveau;
        EXPECT_EQ(w<QPushButton>("FBtnCartes")->isEnabled(), c.dataEnabled) << c.niveau;
        for (const char *field : {"dernier_solde_bridge", "dernier_solde_bridge_date", "solde_initial"})
            EXPECT_EQ(window->grilleComptes()->colonneVisible(QString::fromLatin1(field)), c.balances)
                << field << " at level " << c.niveau;
        for (const char *field : {"client_email", "client_telephone", "client_adresse", "banque_contact_email"})
            EXPECT_FALSE(window->grilleComptes()->colonneVisible(QString::fromLatin1(field))) << field;
        EXPECT_TRUE(window->grilleComptes()->colonneVisible(QStringLiteral("iban")));
        if (c.niveau == 8)
            saveScreenshot(window.get(), QStringLiteral("main_window_level8"));
        SqlQuery::run(dm().UnConnection_dossier(), QStringLiteral("DELETE FROM T_COMPTES"));
        window.reset();
    }
}

TEST_F(MainWindowTest, LevelSevenPressingSynchronisationIsRefusedBeforeTheLauncher)
{
    open(7);
    window->Button4Click();
    EXPECT_EQ(lastShown(), QStringLiteral("Synchronisation reservee aux niveaux 8 et 9."));
    const QStringList logs = logLines(dm());
    EXPECT_EQ(logs.constFirst(), QStringLiteral("DROITS|Tentative de synchronisation manuelle refusee pour COMPTABLE|"
                                                "REFUSE|Form2.Button4Click"));
    EXPECT_FALSE(std::any_of(logs.begin(), logs.end(), [](const QString &l) { return l.contains(QStringLiteral("Verrou")); }));
}

TEST_F(MainWindowTest, DoubleClickRoutesCardsToTheCardWindowOthersToTheStatements)
{
    open(9);
    insertAccount(QStringLiteral("FR7630001007941234567890185"), QStringLiteral("checking"),
                  QStringLiteral("CB PERSO / CARTE"), QString());
    insertAccount(QStringLiteral("FR7610278060440002037450180"), QStringLiteral("checking"),
                  QStringLiteral("Crédit Mutuel"), QString());
    insertAccount(QStringLiteral("FR76CARD0000000000000000001"), QStringLiteral(" Card "),
                  QStringLiteral("Crédit Mutuel"), QString());
    window->RafraichirFenetreComptes();
    for (const QString &iban : {QStringLiteral("FR7630001007941234567890185"), QStringLiteral("FR7610278060440002037450180"),
                                QStringLiteral("FR76CARD0000000000000000001")})
        window->ouvrirCompte(rowOf(QStringLiteral("iban"), iban));
    EXPECT_EQ(opened, (QStringList{QStringLiteral("cartes:FR7630001007941234567890185"),
                                   QStringLiteral("releves:FR7610278060440002037450180:complet"),
                                   QStringLiteral("cartes:FR76CARD0000000000000000001")}));
    EXPECT_TRUE(logLines(dm()).contains(
        QStringLiteral("HISTORIQUE|Ouverture historique complet du compte FR7630001007941234567890185 (carte)|OK|Comptes")));
    EXPECT_EQ(window->FSuspensionInactivite(), 0);
}

TEST_F(MainWindowTest, SynchronisationShowsProgressThenConsentsThenResultAndRefreshes)
{
    open(9, QStringLiteral("ADMIN"));
    QStringList steps;
    QObject::connect(window.get(), &MainWindow::etapeSync, window.get(), [&](const QString &s) { steps << s; });
    window->findChild<QPushButton *>(QStringLiteral("Button4"))->click();

    EXPECT_TRUE(steps.contains(QStringLiteral("Obtention du token Bridge..."))) << steps.join(QLatin1Char('|')).toStdString();
    EXPECT_GT(steps.size(), 2);
    QStringList boxes;
    for (const auto &s : dialogs.shown())
        boxes << s.text;
    ASSERT_EQ(boxes.size(), 2) << boxes.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Consentements DSP2 a renouveler :\r\n\r\n")));
    // Two transactions; consents ending today, in 10 days and yesterday.
    EXPECT_EQ(boxes[1], QStringLiteral("Synchronisation terminee. 2 nouvelle(s) ecriture(s) ajoutee(s). "
                                       "3 consentement(s) DSP2 a renouveler."));
    EXPECT_TRUE(watching.hiddenBehindProgress.isEmpty()) << watching.hiddenBehindProgress.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window->fenetreSync(), nullptr);
    EXPECT_EQ(window->grilleComptes()->modele()->rowCount(), 5);
    EXPECT_TRUE(window->panneauDerniereSync()->statut().startsWith(QStringLiteral("Derniere synchronisation le ")))
        << window->panneauDerniereSync()->statut().toStdString();
    EXPECT_GT(window->panneauDerniereSync()->grille()->model()->rowCount(), 0);
    EXPECT_EQ(window->FSuspensionInactivite(), 0);
    saveScreenshot(window.get(), QStringLiteral("main_window_after_sync"));
}

TEST_F(MainWindowTest, NoAccountStopsTheSynchronisationWithItsMessage)
{
    sim.withScenario([](bridgesim::Scenario &s) {
        for (const auto &item : s.itemsOf("CABINET-BERNARD"))
            s.removeItem(item.at("id").get<std::int64_t>());
    });
    open(8);
    window->Button4Click();
    EXPECT_EQ(lastShown(), QStringLiteral("Vous devez ajouter un cpte bancaire"));
}

TEST_F(MainWindowTest, InactivityClosesAfterTheDelayUnlessAModalWindowIsOpen)
{
    IniSettings ini(config().programDir);
    QSettings(ini.path(), QSettings::IniFormat).setValue(QStringLiteral("APPLICATION/FermetureInactiviteMinutes"), 1);
    open(9);
    ASSERT_EQ(window->FInactiviteMinutes(), 1);
    EXPECT_TRUE(logLines(dm()).contains(
        QStringLiteral("PROGRAMME|Fermeture automatique apres inactivite activee : 1 minute(s)|INFO|Form2")));

    // A modal window keeps the program open however long it stays.
    QDialog modal(window.get());
    modal.setModal(true);
    modal.show();
    ASSERT_TRUE(waitFor([] { return QApplication::activeModalWidget() != nullptr; }));
    ticks += 10 * 60 * 1000;
    window->TimerInactiviteTick();
    EXPECT_TRUE(window->isVisible());
    modal.close();
    ASSERT_TRUE(waitFor([] { return QApplication::activeModalWidget() == nullptr; }));

    // Key presses count, mouse moves do not.
    ticks += 50 * 1000;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(window->grilleComptes()->vue(), &key);
    ticks += 50 * 1000;
    window->TimerInactiviteTick();
    EXPECT_TRUE(window->isVisible()) << "a key 50 s ago";
    for (int i = 0; i < 5; ++i) {
        QMouseEvent move(QEvent::MouseMove, QPointF(10 + i, 10), QPointF(10 + i, 10), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(window->grilleComptes()->vue()->viewport(), &move);
        ticks += 3 * 1000;
    }
    window->TimerInactiviteTick();
    EXPECT_FALSE(window->isVisible()) << "only mouse moves for more than a minute";
    EXPECT_EQ(logLines(dm()).constFirst(),
              QStringLiteral("PROGRAMME|Fermeture automatique apres 1 minute(s) sans activite sur la fiche principale|OK|Form2"));
}

TEST_F(MainWindowTest, InactivityDelayZeroDisablesTheTimer)
{
    IniSettings ini(config().programDir);
    QSettings(ini.path(), QSettings::IniFormat).setValue(QStringLiteral("APPLICATION/FermetureInactiviteMinutes"), -5);
    open(9);
    EXPECT_EQ(window->FInactiviteMinutes(), 0);
    EXPECT_FALSE(window->findChild<QTimer *>(QStringLiteral("FTimerInactivite"))->isActive());
    EXPECT_TRUE(logLines(dm()).contains(QStringLiteral("PROGRAMME|Fermeture automatique apres inactivite desactivee|INFO|Form2")));
    ticks += 24 * 60 * 60 * 1000LL;
    window->TimerInactiviteTick();
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, MissingReportAddressClosesForLowLevelsAndOpensTheCompanyWindowForAdministrators)
{
    SqlQuery::run(dm().UnConnection_dossier(), QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET email = NULL"));
    open(6, QStringLiteral("CONSULT"));
    EXPECT_TRUE(window->terminaisonDemandee());
    EXPECT_EQ(lastShown(), QStringLiteral("L'identification de la societe doit etre completee par un administrateur "
                                          "(niveau 9). Tresoline va se fermer."));
    EXPECT_TRUE(logLines(dm()).contains(QStringLiteral(
        "DROITS|Identification societe requise mais utilisateur non administrateur : CONSULT|REFUSE|Societe")));
    window.reset();

    dialogs.answerModal(false); // the administrator closes the company window without saving
    open(9, QStringLiteral("ADMIN"));
    EXPECT_TRUE(window->terminaisonDemandee());
    ASSERT_GE(dialogs.shown().size(), 3u);
    const auto &shown = dialogs.shown();
    EXPECT_EQ(shown[shown.size() - 3].text.left(50),
              QStringLiteral("L'email des rapports de synchronisation doit etre renseigne avant d'utiliser").left(50));
    EXPECT_EQ(shown[shown.size() - 2].kind, QStringLiteral("modal"));
    EXPECT_EQ(shown[shown.size() - 2].title, QStringLiteral("TIdentificationSociete"));
    EXPECT_EQ(lastShown(), QStringLiteral("L'email des rapports reste obligatoire. Tresoline va se fermer."));
    EXPECT_EQ(window->FSuspensionInactivite(), 0);
}

TEST_F(MainWindowTest, CancelledLoginEndsTheStart)
{
    window = std::make_unique<MainWindow>(dm());
    window->setConnexion([](MorvaneUtilisateur &) { return false; });
    bool closing = false;
    QObject::connect(window.get(), &MainWindow::fermetureDemandee, window.get(), [&] { closing = true; });
    EXPECT_FALSE(window->FormCreate());
    EXPECT_TRUE(closing);
    EXPECT_EQ(logLines(dm()).constFirst(), QStringLiteral("CONNEXION|Fermeture avant authentification Tresoline|ANNULE|Form2"));
}

TEST_F(MainWindowTest, TitleWithoutCompanyNameSaysNonRenseignee)
{
    SqlQuery::run(dm().UnConnection_dossier(),
                  QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = 'A renseigner'"));
    open(9, QStringLiteral("ADMIN"), false);
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral(" - Societe : Non renseignee")))
        << window->windowTitle().toStdString();
}

TEST_F(MainWindowTest, DailyScheduleIsOffAfterEveryStartAndRunsOncePerDay)
{
    IniSettings ini(config().programDir);
    ini.setSynchroAutoActif(true);
    ini.setSynchroAutoHeure(QStringLiteral("07:30"));
    open(9, QStringLiteral("ADMIN"));
    auto *check = w<QCheckBox>("chkSyncAuto");
    auto *picker = w<QTimeEdit>("dtpHeureSyncAuto");
    EXPECT_FALSE(check->isChecked());
    EXPECT_FALSE(check->isVisible());
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(picker->time(), QTime(7, 30));
    EXPECT_FALSE(ini.synchroAutoActif()) << "the stored schedule is switched off";
    EXPECT_EQ(ini.synchroAutoHeure(), QStringLiteral("07:30"));

    window->TimerSyncAutoTick();
    const auto runs = [this] {
        const QStringList logs = logLines(dm());
        return std::count_if(logs.begin(), logs.end(), [](const QString &l) {
            return l.startsWith(QStringLiteral("SYNCHRO|Declenchement synchro automatique planifiee"));
        });
    };
    EXPECT_EQ(runs(), 0);

    check->setChecked(true);
    picker->setTime(QTime::fromString(dm().now().time().toString(QStringLiteral("HH:mm")), QStringLiteral("HH:mm")));
    window->TimerSyncAutoTick();
    window->TimerSyncAutoTick();
    EXPECT_EQ(runs(), 1);
    EXPECT_TRUE(dialogs.shown().empty()) << "an automatic run shows nothing";
}

TEST_F(MainWindowTest, ClearingTheClientNameAsksFirstAndStoresAnEmptyText)
{
    open(9);
    insertAccount(QStringLiteral("FR7610278060440002037450180"), QStringLiteral("checking"),
                  QStringLiteral("Crédit Mutuel"), QString());
    window->RafraichirFenetreComptes();
    window->BtnRenseignerSocieteClick();
    EXPECT_EQ(lastShown(), QStringLiteral("Sélectionne d'abord un compte bancaire dans la grille."));

    window->grilleComptes()->vue()->selectRow(0);
    dialogs.answerText(QStringLiteral("  SCI Les Tilleuls "));
    window->BtnRenseignerSocieteClick();
    const auto stored = [this] {
        return SqlQuery::scalar(dm().UnConnection_dossier(), QStringLiteral("SELECT client_raison_sociale FROM T_COMPTES"));
    };
    EXPECT_EQ(stored().toString(), QStringLiteral("SCI Les Tilleuls"));
    EXPECT_EQ(window->grilleComptes()->ligneCourante(), 0);

    dialogs.answerText(QStringLiteral("   "));
    dialogs.answerYesNo(false);
    window->BtnRenseignerSocieteClick();
    EXPECT_EQ(stored().toString(), QStringLiteral("SCI Les Tilleuls"));
    dialogs.answerText(QString());
    dialogs.answerYesNo(true);
    window->BtnRenseignerSocieteClick();
    EXPECT_EQ(lastShown(), QStringLiteral("Le nom société/client est vide. Confirmer l'effacement ?"));
    EXPECT_TRUE(stored().isValid());
    EXPECT_EQ(stored().toString(), QString());
}

TEST_F(MainWindowTest, WindowsOpenWithTheInactivityCountSuspended)
{
    open(9, QStringLiteral("ADMIN"));
    int suspendedInside = -1;
    whenModalShown(QStringLiteral("TFormLogsModal"), [&](QWidget *logs) {
        suspendedInside = window->FSuspensionInactivite();
        logs->close();
    });
    w<QPushButton>("FBtnLogsModal")->click();
    EXPECT_EQ(suspendedInside, 1);
    EXPECT_EQ(window->FSuspensionInactivite(), 0);

    window->BtnRelevesClick();
    EXPECT_EQ(opened, QStringList{QStringLiteral("releves:")});
}

TEST_F(MainWindowTest, CompanyButtonBelowLevelNineIsRefusedAndLogged)
{
    open(8);
    window->BtnSocieteClick();
    EXPECT_EQ(lastShown(), QStringLiteral("Identification societe reservee au niveau 9 (administrateur)."));
    EXPECT_EQ(logLines(dm()).constFirst(),
              QStringLiteral("DROITS|Tentative d'ouverture Identification societe refusee pour COMPTABLE|REFUSE|Societe"));
}

TEST_F(MainWindowTest, TokenToolWritesTheExchangeAndKeepsTheToken)
{
    open(9);
    w<QLineEdit>("Edit2")->clear();
    window->Button2Click();
    const QString memo = window->memo1()->toPlainText();
    EXPECT_TRUE(memo.startsWith(QStringLiteral("response status code = 201"))) << memo.toStdString();
    EXPECT_FALSE(w<QLineEdit>("Edit2")->text().isEmpty());
    EXPECT_TRUE(window->memoReponse()->toPlainText().contains(QStringLiteral("access_token")));

    sim.addFault(bridgesim::FaultRule::statusCode("/v3/aggregation/authorization/token", 401, 1));
    window->Button2Click();
    EXPECT_TRUE(window->memo1()->toPlainText().contains(QStringLiteral("Response Status Code = 401")));
}

TEST_F(MainWindowTest, NarrowWindowKeepsEveryTextReadable)
{
    open(9, QStringLiteral("ADMIN"));
    listAccounts();
    window->showNormal();
    window->resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(700, 500));
    EXPECT_TRUE(clippedTexts(window.get()).isEmpty()) << clippedTexts(window.get()).join(QLatin1Char(',')).toStdString();
    saveScreenshot(window.get(), QStringLiteral("main_window_narrow"));
}

TEST_F(MainWindowTest, BankListShowsTheCatalogueAndItsCacheCanBeRebuilt)
{
    open(9, QStringLiteral("ADMIN"));
    QString resume;
    int rows = 0;
    whenModalShown(QStringLiteral("FormListeBanques"), [&](QWidget *w) {
        resume = w->findChild<QLabel *>(QStringLiteral("LabelResume"))->text();
        auto *list = static_cast<BankListWindow *>(w);
        rows = list->lignes();
        EXPECT_TRUE(clippedTexts(w).isEmpty()) << clippedTexts(w).join(QLatin1Char(',')).toStdString();
        saveScreenshot(w, QStringLiteral("bank_list"));
        dialogs.answerYesNo(true);
        list->BtnResetCacheBanquesClick();
        sim.addFault(bridgesim::FaultRule::statusCode("/v3/providers", 500, 10));
        dialogs.answerYesNo(true);
        list->BtnResetCacheBanquesClick();
        EXPECT_EQ(list->lignes(), rows) << "the old cache is kept when Bridge cannot be reached";
        w->close();
    });
    window->Button1Click();
    EXPECT_TRUE(resume.startsWith(QStringLiteral("  ")) && resume.contains(QStringLiteral("banques verifiees depuis Bridge")))
        << resume.toStdString();
    EXPECT_GT(rows, 0);
    const QStringList texts = dialogs.texts();
    EXPECT_TRUE(texts.contains(QStringLiteral("Cache reinitialise : ") + QString::number(rows)
                               + QStringLiteral(" banques rechargees.")))
        << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(texts.constLast(), QStringLiteral("Bridge injoignable : le cache existant a ete conserve."));
    EXPECT_EQ(window->FSuspensionInactivite(), 0);
}
