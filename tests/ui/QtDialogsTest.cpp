#include "common/ui/QtFrenchTranslation.h"
#include "common/ui/QtUserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "db/DbError.h"
#include "ui/UiTestSupport.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <stdexcept>

namespace {

QStringList buttonTexts(QWidget *box)
{
    QStringList texts;
    for (QAbstractButton *b : box->findChildren<QAbstractButton *>())
        if (b->isVisible())
            texts << b->text().remove(QLatin1Char('&'));
    texts.sort();
    return texts;
}

} // namespace

TEST(QtUserDialogsTest, QuestionUsesFrenchButtonsAndNoAsDefault)
{
    QtFrenchTranslation french;
    ASSERT_TRUE(french.loaded()) << "qtbase_fr missing: install qt6-translations-l10n";
    QtUserDialogs dialogs;
    QStringList seen;
    bool defaultIsNo = false;
    whenModalShown({}, [&](QWidget *box) {
        seen = buttonTexts(box);
        auto *mb = qobject_cast<QMessageBox *>(box);
        defaultIsNo = mb && mb->defaultButton() == mb->button(QMessageBox::No);
        saveScreenshot(box, QStringLiteral("dialog_question_fr"));
        mb->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(dialogs.askYesNo(QStringLiteral("Tresoline"), QStringLiteral("Supprimer ?\r\nVraiment ?")));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Non"), QStringLiteral("Oui")}));
    EXPECT_TRUE(defaultIsNo);
}

TEST(QtUserDialogsTest, CrLfBecomesALineBreakAndStayOnTopWindowsCloseFirst)
{
    QtFrenchTranslation french;
    QtUserDialogs dialogs;
    int closed = 0;
    dialogs.setBeforeShow([&] { ++closed; });
    QString text;
    whenModalShown({}, [&](QWidget *box) {
        text = qobject_cast<QMessageBox *>(box)->text();
        box->close();
    });
    dialogs.inform(QStringLiteral("Tresoline"), QStringLiteral("Export XLSX termine :\r\n/tmp/x.xlsx"));
    EXPECT_EQ(text, QStringLiteral("Export XLSX termine :\n/tmp/x.xlsx"));
    EXPECT_EQ(closed, 1);
}

TEST(QtUserDialogsTest, InputBoxCancelKeepsTheProposedValue)
{
    QtFrenchTranslation french;
    QtUserDialogs dialogs;
    QStringList seen;
    whenModalShown({}, [&](QWidget *box) {
        seen = buttonTexts(box);
        saveScreenshot(box, QStringLiteral("dialog_input_fr"));
        box->close();
    });
    QString value = QStringLiteral("SARL Dupont");
    EXPECT_FALSE(dialogs.inputText(QStringLiteral("Nom société / client"), QStringLiteral("Nom :"), value));
    EXPECT_EQ(value, QStringLiteral("SARL Dupont"));
    EXPECT_TRUE(seen.contains(QStringLiteral("Annuler"))) << seen.join(QLatin1Char(',')).toStdString();
}

TEST(QtUserDialogsTest, RunModalCallsTheRegisteredWindowOnly)
{
    QtUserDialogs dialogs;
    int opened = 0;
    dialogs.registerModal(QStringLiteral("TIdentificationSociete"), [&](QWidget *) {
        ++opened;
        return true;
    });
    EXPECT_TRUE(dialogs.runModal(QStringLiteral("TIdentificationSociete")));
    EXPECT_FALSE(dialogs.runModal(QStringLiteral("TInconnue")));
    EXPECT_EQ(opened, 1);
}

class SlotGuardTest : public UiTest
{
};

TEST_F(SlotGuardTest, DatabaseAndOtherErrorsAreLoggedAndShownNeverThrown)
{
    DataModule &dm = data();
    struct Case
    {
        std::function<void()> work;
        QString shown;
    };
    const std::vector<Case> cases = {
        {[] { throw DbError(QStringLiteral("no such table: T_X")); }, QStringLiteral("no such table: T_X")},
        {[] { throw std::runtime_error("disque plein"); }, QStringLiteral("disque plein")},
        {[] { throw 42; }, QStringLiteral("Erreur inattendue")},
    };
    for (const Case &c : cases) {
        bool result = true;
        EXPECT_NO_THROW(result = SlotGuard::run(dm, QStringLiteral("Form2.Test"), c.work));
        EXPECT_FALSE(result);
        ASSERT_FALSE(dialogs.shown().empty());
        EXPECT_EQ(dialogs.shown().back().kind, QStringLiteral("error"));
        EXPECT_EQ(dialogs.shown().back().text, c.shown);
        EXPECT_EQ(logLines(dm).constFirst(), QStringLiteral("ERREUR|") + c.shown + QStringLiteral("|ECHEC|Form2.Test"));
    }
    EXPECT_TRUE(SlotGuard::run(dm, QStringLiteral("Form2.Test"), [] {}));
    EXPECT_EQ(dialogs.shown().size(), cases.size());
}
