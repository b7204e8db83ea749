#include "export/ExportTestBase.h"

#include "db/DbError.h"
#include "export/ExportUtils.h"

#include <QFile>

#include <array>

namespace {

struct TextCase
{
    const char *input;
    const char *expected;
};

QString u(const char *text)
{
    return QString::fromUtf8(text);
}

TEST(ExportUtilsText, CsvCellAlwaysQuotesAndDoublesQuotes)
{
    constexpr std::array cases = {
        TextCase{"", "\"\""},
        TextCase{"Achat", "\"Achat\""},
        TextCase{"Carte \"Gold\"", "\"Carte \"\"Gold\"\"\""},
        TextCase{"\"", "\"\"\"\""},
        TextCase{"a;b", "\"a;b\""},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(ExportUtils::CsvCell(u(c.input)), u(c.expected)) << c.input;
}

TEST(ExportUtilsText, OfxTextEscapesOnlyMarkup)
{
    constexpr std::array cases = {
        TextCase{"A&B <C>", "A&amp;B &lt;C&gt;"},
        TextCase{"&amp;", "&amp;amp;"},
        TextCase{"Prélèvement \"EDF\" 'x'", "Prélèvement \"EDF\" 'x'"},
        TextCase{"", ""},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(ExportUtils::OfxText(u(c.input)), u(c.expected)) << c.input;
}

TEST(ExportUtilsText, SafeFilePartReplacesForbiddenCharacters)
{
    constexpr std::array cases = {
        TextCase{"  FR76 3000/4  ", "FR76_3000_4"},
        TextCase{"   ", "compte"},
        TextCase{"", "compte"},
        TextCase{"FR7630004000031234567890143", "FR7630004000031234567890143"},
        TextCase{"a\"b*c/d:e<f>g?h\\i|j", "a_b_c_d_e_f_g_h_i_j"},
        TextCase{"../../etc", ".._.._etc"},
        TextCase{"Société Générale €", "Société_Générale_€"},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(ExportUtils::SafeFilePart(u(c.input)), u(c.expected)) << c.input;
}

class ExportUtilsDb : public ExportTestBase
{
protected:
    void setCompanyFolder(const QString &folder)
    {
        SqlQuery q(db(), QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET repertoire_export = :r"));
        q.bind(QStringLiteral(":r"), folder).exec();
    }

    qint64 line(const QString &idBridge)
    {
        return addEcriture(EcrituresFixture::ecriture(idBridge, QStringLiteral("FR76A"),
                                                      QStringLiteral("2024-01-10"), -5.0));
    }

    void mark(const QStringList &ids, const QString &format, double debit = 5.0)
    {
        ExportUtils::MarquerEcrituresExportees(db(), ids, 1, QStringLiteral("FR76A"), format,
                                               QStringLiteral("EXPORT"), QStringLiteral("/f.ofx"),
                                               QStringLiteral("2024-01-10"),
                                               QStringLiteral("2024-01-10"),
                                               QStringLiteral("COMPTABLE"), debit, 0.0, clock);
    }
};

TEST_F(ExportUtilsDb, CompanyFolderIsUsedAndCreated)
{
    const QString folder = home() + QStringLiteral("compta/releves");
    setCompanyFolder(QStringLiteral("  ") + folder + QStringLiteral("  "));
    EXPECT_EQ(ExportUtils::RepertoireExportSociete(dm()), folder + QLatin1Char('/'));
    EXPECT_TRUE(QDir(folder).exists());
}

TEST_F(ExportUtilsDb, CompanyFolderFallsBackToReleves)
{
    const QString fallback = dm().chemin_prog + QStringLiteral("datas/releves/");
    EXPECT_EQ(ExportUtils::RepertoireExportSociete(dm()), fallback);

    // A folder below a plain file can never be created.
    QFile blocker(home() + QStringLiteral("fichier"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    setCompanyFolder(home() + QStringLiteral("fichier/releves"));
    EXPECT_EQ(ExportUtils::RepertoireExportSociete(dm()), fallback);
}

TEST_F(ExportUtilsDb, SauverAnsiWritesWindows1252WithCrLf)
{
    const QString path = outDir() + QStringLiteral("sous/dossier/t.csv");
    ExportUtils::SauverAnsi({u("Débit 12,50 €"), u("日本"), QString()}, path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("D\xE9" "bit 12,50 \x80\r\n??\r\n\r\n"));
}

TEST_F(ExportUtilsDb, SauverAnsiFailureThrows)
{
    QFile blocker(home() + QStringLiteral("fichier"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_ANY_THROW(ExportUtils::SauverAnsi({u("x")}, home() + QStringLiteral("fichier/t.csv")));
}

TEST_F(ExportUtilsDb, MarkingTwiceKeepsTheFirstStamp)
{
    const qint64 a = line(QStringLiteral("tx-a"));
    const qint64 b = line(QStringLiteral("tx-b"));
    const QStringList ids = {QString::number(a), QString::number(b), QStringLiteral("abc"),
                             QStringLiteral("0")};
    mark(ids, QStringLiteral("ofx"));

    clock.set(QDateTime(QDate(2024, 3, 1), QTime(9, 0, 0)));
    dm().user_courant_login = QStringLiteral("AUTRE");
    ExportUtils::MarquerEcrituresExportees(db(), ids, 1, QStringLiteral("FR76A"),
                                           QStringLiteral("CSV-COMPTA-CB"),
                                           QStringLiteral("REEXPORT-TRES-LONG-TYPE-EXPORT"),
                                           QStringLiteral("/g.csv"), {}, {},
                                           QStringLiteral("AUTRE"), 5.0, 0.0, clock);

    for (const qint64 id : {a, b}) {
        EXPECT_EQ(EcrituresFixture::champ(db(), id, QStringLiteral("date_export")).toString(),
                  QStringLiteral("2024-02-05"));
        EXPECT_EQ(EcrituresFixture::champ(db(), id, QStringLiteral("heure_export")).toString(),
                  QStringLiteral("10:15:02"));
        EXPECT_EQ(EcrituresFixture::champ(db(), id, QStringLiteral("user_export")).toString(),
                  QStringLiteral("COMPTABLE"));
        EXPECT_EQ(EcrituresFixture::champ(db(), id, QStringLiteral("format_dernier_export")).toString(),
                  QStringLiteral("CSV-COMPTA-CB"));
        EXPECT_EQ(EcrituresFixture::champ(db(), id, QStringLiteral("nb_exports")).toInt(), 2);
    }
    SqlQuery rows(db(), QStringLiteral("SELECT format_export, nb_ecritures_exportees, type_export, "
                                       "date_export, user_export FROM T_EXPORTS ORDER BY export_id"));
    rows.exec();
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.text(0), QStringLiteral("OFX"));
    EXPECT_EQ(rows.value(1).toInt(), 2); // the two readable ids only
    EXPECT_EQ(rows.text(2), QStringLiteral("EXPORT"));
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.text(2), QStringLiteral("REEXPORT-TRES-LONG-T")); // cut to 20
    EXPECT_EQ(rows.text(3), QStringLiteral("2024-03-01"));
    EXPECT_EQ(rows.text(4), QStringLiteral("AUTRE"));
    EXPECT_FALSE(rows.next());
}

TEST_F(ExportUtilsDb, FailingMarkingRollsBackItsGroup)
{
    const qint64 a = line(QStringLiteral("tx-a"));
    const qint64 b = line(QStringLiteral("tx-b"));
    SqlQuery::run(db(), QStringLiteral("CREATE TRIGGER panne BEFORE UPDATE ON T_ECRITURES WHEN "
                                       "NEW.ecriture_id = ") + QString::number(b)
                            + QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'panne simulee'); END"));
    EXPECT_THROW(mark({QString::number(a), QString::number(b)}, QStringLiteral("OFX")), DbError);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE date_export IS NOT NULL "
                                   "OR nb_exports > 0")), 0);
}

TEST_F(ExportUtilsDb, MarkingWithoutIdsOrConnection)
{
    EXPECT_NO_THROW(mark({}, QStringLiteral("OFX")));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS")), 0);
    EXPECT_THROW(ExportUtils::MarquerEcrituresExportees(QSqlDatabase(), {QStringLiteral("1")}, 1, {},
                                                        QStringLiteral("OFX"), {}, {}, {}, {}, {},
                                                        0.0, 0.0, clock),
                 DbError);
}

} // namespace
