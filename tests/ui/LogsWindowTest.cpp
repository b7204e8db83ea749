#include "app/ui/FormLogsModal.h"
#include "db/DbTransaction.h"
#include "db/SqlQuery.h"
#include "ui/UiTestSupport.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableView>

namespace {

class LogsWindowTest : public UiTest
{
protected:
    void addLogs(int count)
    {
        DataModule &dm = data();
        DbTransaction tx(dm.UnConnection_dossier());
        SqlQuery insert(dm.UnConnection_dossier(),
                        QStringLiteral("INSERT INTO T_LOG_OPERATIONS (date_log, heure_log, user_login, user_niveau, "
                                       "operation, message, resultat, source) VALUES ('2026-03-01', '08:00:00', "
                                       "'ADMIN', 9, 'SYNCHRO', :m, 'OK', 'Form2')"));
        for (int i = 1; i <= count; ++i)
            insert.bind(QStringLiteral(":m"), QStringLiteral("Entrée n°%1").arg(i)).exec();
        tx.commit();
    }

    QString cell(const TFormLogsModal &w, int row, int col) const
    {
        return w.grid()->model()->index(row, col).data().toString();
    }
};

// Reads a workbook back with openpyxl: one line per row, cells joined by '|'.
QStringList readWorkbook(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, openpyxl\n"
                                 "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                                 "for row in ws.iter_rows(values_only=True):\n"
                                 "    print('|'.join('' if v is None else str(v) for v in row))\n"),
                  path});
    python.waitForFinished(60000);
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST_F(LogsWindowTest, ShowsTheLatest5000NewestFirst)
{
    loginAs(9);
    addLogs(7000);
    TFormLogsModal window(data(), nullptr);
    window.show();
    EXPECT_EQ(window.grid()->model()->rowCount(), 5000);
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("LabelTotal"))->text(), QStringLiteral("5000 log(s)"));
    EXPECT_EQ(cell(window, 0, 6), QStringLiteral("Entrée n°7000"));
    EXPECT_EQ(cell(window, 4999, 6), QStringLiteral("Entrée n°2001"));
    EXPECT_FALSE(window.grid()->isSortingEnabled());
    EXPECT_EQ(window.grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(window.size(), QSize(1120, 600));
    EXPECT_TRUE(clippedTexts(&window).isEmpty()) << clippedTexts(&window).join(QLatin1Char(',')).toStdString();
    saveScreenshot(&window, QStringLiteral("logs"));
}

TEST_F(LogsWindowTest, ExportWritesTheGridAsDisplayedThenShowsItsOwnEntryFirst)
{
    loginAs(9);
    addLogs(3);
    data().LogOperation(QStringLiteral("SOCIETE"), QStringLiteral("Accents é à ç ; \"guillemets\""),
                        QStringLiteral("OK"), QStringLiteral("Societe"));
    TFormLogsModal window(data(), nullptr);
    window.show();
    // The user moved the message column first and hid the source: the file follows the screen.
    window.grid()->horizontalHeader()->moveSection(6, 0);
    window.grid()->setColumnHidden(8, true);

    const QString path = home() + QStringLiteral("export/logs");
    QDir().mkpath(home() + QStringLiteral("export"));
    QString proposed;
    window.setSaveFileChooser([&](QWidget *, const QString &title, const QString &p) {
        EXPECT_EQ(title, QStringLiteral("Exporter les logs Quelvo"));
        proposed = p;
        return path;
    });
    window.findChild<QPushButton *>(QStringLiteral("BtnExporterXLSX"))->click();

    EXPECT_TRUE(QFileInfo(proposed).fileName().startsWith(QStringLiteral("logs_quelvo_")));
    EXPECT_TRUE(proposed.endsWith(QStringLiteral(".xlsx")));
    const QString written = path + QStringLiteral(".xlsx");
    ASSERT_TRUE(QFile::exists(written));
    const QStringList rows = readWorkbook(written);
    // Header, the four entries of the test, the start entry of the data module.
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows[0], QStringLiteral("Message|ID|Date|Heure|Utilisateur|Niveau|Opération|Résultat"));
    EXPECT_EQ(rows[1], QStringLiteral("Accents é à ç ; \"guillemets\"|5|%1|%2|TESTEUR|9|SOCIETE|OK")
                           .arg(cell(window, 1, 1), cell(window, 1, 2)));
    EXPECT_EQ(rows[4], QStringLiteral("Entrée n°1|2|2026-03-01|08:00:00|ADMIN|9|SYNCHRO|OK"));

    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Export XLSX termine :\r\n") + written);
    EXPECT_EQ(cell(window, 0, 5), QStringLiteral("LOG"));
    EXPECT_EQ(cell(window, 0, 6), QStringLiteral("Export XLSX des logs : ") + written);
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("LabelTotal"))->text(), QStringLiteral("6 log(s)"));
}

TEST_F(LogsWindowTest, ExportIntoAMissingFolderKeepsTheWindowAndSaysWhy)
{
    loginAs(9);
    TFormLogsModal window(data(), nullptr);
    window.show();
    const QString target = home() + QStringLiteral("absent/logs.xlsx");
    window.setSaveFileChooser([&](QWidget *, const QString &, const QString &) { return target; });
    window.BtnExporterXLSXClick();
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().kind, QStringLiteral("error")) << dialogs.shown().back().text.toStdString();
    EXPECT_TRUE(dialogs.shown().back().text.contains(QStringLiteral("n'existe pas")));
    EXPECT_TRUE(logLines(data()).constFirst().startsWith(QStringLiteral("LOG|Export XLSX des logs impossible")));
}

TEST_F(LogsWindowTest, EmptyLogAndCancelledDialogWriteNothing)
{
    loginAs(9);
    TFormLogsModal window(data(), nullptr);
    window.show();
    // The start entry of the data module is there: cancel the dialog first.
    window.setSaveFileChooser([](QWidget *, const QString &, const QString &) { return QString(); });
    window.BtnExporterXLSXClick();
    EXPECT_TRUE(dialogs.shown().empty());
    SqlQuery::run(data().UnConnection_dossier(), QStringLiteral("DELETE FROM T_LOG_OPERATIONS"));
    window.Rafraichir();
    window.BtnExporterXLSXClick();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Aucun log a exporter."));
}

TEST_F(LogsWindowTest, BelowLevelNineTheWindowIsRefused)
{
    loginAs(8);
    TFormLogsModal::Executer(nullptr, data());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("La consultation des logs est reservee au niveau 9."));
}
