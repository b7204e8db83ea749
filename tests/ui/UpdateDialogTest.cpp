#include "app/ui/UpdateDialog.h"
#include "support/BridgeSimFixture.h"
#include "ui/UiTestSupport.h"

#include <QPushButton>
#include <QUrl>

class UpdateDialogTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        config().updateUrl = sim.baseUrl();
        config().websiteUrl = QStringLiteral("https://www.tresoline.fr/telechargement");
    }
    BridgeSimFixture sim;
};

TEST_F(UpdateDialogTest, NewerVersionShowsBothNumbersAndOpensTheSiteOnRequest)
{
    // Installed is the compiled version; publish one far above it.
    sim.setStaticFile("/tresoline-version.txt", "999.0\nExports OFX plus rapides\nNouveau journal\n");
    QString header;
    QString notes;
    whenModalShown(QStringLiteral("FormMiseAJour"), [&](QWidget *w) {
        auto *dialog = static_cast<UpdateDialog *>(w);
        header = dialog->entete();
        notes = dialog->notes();
        EXPECT_EQ(dialog->size(), QSize(720, 460));
        EXPECT_TRUE(clippedTexts(dialog).isEmpty()) << clippedTexts(dialog).join(QLatin1Char(',')).toStdString();
        saveScreenshot(dialog, QStringLiteral("update_available"));
        dialog->findChild<QPushButton *>(QStringLiteral("BtnVoir"))->click();
    });
    QList<QUrl> opened;
    QString message;
    EXPECT_TRUE(UpdateDialog::VerifierMiseAJour(nullptr, data(), message, [&](const QUrl &u) {
        opened << u;
        return true;
    }));
    EXPECT_EQ(header, QStringLiteral("  Version installee : ") + UpdateCheck::VersionExecutable()
                          + QStringLiteral("     Nouvelle version : 999.0"));
    EXPECT_EQ(notes, QStringLiteral("NOUVEAUTES\n\nExports OFX plus rapides\nNouveau journal"));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://www.tresoline.fr/telechargement")));
}

TEST_F(UpdateDialogTest, LaterOpensNothingAndNoNewerVersionShowsNothing)
{
    sim.setStaticFile("/tresoline-version.txt", "999.0");
    whenModalShown(QStringLiteral("FormMiseAJour"), [&](QWidget *w) {
        w->findChild<QPushButton *>(QStringLiteral("BtnPlusTard"))->click();
    });
    int opened = 0;
    const auto opener = [&](const QUrl &) { return ++opened > 0; };
    QString message;
    EXPECT_TRUE(UpdateDialog::VerifierMiseAJour(nullptr, data(), message, opener));
    EXPECT_EQ(opened, 0);

    sim.setStaticFile("/tresoline-version.txt", "0.0.1");
    EXPECT_FALSE(UpdateDialog::VerifierMiseAJour(nullptr, data(), message, opener));
    EXPECT_TRUE(message.isEmpty());
}
