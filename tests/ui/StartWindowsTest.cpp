#include "app/ui/SplashTresoline.h"
#include "app/ui/SyncProgressWindow.h"
#include "app/ui/TermsWindow.h"
#include "ui/UiTestSupport.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QTextBrowser>

TEST(SplashTest, EtatClampsThePercentageAndShowsTheText)
{
    TSplashTresoline splash;
    splash.show();
    EXPECT_EQ(splash.size(), QSize(520, 280));
    EXPECT_EQ(splash.statusText(), QStringLiteral("Chargement en cours..."));
    const struct
    {
        int asked;
        int shown;
    } cases[] = {{10, 10}, {-5, 0}, {130, 100}, {90, 90}};
    for (const auto &c : cases) {
        splash.Etat(QStringLiteral("Ouverture de la base locale..."), c.asked);
        EXPECT_EQ(splash.progress(), c.shown) << c.asked;
    }
    splash.Etat(QStringLiteral("Ouverture de la base locale..."), 30);
    EXPECT_EQ(splash.statusText(), QStringLiteral("Ouverture de la base locale..."));
    EXPECT_TRUE(clippedTexts(&splash).isEmpty()) << clippedTexts(&splash).join(QLatin1Char(',')).toStdString();
    saveScreenshot(&splash, QStringLiteral("splash"));
}

TEST(SyncProgressWindowTest, MarqueeWindowOverItsOwnerShowsEachStep)
{
    QMainWindow owner;
    owner.resize(900, 600);
    owner.show();
    auto *window = new SyncProgressWindow(&owner);
    window->show();
    EXPECT_EQ(window->size(), QSize(420, 120));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    auto *bar = window->findChild<QProgressBar *>(QStringLiteral("FBarSync"));
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->maximum(), 0) << "a marquee bar has no range";
    EXPECT_EQ(window->step(), QStringLiteral("Initialisation..."));
    window->setStep(QStringLiteral("Récupération des transactions FR7630006000011234567890189 (page 12)"));
    EXPECT_TRUE(clippedTexts(window).isEmpty());
    saveScreenshot(window, QStringLiteral("sync_progress"));
}

class TermsWindowTest : public UiTest
{
};

TEST_F(TermsWindowTest, TermsNameTheLicenseeAndLinkToTheOnlineTexts)
{
    config().websiteUrl = QStringLiteral("https://www.tresoline.fr/");
    DataModule &dm = data();
    dm.societe_courante_raison = QStringLiteral("Cabinet Lefèvre & Associés");
    TermsWindow window(dm, nullptr);
    window.show();
    const QString html = window.html();
    EXPECT_TRUE(html.contains(QStringLiteral("Cabinet Lefèvre &amp; Associés")));
    for (const QString &url : {QStringLiteral("https://www.tresoline.fr/conditions-generales-de-vente"),
                               QStringLiteral("https://www.tresoline.fr/conditions-generales-d-utilisation"),
                               QStringLiteral("https://www.tresoline.fr/confidentialite")})
        EXPECT_TRUE(html.contains(QStringLiteral("href=\"") + url + QLatin1Char('"'))) << url.toStdString();
    EXPECT_TRUE(window.findChild<QTextBrowser *>()->openExternalLinks());
    EXPECT_TRUE(clippedTexts(&window).isEmpty()) << clippedTexts(&window).join(QLatin1Char(',')).toStdString();
    saveScreenshot(&window, QStringLiteral("terms"));
}
