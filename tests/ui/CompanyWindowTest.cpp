#include "company/IdentificationSociete.h"
#include "company/ui/IdentificationSocieteWindow.h"
#include "db/SqlQuery.h"
#include "ui/UiTestSupport.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

class CompanyWindowTest : public UiTest
{
protected:
    QLineEdit *field(QWidget &w, const char *name) { return w.findChild<QLineEdit *>(QString::fromLatin1(name)); }
    QString stored(const QString &column)
    {
        return SqlQuery::scalar(data().UnConnection_dossier(),
                                QStringLiteral("SELECT ") + column
                                    + QStringLiteral(" FROM T_IDENTIFICATION_SOCIETE ORDER BY societe_id LIMIT 1"))
            .toString();
    }
    void fill(IdentificationSocieteWindow &w, const QString &name, const QString &email)
    {
        field(w, "EditRaisonSociale")->setText(name);
        field(w, "EditEmail")->setText(email);
    }
};

} // namespace

TEST_F(CompanyWindowTest, OpeningStoresAConsoleCodeAndProposesTheExportFolder)
{
    loginAs(9);
    SqlQuery::run(data().UnConnection_dossier(),
                  QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = 'a renseigner.'"));
    IdentificationSocieteWindow window(data(), nullptr);
    window.show();
    const QString code = field(window, "EditCodeSecuriteConsole")->text();
    EXPECT_TRUE(IdentificationSociete::CodeSecuriteConsoleValide(code)) << code.toStdString();
    EXPECT_EQ(stored(QStringLiteral("code_securite_console")), code) << "stored at once, even if cancelled";
    EXPECT_EQ(field(window, "EditRaisonSociale")->text(), QString()) << "the placeholder is not shown";
    EXPECT_EQ(field(window, "EditRepertoireExport")->text(), data().chemin_prog + QStringLiteral("datas/releves"));
    EXPECT_EQ(stored(QStringLiteral("repertoire_export")), QString());
    EXPECT_FALSE(field(window, "EditContactEmail")->isVisible());
    EXPECT_TRUE(window.findChild<QPlainTextEdit *>(QStringLiteral("MemoInfo"))->isReadOnly());
    EXPECT_EQ(window.size(), QSize(620, 542));
    EXPECT_TRUE(clippedTexts(&window).isEmpty()) << clippedTexts(&window).join(QLatin1Char(',')).toStdString();
    saveScreenshot(&window, QStringLiteral("company"));
    window.findChild<QPushButton *>(QStringLiteral("BtnAnnuler"))->click();
    EXPECT_FALSE(window.FEnregistre);
    EXPECT_EQ(stored(QStringLiteral("code_securite_console")), code);
}

TEST_F(CompanyWindowTest, SaveRefusesPlaceholderNameBadEmailAndBadCode)
{
    loginAs(9);
    IdentificationSocieteWindow window(data(), nullptr);
    window.show();
    const struct
    {
        const char *name;
        const char *email;
        const char *code;
        const char *message;
    } cases[] = {
        {"A RENSEIGNER", "compta@dupont.fr", "AB12CD34", "La raison sociale de la societe emettrice est obligatoire."},
        {"  ", "compta@dupont.fr", "AB12CD34", "La raison sociale de la societe emettrice est obligatoire."},
        {"SARL Dupont", "compta@dupont", "AB12CD34",
         "L'email des rapports de synchronisation est obligatoire et doit etre valide."},
        {"SARL Dupont", "@dupont.fr", "AB12CD34",
         "L'email des rapports de synchronisation est obligatoire et doit etre valide."},
        {"SARL Dupont", "compta@dupont.fr", "AB12CD3",
         "Le code de securite console doit contenir exactement 8 lettres ou chiffres."},
    };
    for (const auto &c : cases) {
        fill(window, QString::fromUtf8(c.name), QString::fromUtf8(c.email));
        field(window, "EditCodeSecuriteConsole")->setText(QString::fromUtf8(c.code));
        window.findChild<QPushButton *>(QStringLiteral("BtnEnregistrer"))->click();
        ASSERT_FALSE(dialogs.shown().empty());
        EXPECT_EQ(dialogs.shown().back().text,
                  QStringLiteral("Impossible d'enregistrer la societe emettrice :\r\n") + QString::fromUtf8(c.message));
        EXPECT_FALSE(window.FEnregistre);
        EXPECT_TRUE(window.isVisible()) << "the window stays open";
    }
    EXPECT_EQ(stored(QStringLiteral("raison_sociale")), QString());
}

TEST_F(CompanyWindowTest, CodeIsTypedUpperCaseAtMostEightAndTheSaveIsLoggedWithoutIt)
{
    loginAs(9);
    IdentificationSocieteWindow window(data(), nullptr);
    window.show();
    QLineEdit *code = field(window, "EditCodeSecuriteConsole");
    code->clear();
    code->setFocus();
    typeText(code, QStringLiteral("ab-12cd34ef"));
    EXPECT_EQ(code->text(), QStringLiteral("AB12CD34")) << "hyphen refused, eight characters at most";

    dialogs.answerFolder(home() + QStringLiteral("exports"));
    window.findChild<QPushButton *>(QStringLiteral("BtnChoisirRepertoire"))->click();
    EXPECT_EQ(field(window, "EditRepertoireExport")->text(), home() + QStringLiteral("exports"));

    fill(window, QStringLiteral("  SARL Dupont "), QStringLiteral("compta@dupont.fr"));
    window.findChild<QPushButton *>(QStringLiteral("BtnEnregistrer"))->click();
    EXPECT_TRUE(window.FEnregistre);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(stored(QStringLiteral("raison_sociale")), QStringLiteral("SARL Dupont"));
    EXPECT_EQ(stored(QStringLiteral("code_securite_console")), QStringLiteral("AB12CD34"));
    EXPECT_EQ(stored(QStringLiteral("repertoire_export")), home() + QStringLiteral("exports"));
    const QString log = logLines(data()).constFirst();
    EXPECT_TRUE(log.contains(QStringLiteral("code console configure"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("AB12CD34")));
}
