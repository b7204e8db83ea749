#include "export/ExportTestBase.h"
#include "export/GoldenFile.h"

#include "export/CsvStatementExport.h"
#include "export/ExportError.h"
#include "export/ExportSelection.h"
#include "export/ExportState.h"

#include <QFile>

namespace {

using EcrituresFixture::ecriture;

const QString kIbanA = QStringLiteral("FR7630004000031234567890143");
const QString kIbanB = QStringLiteral("FR7610107001011234567890129");

class CsvStatementExportTest : public ExportTestBase
{
protected:
    int load(bool withExported = false)
    {
        ExportSelection selection(dm());
        return selection.ChargerExportEnMemTable({}, {}, {}, {}, withExported,
                                                 QStringLiteral("NOCARD"));
    }

    int exportCsv(const QString &mode = QStringLiteral("EXPORT"), bool forced = false,
                  const QString &prefix = {})
    {
        CsvStatementExport csv(dm());
        return csv.ExporterCSVCompte(prefix, outDir(), mode, forced);
    }

    // The statement of January used by the golden file: a label with accents and a
    // semicolon, the value-date forms, a debit, a credit and a zero amount.
    void addJanuary()
    {
        auto a = ecriture(QStringLiteral("tx-1001"), kIbanA, QStringLiteral("2024-01-02"), -12.5,
                          QStringLiteral("Prélèvement; EDF"));
        a.value_date = QStringLiteral("2024-01-03T00:00:00");
        a.account_id = QStringLiteral("9001");
        a.updated_at = QStringLiteral("2024-01-04T06:00:00Z");
        addEcriture(a);
        auto b = ecriture(QStringLiteral("tx-1002"), kIbanA, QStringLiteral("2024-01-15"), 1234.5,
                          QStringLiteral("Virement reçu 50 €"));
        b.value_date = QStringLiteral("16/01/2024");
        b.account_id = QStringLiteral("9001");
        b.updated_at = QStringLiteral("2024-01-16T06:00:00Z");
        addEcriture(b);
        auto c = ecriture(QStringLiteral("tx-1003"), kIbanA, QStringLiteral("2024-01-31"), 0.0,
                          QStringLiteral("Frais annulés"));
        c.account_id = QStringLiteral("9001");
        c.updated_at = QStringLiteral("2024-02-01T06:00:00Z");
        addEcriture(c);
    }

    struct Record
    {
        QString iban, date, heure, type, format, fichier, debut, fin;
        int nb = 0;
        double debit = 0, credit = 0;
        qint64 compte = 0;
    };

    std::vector<Record> records()
    {
        SqlQuery q(db(), QStringLiteral("SELECT iban, date_export, heure_export, type_export, "
                                        "format_export, fichier_genere, date_debut_export, "
                                        "date_fin_export, nb_ecritures_exportees, total_debit_exporte, "
                                        "total_credit_exporte, compte_id, user_export "
                                        "FROM T_EXPORTS ORDER BY export_id"));
        q.exec();
        std::vector<Record> list;
        while (q.next()) {
            EXPECT_EQ(q.text(12), QStringLiteral("COMPTABLE"));
            list.push_back({q.text(0), q.text(1), q.text(2), q.text(3), q.text(4), q.text(5),
                            q.text(6), q.text(7), q.value(8).toInt(), q.value(9).toDouble(),
                            q.value(10).toDouble(), q.value(11).toLongLong()});
        }
        return list;
    }

    int markedLines()
    {
        return count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE nb_exports > 0"));
    }
};

TEST_F(CsvStatementExportTest, StatementMatchesGoldenFile)
{
    addJanuary();
    ASSERT_EQ(load(), 3);
    EXPECT_EQ(exportCsv(), 3);

    const QString name =
        QStringLiteral("export_FR7630004000031234567890143_02-01-2024_31-01-2024_du_05-02-2024_101502.csv");
    ASSERT_EQ(filesIn(outDir(), QStringLiteral("*.csv")), QStringList{name});
    EXPECT_TRUE(sameAsGolden(outDir() + name, QStringLiteral("export/statement.csv")));

    const std::vector<Record> rows = records();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].iban, kIbanA);
    EXPECT_EQ(rows[0].format, QStringLiteral("CSV"));
    EXPECT_EQ(rows[0].type, QStringLiteral("EXPORT"));
    EXPECT_EQ(rows[0].date, QStringLiteral("2024-02-05"));
    EXPECT_EQ(rows[0].heure, QStringLiteral("10:15:02"));
    EXPECT_EQ(rows[0].debut, QStringLiteral("2024-01-02"));
    EXPECT_EQ(rows[0].fin, QStringLiteral("2024-01-31"));
    EXPECT_EQ(rows[0].nb, 3);
    EXPECT_DOUBLE_EQ(rows[0].debit, 12.5);
    EXPECT_DOUBLE_EQ(rows[0].credit, 1234.5);
    EXPECT_EQ(rows[0].compte, 1);
    EXPECT_EQ(rows[0].fichier, outDir() + name);
    EXPECT_EQ(markedLines(), 3);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE date_export = '2024-02-05' "
                                   "AND heure_export = '10:15:02' AND user_export = 'COMPTABLE' "
                                   "AND format_dernier_export = 'CSV' AND nb_exports = 1")),
              3);

    const QStringList info = logged(QStringLiteral("INFO"));
    for (const QString &expected : QStringList{
             QStringLiteral("  ") + kIbanA + QStringLiteral(" : 3 écritures (Débit 12,50 / Crédit 1234,50)"),
             QStringLiteral("    Fichier : ") + outDir() + name,
             QStringLiteral("Historique export : ") + kIbanA + QStringLiteral(" / EXPORT / 3 ligne(s) flaguée(s)"),
             QStringLiteral("--- Export CSV terminé ---"), QStringLiteral("Mode demandé : EXPORT"),
             QStringLiteral("Préfixe : (aucun)"), QStringLiteral("Chemin : ") + outDir(),
             QStringLiteral("Nombre de fichiers : 1"), QStringLiteral("Total écritures : 3"),
             QStringLiteral("Total débit global  : 12,50 €"),
             QStringLiteral("Total crédit global : 1234,50 €")})
        EXPECT_TRUE(info.contains(expected)) << expected.toStdString();
}

TEST_F(CsvStatementExportTest, PrefixAndDefaultFolder)
{
    addJanuary();
    load();
    CsvStatementExport csv(dm());
    EXPECT_EQ(csv.ExporterCSVCompte(QStringLiteral(" CLIENT1 "), QStringLiteral("  "),
                                    QStringLiteral(""), false),
              3);
    EXPECT_EQ(filesIn(dm().chemin_releve, QStringLiteral("*.csv")),
              QStringList{QStringLiteral("CLIENT1_export_FR7630004000031234567890143_02-01-2024_"
                                         "31-01-2024_du_05-02-2024_101502.csv")});
    EXPECT_TRUE(logged(QStringLiteral("INFO")).contains(QStringLiteral("Préfixe : CLIENT1")));
}

TEST_F(CsvStatementExportTest, MixedIbanIsRecordedAsReexportAndKeepsFirstStamps)
{
    auto old = ecriture(QStringLiteral("ancienne"), kIbanA, QStringLiteral("2024-01-05"), -20.0);
    old.date_export = QStringLiteral("2024-01-10");
    old.heure_export = QStringLiteral("08:00:00");
    old.user_export = QStringLiteral("ADMIN");
    old.nb_exports = 1;
    const qint64 oldId = addEcriture(old);
    const qint64 newId =
        addEcriture(ecriture(QStringLiteral("nouvelle"), kIbanA, QStringLiteral("2024-01-25"), -5.0));

    ASSERT_EQ(load(true), 2);
    EXPECT_EQ(exportCsv(QStringLiteral("reexport")), 2);

    const std::vector<Record> rows = records();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].type, QStringLiteral("REEXPORT"));
    EXPECT_EQ(EcrituresFixture::champ(db(), oldId, QStringLiteral("date_export")).toString(),
              QStringLiteral("2024-01-10"));
    EXPECT_EQ(EcrituresFixture::champ(db(), oldId, QStringLiteral("user_export")).toString(),
              QStringLiteral("ADMIN"));
    EXPECT_EQ(EcrituresFixture::champ(db(), oldId, QStringLiteral("nb_exports")).toInt(), 2);
    EXPECT_EQ(EcrituresFixture::champ(db(), newId, QStringLiteral("date_export")).toString(),
              QStringLiteral("2024-02-05"));
    EXPECT_EQ(EcrituresFixture::champ(db(), newId, QStringLiteral("user_export")).toString(),
              QStringLiteral("COMPTABLE"));
    EXPECT_EQ(EcrituresFixture::champ(db(), newId, QStringLiteral("nb_exports")).toInt(), 1);
}

TEST_F(CsvStatementExportTest, ReexportModeWithoutExportedLinesIsRecordedAsExport)
{
    addJanuary();
    load(false);
    exportCsv(QStringLiteral("REEXPORT"));
    ASSERT_EQ(records().size(), 1u);
    EXPECT_EQ(records()[0].type, QStringLiteral("EXPORT"));
}

TEST_F(CsvStatementExportTest, TwoIbansGiveTwoFilesWithTheSameRunInstant)
{
    addEcriture(ecriture(QStringLiteral("a"), kIbanA, QStringLiteral("2024-01-05"), -20.0));
    auto b = ecriture(QStringLiteral("b"), kIbanB, QStringLiteral("2024-01-06"), 7.0);
    b.compte_id = 2;
    addEcriture(b);
    load();
    // The clock moves between the two files: the names may differ, the record may not.
    int calls = 0;
    dm().setIdleHook([&] {
        if (++calls == 1)
            clock.advanceSecs(3);
    });
    EXPECT_EQ(exportCsv(), 2);

    const QStringList files = filesIn(outDir(), QStringLiteral("*.csv"));
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(files[0].startsWith(QStringLiteral("export_") + kIbanB));
    EXPECT_TRUE(files[0].endsWith(QStringLiteral("_du_05-02-2024_101502.csv")));
    EXPECT_TRUE(files[1].endsWith(QStringLiteral("_du_05-02-2024_101505.csv")));
    const std::vector<Record> rows = records();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].iban, kIbanB);
    EXPECT_EQ(rows[1].iban, kIbanA);
    EXPECT_EQ(rows[0].compte, 2);
    for (const Record &r : rows) {
        EXPECT_EQ(r.date, QStringLiteral("2024-02-05"));
        EXPECT_EQ(r.heure, QStringLiteral("10:15:02"));
    }
    EXPECT_EQ(logged(QStringLiteral("INFO")).filter(QStringLiteral("Historique export : ")).size(), 2);
}

TEST_F(CsvStatementExportTest, ReexportBelowLevelNineIsRefusedBeforeAnyFile)
{
    addJanuary();
    load(true);
    dm().user_courant_niveau = 8;
    try {
        exportCsv(QStringLiteral("REEXPORT"));
        FAIL() << "re-export accepted at level 8";
    } catch (const ExportError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Réexportation réservée au niveau 9"));
    }
    EXPECT_TRUE(filesIn(outDir(), QStringLiteral("*")).isEmpty());
    EXPECT_TRUE(records().empty());

    // The command line forces it whatever the level.
    dm().user_courant_niveau = 0;
    EXPECT_EQ(exportCsv(QStringLiteral("REEXPORT"), true), 3);
}

TEST_F(CsvStatementExportTest, ExportedLinesBelowLevelNineStopBeforeTheirFile)
{
    addEcriture(ecriture(QStringLiteral("a"), kIbanA, QStringLiteral("2024-01-05"), -20.0));
    auto old = ecriture(QStringLiteral("b-old"), kIbanB, QStringLiteral("2024-01-06"), -3.0);
    old.compte_id = 2;
    old.user_export = QStringLiteral("ADMIN");
    addEcriture(old);
    load(true);
    dm().user_courant_niveau = 7;
    EXPECT_THROW(exportCsv(QStringLiteral("EXPORT")), ExportError);
    // B sorts first and holds an exported line: nothing is written at all.
    EXPECT_TRUE(filesIn(outDir(), QStringLiteral("*.csv")).isEmpty());
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(markedLines(), 0);
}

TEST_F(CsvStatementExportTest, LinesWithoutIbanAreLeftOut)
{
    addEcriture(ecriture(QStringLiteral("orpheline"), QString(), QStringLiteral("2024-01-05"), -20.0));
    addEcriture(ecriture(QStringLiteral("a"), kIbanA, QStringLiteral("2024-01-06"), -3.0));
    ASSERT_EQ(load(), 2);
    EXPECT_EQ(exportCsv(), 1);
    const QStringList files = filesIn(outDir(), QStringLiteral("*.csv"));
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith(QStringLiteral("export_") + kIbanA));
    EXPECT_EQ(markedLines(), 1);
    EXPECT_TRUE(logged(QStringLiteral("INFO"))
                    .contains(QStringLiteral("1 écriture(s) sans IBAN non exportée(s)")));
}

TEST_F(CsvStatementExportTest, IbanCannotLeaveTheChosenFolder)
{
    addEcriture(ecriture(QStringLiteral("a"), QStringLiteral("../../x/FR76"),
                         QStringLiteral("2024-01-06"), -3.0));
    load();
    EXPECT_EQ(exportCsv(), 1);
    EXPECT_EQ(filesIn(outDir(), QStringLiteral("*.csv")),
              QStringList{QStringLiteral("export_.._.._x_FR76_06-01-2024_06-01-2024_du_05-02-2024_101502.csv")});
}

TEST_F(CsvStatementExportTest, LineBreakInLabelKeepsOneLinePerTransaction)
{
    addEcriture(ecriture(QStringLiteral("a"), kIbanA, QStringLiteral("2024-01-06"), -3.0,
                         QStringLiteral("Achat\r\nMagasin\nB")));
    load();
    exportCsv();
    QFile file(outDir() + filesIn(outDir(), QStringLiteral("*.csv")).value(0));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3); // header, the line, and nothing after the last CR LF
    EXPECT_TRUE(lines[1].startsWith("06/01/2024;06/01/2024;Achat Magasin B;3.00;;a;"));
}

TEST_F(CsvStatementExportTest, NothingLoaded)
{
    EXPECT_EQ(exportCsv(), 0);
    EXPECT_TRUE(logged(QStringLiteral("INFO"))
                    .contains(QStringLiteral("Aucune donnée à exporter (chargez d'abord)")));
    EXPECT_FALSE(QDir(outDir()).exists());
}

// A failing statement stands for a crash between writing a file and marking it.
TEST_F(CsvStatementExportTest, FileRecordAndMarkingStandOrFallTogether)
{
    addEcriture(ecriture(QStringLiteral("a1"), kIbanA, QStringLiteral("2024-01-05"), -20.0));
    const qint64 a2 =
        addEcriture(ecriture(QStringLiteral("a2"), kIbanA, QStringLiteral("2024-01-06"), -21.0));
    auto b = ecriture(QStringLiteral("b1"), kIbanB, QStringLiteral("2024-01-07"), 7.0);
    b.compte_id = 2;
    addEcriture(b);
    load();
    // B is written first and goes through; A fails on the stamp of its second line.
    SqlQuery::run(db(), QStringLiteral("CREATE TRIGGER panne BEFORE UPDATE OF nb_exports ON T_ECRITURES "
                                       "WHEN NEW.ecriture_id = ")
                            + QString::number(a2)
                            + QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'panne simulee'); END"));
    EXPECT_ANY_THROW(exportCsv());

    const std::vector<Record> rows = records();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].iban, kIbanB);
    // Only the recorded file is left in the folder.
    const QStringList left = filesIn(outDir(), QStringLiteral("*.csv"));
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(outDir() + left.first(), rows[0].fichier);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE nb_exports > 0 AND iban = '")
                    + kIbanB + QLatin1Char('\'')),
              1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE (nb_exports > 0 OR "
                                   "date_export IS NOT NULL) AND iban = '")
                    + kIbanA + QLatin1Char('\'')),
              0);

    // Once the fault is gone the next export delivers A exactly once.
    SqlQuery::run(db(), QStringLiteral("DROP TRIGGER panne"));
    load();
    EXPECT_EQ(exportCsv(), 2);
    EXPECT_EQ(records().size(), 2u);
    EXPECT_EQ(markedLines(), 3);
}

} // namespace
