#include "sync/CleNormalisee.h"

#include "SyncFixture.h"
#include "common/FrenchFormat.h"

#include <gtest/gtest.h>

#include <array>

namespace {

const QString kIban = QStringLiteral("FR7630001007941234567890185");
const QDate kJour(2026, 3, 3);

struct PaireDescriptions
{
    const char *a;
    const char *b;
    bool memeCle;
};

} // namespace

TEST(CleNormaliseeTest, FormatOfTheFourParts)
{
    EXPECT_EQ(CleNormalisee(QStringLiteral("  fr76abc "), kJour, -12.5, QStringLiteral("  Carte x. ")),
              QStringLiteral("FR76ABC|2026-03-03|-12,50|CARTE X"));
    // A transaction without date counts as the zero date.
    EXPECT_EQ(CleNormalisee(kIban, QDate(), 0.0, QString()), kIban + QStringLiteral("|1899-12-30|0,00|"));
}

TEST(CleNormaliseeTest, DescriptionsThatOnlyDifferInCaseMarksOrSpacesShareTheKey)
{
    const std::array<PaireDescriptions, 10> cases{{
        {"prlv sepa edf", "PRLV SEPA EDF", true},
        {"PRLV.SEPA,EDF-FACTURE'01", "PRLV SEPA EDF FACTURE 01", true},
        {"CB   CARREFOUR  ", "CB CARREFOUR", true},
        {"CB - CARREFOUR", "CB CARREFOUR", true},
        {"...CARREFOUR...", "CARREFOUR", true},
        {"Vir. M. Dupont", "VIR M DUPONT", true},
        {"\xc3\xa9picerie", "\xc3\x89PICERIE", false},     // accented letters keep their case
        {"CB CARREFOUR", "CB CARREFOUR2", false},
        {"CB/CARREFOUR", "CB CARREFOUR", false},           // only the four marks become spaces
        {"CB\tCARREFOUR", "CB CARREFOUR", false},
    }};
    for (const PaireDescriptions &c : cases) {
        const QString a = CleNormalisee(kIban, kJour, 10.0, QString::fromUtf8(c.a));
        const QString b = CleNormalisee(kIban, kJour, 10.0, QString::fromUtf8(c.b));
        EXPECT_EQ(a == b, c.memeCle) << c.a << " / " << c.b << " -> " << a.toStdString() << " / " << b.toStdString();
    }
}

TEST(CleNormaliseeTest, AmountIsWrittenAsTheFrenchTwoDecimalForm)
{
    for (const double montant : {0.0, -0.0, -0.004, 0.005, 12.5, -12.345, 1234567.891, -1480.0, 0.1 + 0.2}) {
        const QString cle = CleNormalisee(kIban, kJour, montant, QString());
        EXPECT_EQ(cle.section(QLatin1Char('|'), 2, 2), FrenchFormat::amountComma(montant)) << montant;
    }
}

TEST(CleNormaliseeTest, IbanDateAndAmountSeparateKeys)
{
    const QString base = CleNormalisee(kIban, kJour, 10.0, QStringLiteral("X"));
    EXPECT_EQ(base, CleNormalisee(kIban.toLower(), kJour, 10.001, QStringLiteral("x")));
    EXPECT_NE(base, CleNormalisee(kIban + QStringLiteral("CB01"), kJour, 10.0, QStringLiteral("X")));
    EXPECT_NE(base, CleNormalisee(kIban, kJour.addDays(1), 10.0, QStringLiteral("X")));
    EXPECT_NE(base, CleNormalisee(kIban, kJour, -10.0, QStringLiteral("X")));
    EXPECT_NE(base, CleNormalisee(kIban, kJour, 10.01, QStringLiteral("X")));
}
