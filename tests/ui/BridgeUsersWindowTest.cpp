#include "bridge/BridgeState.h"
#include "bridge/ui/FormBridgeUsersModal.h"
#include "db/SqlQuery.h"
#include "support/BridgeSimTest.h"
#include "support/ScriptedDialogs.h"
#include "ui/UiTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

class BridgeUsersWindowTest : public BridgeSimTest
{
protected:
    void SetUp() override
    {
        BridgeSimTest::SetUp();
        dm().setDialogs(&dialogs);
        dm().user_courant_niveau = 9;
        dm().user_courant_login = QStringLiteral("ADMIN");
    }
    void TearDown() override
    {
        EXPECT_TRUE(dialogs.allAnswersUsed());
        BridgeSimTest::TearDown();
    }
    QStringList rows(TFormBridgeUsersModal &w)
    {
        auto *grid = w.findChild<QTableWidget *>(QStringLiteral("GridUtilisateurs"));
        QStringList out;
        for (int r = 0; r < grid->rowCount(); ++r)
            out << grid->item(r, 0)->text();
        return out;
    }
    QString info(TFormBridgeUsersModal &w) { return w.findChild<QLabel *>(QStringLiteral("LabelInfo"))->text(); }

    ScriptedDialogs dialogs;
};

} // namespace

TEST_F(BridgeUsersWindowTest, ListsUsersAndCreatesTheTrimmedUpperCaseId)
{
    TFormBridgeUsersModal window(dm(), nullptr);
    window.setUtilisateur(QStringLiteral(" cabinet-dupont "));
    window.show();
    const int before = int(dm().bridge().FDMemTableusers.size());
    EXPECT_EQ(rows(window).size(), before);
    EXPECT_EQ(info(window), QString::number(before) + QStringLiteral(" utilisateur(s) Bridge"));
    EXPECT_EQ(window.findChild<QLineEdit *>(QStringLiteral("EditUtilisateur"))->text(), QStringLiteral("CABINET-DUPONT"));

    auto *edit = window.findChild<QLineEdit *>(QStringLiteral("EditUtilisateur"));
    edit->clear();
    typeText(edit, QStringLiteral("  sarl martin"));
    EXPECT_EQ(edit->text(), QStringLiteral("  SARL MARTIN"));
    window.findChild<QPushButton *>(QStringLiteral("BtnCreer"))->click();
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Utilisateur SARL MARTIN cree avec succes!"));
    EXPECT_TRUE(rows(window).contains(QStringLiteral("SARL MARTIN")));
    EXPECT_EQ(info(window), QString::number(before + 1) + QStringLiteral(" utilisateur(s) Bridge"));
    EXPECT_TRUE(clippedTexts(&window).isEmpty()) << clippedTexts(&window).join(QLatin1Char(',')).toStdString();
    saveScreenshot(&window, QStringLiteral("bridge_users"));
}

TEST_F(BridgeUsersWindowTest, EmptyIdentifierIsAskedForAndNothingIsSent)
{
    TFormBridgeUsersModal window(dm(), nullptr);
    window.show();
    sim.clearRequests();
    window.BtnCreerClick();
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Saisissez un identifiant utilisateur."));
    EXPECT_EQ(sim.countRequests(QStringLiteral("/v3/aggregation/users")), 0);
}

TEST_F(BridgeUsersWindowTest, ChosenUserBecomesTheCompanysBridgeUser)
{
    TFormBridgeUsersModal window(dm(), nullptr);
    window.setUtilisateur(QStringLiteral("sarl martin"));
    window.show();
    dm().bridge_token = QStringLiteral("ancien-token");
    dialogs.answerYesNo(true);
    window.BtnAssocierClick();
    EXPECT_EQ(dm().utilisateur_token_soc, QStringLiteral("SARL MARTIN"));
    EXPECT_TRUE(dm().bridge_token.isEmpty());
    EXPECT_EQ(SqlQuery::scalar(dm().UnConnection_dossier(),
                               QStringLiteral("SELECT bridge_external_user_id FROM T_IDENTIFICATION_SOCIETE"))
                  .toString(),
              QStringLiteral("SARL MARTIN"));
}
