#include "export/ExportTestBase.h"
#include "export/GoldenFile.h"

#include "cards/CardAccountingExport.h"
#include "export/ExportError.h"
#include "export/ExportSelection.h"

#include <QFile>

#include <array>

namespace {

using EcrituresFixture::ecriture;

const QString kCarteA = QStringLiteral("FR7612345000019876543210987");
const QString kCarteB = QStringLiteral("FR7612345000019876543210999");

TEST(CardAccountingRules, JournalCodes)
{
    struct Case
    {
        const char *code;
        bool valid;
    };
    constexpr std::array cases = {
        Case{"BA", true},          Case{"A", true},
        Case{"ABCDEFGHIJ", true},  Case{"CB-1_X", true},
        Case{"ba", false},         Case{"BANQUE-CB_01", false},
        Case{"ABCDEFGHIJK", false}, Case{"AC HAT", false},
        Case{"", false},           Case{"CAISSÉ", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CardAccountingExport::CodeJournalValide(QString::fromUtf8(c.code)), c.valid) << c.code;
}

TEST(CardAccountingRules, CardAccounts)
{
    struct Case
    {
        const char *account;
        bool valid;
    };
    constexpr std::array cases = {
        Case{"511", true},     Case{"58", true},
        Case{"5110", true},    Case{"58000000000000000000", true},
        Case{"512000", false}, Case{"511A", false},
        Case{"5", false},      Case{"", false},
        Case{"511000000000000000000", false}, // 21 digits
        Case{" 511", false},   Case{"4711100", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CardAccountingExport::Compte511Valide(QString::fromUtf8(c.account)), c.valid)
            << c.account;
}

class CardAccountingExportTest : public ExportTestBase
{
protected:
    qint64 addCard(const QString &id, const QString &iban, qint64 compte, const QString &date,
                   double amount, const QString &label = QStringLiteral("Achat"))
    {
        auto e = ecriture(id, iban, date, amount, label);
        e.compte_id = compte;
        e.account_type = QStringLiteral("card");
        e.account_id = QStringLiteral("acc-") + QString::number(compte);
        return addEcriture(e);
    }

    int run(int &files, const QString &journal = QStringLiteral("ba"),
            const QString &account = QStringLiteral(" 5110 "), const QString &mode = QStringLiteral("EXPORT"))
    {
        ExportSelection selection(dm());
        selection.ChargerExportEnMemTable({}, {}, {}, {}, mode == QLatin1String("REEXPORT"),
                                          QStringLiteral("CARD"));
        CardAccountingExport exporter(dm());
        return exporter.ExporterComptableCartes(journal, account, outDir(), mode, files);
    }

    QString lastLog(const QString &result)
    {
        SqlQuery q(db(), QStringLiteral("SELECT message FROM T_LOG_OPERATIONS WHERE operation = "
                                        "'EXPORT_CARTES_COMPTABLE' AND resultat = :r AND source = 'Cartes' "
                                        "ORDER BY log_id DESC LIMIT 1"));
        q.bind(QStringLiteral(":r"), result).exec();
        return q.next() ? q.text(0) : QString();
    }
};

TEST_F(CardAccountingExportTest, EntriesMatchGoldenFile)
{
    const qint64 payment = addCard(QStringLiteral("cb-1"), kCarteA, 12, QStringLiteral("2024-01-04"),
                                   -45.9, QStringLiteral("  Restaurant \"Le Zinc\"  "));
    auto refund = ecriture(QStringLiteral("cb-2"), kCarteA, QStringLiteral("2024-01-09"), 10.0, QString());
    refund.compte_id = 12;
    refund.account_type = QStringLiteral("card");
    refund.account_id = QStringLiteral("acc-12");
    refund.provider_description = QStringLiteral(" AVOIR DÉCATHLON ");
    refund.currency_code = QStringLiteral(" EUR ");
    const qint64 refundId = addEcriture(refund);
    addCard(QStringLiteral("cb-3"), kCarteA, 12, QStringLiteral("2024-01-10"), 0.0);
    ASSERT_EQ(payment, 1);
    ASSERT_EQ(refundId, 2);

    int files = -1;
    EXPECT_EQ(run(files), 2);
    EXPECT_EQ(files, 1);
    const QString name = QStringLiteral("cartes_comptables_FR7612345000019876543210987_C12_20240205_101502.csv");
    ASSERT_EQ(filesIn(outDir(), QStringLiteral("*.csv")), QStringList{name});
    EXPECT_TRUE(sameAsGolden(outDir() + name, QStringLiteral("export/cartes_comptables.csv")));

    SqlQuery q(db(), QStringLiteral("SELECT format_export, type_export, compte_id, iban, nb_ecritures_exportees, "
                                    "total_debit_exporte, total_credit_exporte, date_debut_export, "
                                    "date_fin_export FROM T_EXPORTS"));
    q.exec();
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text(0), QStringLiteral("CSV-COMPTA-CB"));
    EXPECT_EQ(q.text(1), QStringLiteral("EXPORT"));
    EXPECT_EQ(q.value(2).toLongLong(), 12);
    EXPECT_EQ(q.text(3), kCarteA);
    EXPECT_EQ(q.value(4).toInt(), 2);
    EXPECT_DOUBLE_EQ(q.value(5).toDouble(), 45.9);
    EXPECT_DOUBLE_EQ(q.value(6).toDouble(), 10.0);
    EXPECT_EQ(q.text(7), QStringLiteral("2024-01-04"));
    EXPECT_EQ(q.text(8), QStringLiteral("2024-01-10"));
    // The zero-amount line is not written and not marked.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE format_dernier_export = "
                                   "'CSV-COMPTA-CB' AND nb_exports = 1")),
              2);
    EXPECT_EQ(lastLog(QStringLiteral("OK")),
              QStringLiteral("Fichier=") + outDir() + name
                  + QStringLiteral(" Carte_id=12 IBAN=") + kCarteA
                  + QStringLiteral(" Account_id=acc-12 Ecritures=2 Lignes_comptables=4"));
}

TEST_F(CardAccountingExportTest, OneFilePerCardAccountAndNoneForZeroAmounts)
{
    addCard(QStringLiteral("a1"), kCarteA, 12, QStringLiteral("2024-01-04"), -5.0);
    addCard(QStringLiteral("b1"), kCarteB, 13, QStringLiteral("2024-01-05"), -6.0);
    addCard(QStringLiteral("b2"), kCarteB, 13, QStringLiteral("2024-01-06"), 2.5);
    addCard(QStringLiteral("z1"), QStringLiteral("FR76ZERO"), 14, QStringLiteral("2024-01-06"), 0.0);
    int files = 0;
    EXPECT_EQ(run(files, QStringLiteral("CB"), QStringLiteral("58")), 3);
    EXPECT_EQ(files, 2);
    EXPECT_EQ(filesIn(outDir(), QStringLiteral("*.csv")),
              (QStringList{QStringLiteral("cartes_comptables_") + kCarteA + QStringLiteral("_C12_20240205_101502.csv"),
                           QStringLiteral("cartes_comptables_") + kCarteB + QStringLiteral("_C13_20240205_101502.csv")}));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS WHERE format_export = 'CSV-COMPTA-CB'")), 2);
}

TEST_F(CardAccountingExportTest, FileIdentifierFallsBackToAccountIdThenCarte)
{
    addCard(QStringLiteral("a1"), QString(), 12, QStringLiteral("2024-01-04"), -5.0);
    auto nothing = ecriture(QStringLiteral("b1"), QString(), QStringLiteral("2024-01-05"), -6.0);
    nothing.compte_id = 13;
    nothing.account_type = QStringLiteral("card");
    nothing.account_id = QStringLiteral("  ");
    addEcriture(nothing);
    int files = 0;
    EXPECT_EQ(run(files), 2);
    EXPECT_EQ(filesIn(outDir(), QStringLiteral("*.csv")),
              (QStringList{QStringLiteral("cartes_comptables_CARTE_C13_20240205_101502.csv"),
                           QStringLiteral("cartes_comptables_acc-12_C12_20240205_101502.csv")}));
}

TEST_F(CardAccountingExportTest, InvalidOptionsWriteNothing)
{
    addCard(QStringLiteral("a1"), kCarteA, 12, QStringLiteral("2024-01-04"), -5.0);
    int files = 0;
    EXPECT_THROW(run(files, QStringLiteral("AC HAT")), ExportError);
    EXPECT_THROW(run(files, QStringLiteral("BA"), QStringLiteral("512000")), ExportError);
    EXPECT_TRUE(filesIn(outDir(), QStringLiteral("*")).isEmpty());
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS")), 0);
}

TEST_F(CardAccountingExportTest, NothingLoadedWritesNothing)
{
    int files = 5;
    EXPECT_EQ(run(files), 0);
    EXPECT_EQ(files, 0);
}

TEST_F(CardAccountingExportTest, FailingMarkingIsLoggedAndStopsTheRun)
{
    addCard(QStringLiteral("a1"), kCarteA, 12, QStringLiteral("2024-01-04"), -5.0);
    addCard(QStringLiteral("b1"), kCarteB, 13, QStringLiteral("2024-01-05"), -6.0);
    SqlQuery::run(db(), QStringLiteral("CREATE TRIGGER panne BEFORE INSERT ON T_EXPORTS WHEN NEW.compte_id = 13 "
                                       "BEGIN SELECT RAISE(ABORT, 'panne simulee'); END"));
    int files = 0;
    EXPECT_ANY_THROW(run(files));
    const QString second = outDir() + QStringLiteral("cartes_comptables_") + kCarteB
        + QStringLiteral("_C13_20240205_101502.csv");
    // A file whose lines could not be marked is not left for delivery.
    EXPECT_FALSE(QFile::exists(second));
    EXPECT_TRUE(lastLog(QStringLiteral("ECHEC"))
                    .startsWith(QStringLiteral("Fichier cree mais marquage SQLite en echec : ") + second
                                + QStringLiteral(" - ")));
    EXPECT_TRUE(lastLog(QStringLiteral("ECHEC")).contains(QStringLiteral("panne simulee")));
    // The first account stays exported; the second is neither recorded nor marked.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE nb_exports > 0")), 1);
}

} // namespace
