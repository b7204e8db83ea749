#include "export/ExportTestBase.h"
#include "export/GoldenFile.h"
#include "export/OfxReadBack.h"

#include "export/ExportSelection.h"
#include "export/ExportState.h"
#include "export/OfxStatementExport.h"

#include <QFile>

namespace {

using EcrituresFixture::ecriture;

const QString kIbanA = QStringLiteral("FR7630004000031234567890143");
const QString kIbanB = QStringLiteral("FR7610107001011234567890129");

class OfxStatementExportTest : public ExportTestBase
{
protected:
    int load()
    {
        ExportSelection selection(dm());
        return selection.ChargerExportEnMemTable({}, {}, {}, {}, false, QStringLiteral("NOCARD"));
    }

    int exportOfx(int &files, QString &error, const QString &folder = {},
                  const QString &type = QStringLiteral("EXPORT"))
    {
        return ExportUtils::ExporterRelevesOFXSilencieux(
            db(), dm().exports().FDMemTableExport, folder.isNull() ? outDir() : folder, type,
            dm().user_courant_login, files, error, clock);
    }

    // A debit of 30 and a credit of 50 on a savings account; labels that need escaping
    // and cutting.
    void addStatement()
    {
        auto debit = ecriture(QStringLiteral("tx-2001"), kIbanA, QStringLiteral("2024-01-03"), -30.0,
                              QStringLiteral("Bridge label"));
        debit.provider_description = QStringLiteral("  CB M&S <Paris> 02/01  ");
        debit.account_type = QStringLiteral("Savings");
        addEcriture(debit);
        auto credit = ecriture(QStringLiteral("tx-2002"), kIbanA, QStringLiteral("2024-01-20"), 50.0,
                               QStringLiteral("VIR SEPA REÇU DE SOCIÉTÉ GÉNÉRALE POUR01"));
        credit.provider_description = QString();
        credit.account_type = QStringLiteral("Savings");
        addEcriture(credit);
    }

    void expectReadable(const QString &path, std::size_t transactions)
    {
        const OfxReadBack r = OfxReadBack::read(path);
        EXPECT_TRUE(r.errors.isEmpty()) << r.errors.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(r.statements, 1);
        EXPECT_EQ(r.amounts.size(), transactions);
        EXPECT_TRUE(r.periodGiven);
    }
};

TEST_F(OfxStatementExportTest, StatementMatchesGoldenFileAndReadsBack)
{
    addStatement();
    ASSERT_EQ(load(), 2);
    int files = -1;
    QString error = QStringLiteral("x");
    EXPECT_EQ(exportOfx(files, error), 2);
    EXPECT_EQ(files, 1);
    EXPECT_TRUE(error.isEmpty());

    const QString name = QStringLiteral("releve_FR7630004000031234567890143_20240205_101502.ofx");
    ASSERT_EQ(filesIn(outDir(), QStringLiteral("*.ofx")), QStringList{name});
    EXPECT_TRUE(sameAsGolden(outDir() + name, QStringLiteral("export/statement.ofx")));

    const OfxReadBack r = OfxReadBack::read(outDir() + name);
    EXPECT_TRUE(r.errors.isEmpty()) << r.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(r.statements, 1);
    EXPECT_TRUE(r.periodGiven);
    EXPECT_EQ(r.accountId.right(kIbanA.size()), kIbanA);
    ASSERT_EQ(r.amounts.size(), 2u);
    EXPECT_DOUBLE_EQ(r.amounts[0], -30.0);
    EXPECT_DOUBLE_EQ(r.amounts[1], 50.0);
    ASSERT_TRUE(r.ledgerBalance.has_value());
    EXPECT_DOUBLE_EQ(*r.ledgerBalance, 20.0);
    EXPECT_EQ(r.fitids, (QStringList{QStringLiteral("tx-2001"), QStringLiteral("tx-2002")}));
    EXPECT_EQ(r.names[0], QStringLiteral("CB M&S <Paris> 02/01"));
    // 40 characters: 32 in the name, all of them in the memo.
    EXPECT_EQ(r.names[1], QStringLiteral("VIR SEPA REÇU DE SOCIÉTÉ GÉNÉRAL"));
    EXPECT_EQ(r.memos[1], QStringLiteral("VIR SEPA REÇU DE SOCIÉTÉ GÉNÉRALE POUR01"));

    SqlQuery q(db(), QStringLiteral("SELECT format_export, type_export, nb_ecritures_exportees, "
                                    "total_debit_exporte, total_credit_exporte, date_debut_export, "
                                    "date_fin_export, fichier_genere FROM T_EXPORTS"));
    q.exec();
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text(0), QStringLiteral("OFX"));
    EXPECT_EQ(q.text(1), QStringLiteral("EXPORT"));
    EXPECT_EQ(q.value(2).toInt(), 2);
    EXPECT_DOUBLE_EQ(q.value(3).toDouble(), 30.0);
    EXPECT_DOUBLE_EQ(q.value(4).toDouble(), 50.0);
    EXPECT_EQ(q.text(5), QStringLiteral("2024-01-03"));
    EXPECT_EQ(q.text(6), QStringLiteral("2024-01-20"));
    EXPECT_EQ(q.text(7), outDir() + name);
    EXPECT_FALSE(q.next());
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE format_dernier_export = 'OFX' "
                                   "AND nb_exports = 1 AND user_export = 'COMPTABLE'")),
              2);
}

TEST_F(OfxStatementExportTest, ReaderRejectsAListWithoutItsPeriod)
{
    // The check above can fail: the same statement without DTSTART and DTEND is an error.
    QFile golden(QStringLiteral(TRESOLINE_TEST_DATA_DIR "/export/statement.ofx"));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    QByteArray text = golden.readAll();
    text.replace("<DTSTART>20240103120000</DTSTART>\r\n", "");
    text.replace("<DTEND>20240120120000</DTEND>\r\n", "");
    const QString path = home() + QStringLiteral("sans_periode.ofx");
    QFile copy(path);
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(text);
    copy.close();
    EXPECT_FALSE(OfxReadBack::read(path).errors.isEmpty());
}

TEST_F(OfxStatementExportTest, TwoIbansGiveTwoFiles)
{
    addEcriture(ecriture(QStringLiteral("a"), kIbanA, QStringLiteral("2024-01-05"), -20.0));
    auto b1 = ecriture(QStringLiteral("b1"), kIbanB, QStringLiteral("2024-01-06"), 7.0);
    b1.compte_id = 2;
    addEcriture(b1);
    auto b2 = ecriture(QStringLiteral("b2"), kIbanB, QString(), -1.25); // no date: today
    b2.compte_id = 2;
    addEcriture(b2);
    addEcriture(ecriture(QStringLiteral("orpheline"), QString(), QStringLiteral("2024-01-06"), -3.0));
    ASSERT_EQ(load(), 4);

    int files = 0;
    QString error;
    EXPECT_EQ(exportOfx(files, error, QStringLiteral(" ") + outDir() + QStringLiteral("ofx "),
                        QStringLiteral("REEXPORT")),
              3);
    EXPECT_EQ(files, 2);
    const QString folder = outDir() + QStringLiteral("ofx/");
    const QStringList names = filesIn(folder, QStringLiteral("releve_*.ofx"));
    ASSERT_EQ(names.size(), 2);
    expectReadable(folder + names[0], 2);
    expectReadable(folder + names[1], 1);
    const OfxReadBack b = OfxReadBack::read(folder + names[0]);
    EXPECT_DOUBLE_EQ(b.ledgerBalance.value_or(0), 5.75);

    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS WHERE format_export = 'OFX' "
                                   "AND type_export = 'REEXPORT'")),
              2);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS WHERE compte_id = 2 AND "
                                   "date_fin_export = '2024-02-05'")),
              1);
    // The line without IBAN is neither written nor marked.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE nb_exports > 0")), 3);
}

TEST_F(OfxStatementExportTest, FailuresComeBackAsMinusOne)
{
    int files = 0;
    QString error;
    EXPECT_EQ(exportOfx(files, error), 0); // nothing loaded
    EXPECT_TRUE(error.isEmpty());

    addEcriture(ecriture(QStringLiteral("a"), kIbanA, QStringLiteral("2024-01-05"), -20.0));
    load();
    EXPECT_EQ(exportOfx(files, error, QStringLiteral("  ")), -1);
    EXPECT_EQ(error, QStringLiteral("Repertoire de destination obligatoire"));

    QFile blocker(home() + QStringLiteral("fichier"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString below = home() + QStringLiteral("fichier/ofx");
    EXPECT_EQ(exportOfx(files, error, below), -1);
    EXPECT_EQ(error, QStringLiteral("Repertoire de destination inaccessible : ") + below);

    EXPECT_EQ(ExportUtils::ExporterRelevesOFXSilencieux(QSqlDatabase(), dm().exports().FDMemTableExport,
                                                        outDir(), QStringLiteral("EXPORT"), {}, files,
                                                        error, clock),
              -1);
    EXPECT_EQ(error, QStringLiteral("Base SQLite non connectee"));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS")), 0);
}

TEST_F(OfxStatementExportTest, FailingMarkingKeepsEarlierGroups)
{
    auto b = ecriture(QStringLiteral("b1"), kIbanB, QStringLiteral("2024-01-06"), 7.0);
    b.compte_id = 2;
    addEcriture(b);
    addEcriture(ecriture(QStringLiteral("a1"), kIbanA, QStringLiteral("2024-01-05"), -20.0));
    load();
    SqlQuery::run(db(), QStringLiteral("CREATE TRIGGER panne BEFORE INSERT ON T_EXPORTS WHEN NEW.iban = '")
                            + kIbanA + QStringLiteral("' BEGIN SELECT RAISE(ABORT, 'panne simulee'); END"));
    int files = 0;
    QString error;
    EXPECT_EQ(exportOfx(files, error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("panne simulee"))) << error.toStdString();
    EXPECT_EQ(files, 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS")), 1);
    // The file of the group whose marking failed is removed again.
    EXPECT_EQ(QDir(outDir()).entryList({QStringLiteral("*.ofx")}, QDir::Files).size(), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE nb_exports > 0 AND iban = '")
                    + kIbanB + QLatin1Char('\'')),
              1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE nb_exports > 0 AND iban = '")
                    + kIbanA + QLatin1Char('\'')),
              0);
}

} // namespace
