#include "app/CodesSecurite.h"
#include "app/CommandeExport.h"

#include <gtest/gtest.h>

#include <array>

namespace {

QStringList words(const char *line)
{
    QStringList out = QString::fromUtf8(line).split(QLatin1Char('|'));
    return out;
}

} // namespace

TEST(CommandeExport, NormaliserDate)
{
    struct Case
    {
        const char *in;
        bool ok;
        const char *out;
    };
    const std::array<Case, 11> cases = {{
        {"", true, ""}, {" - ", true, ""}, {"*", true, ""}, {"tous", true, ""},
        {"2024-12-31", true, "31/12/2024"}, {"31/12/2024", true, "31/12/2024"},
        {"2024-02-30", false, ""}, {"2024-13-01", false, ""}, {"2024/12/31", false, ""},
        {"24-12-31", false, ""}, {"2024-1a-01", false, ""},
    }};
    for (const Case &c : cases) {
        QString out = QStringLiteral("garbage");
        EXPECT_EQ(CommandeExport::NormaliserDate(QString::fromUtf8(c.in), out), c.ok) << c.in;
        if (c.ok) {
            EXPECT_EQ(out, QString::fromUtf8(c.out)) << c.in;
        }
    }
}

TEST(CommandeExport, ChecksInDocumentedOrder)
{
    struct Case
    {
        const char *line;
        const char *error; // empty when accepted
    };
    const std::array<Case, 12> cases = {{
        {"export|CODE1234|FR76", "Syntaxe : tresoline.exe export CODE8 IBAN date_debut date_fin CSV|OFX repertoire OUI|NON"},
        {"export|C|FR76 3000 4000/1|-|-|CSV|/tmp|NON", "IBAN ou numero de compte invalide : utilisez uniquement lettres et chiffres"},
        {"export|C|1234-5678 90|-|-|CSV|/tmp|NON", "IBAN incomplet : indiquez au minimum les 11 caracteres du numero de compte"},
        {"export|C|tous|2024-02-30|-|CSV|/tmp|NON", "Date de debut invalide. Formats acceptes : aaaa-mm-jj, jj/mm/aaaa ou -"},
        {"export|C|tous|-|32/01/2024|CSV|/tmp|NON", "Date de fin invalide. Formats acceptes : aaaa-mm-jj, jj/mm/aaaa ou -"},
        {"export|C|tous|2024-02-02|01/02/2024|CSV|/tmp|NON", "La date de debut est posterieure a la date de fin"},
        {"export|C|tous|-|-|PDF|/tmp|NON", "Format invalide : utilisez CSV ou OFX"},
        {"export|C|tous|-|-|ofx|  |NON", "Le repertoire de destination est obligatoire"},
        {"export|C|tous|-|-|csv|/tmp|peut-etre", "Option reexport invalide : utilisez OUI ou NON"},
        {"export|C|tous|-|-|csv|/tmp|non", ""},
        {"--EXPORT|C|*|31/12/2024|2024-12-31|OFX|/tmp|reexport", ""},
        {"x|/export|C|fr76-3000 4000 0312 3456 7890 185|-|-|csv|/tmp|1", ""},
    }};
    for (const Case &c : cases) {
        ParametresExportCommande p;
        QString error;
        const bool ok = CommandeExport::LireParametresExportCommande(words(c.line), p, error);
        EXPECT_EQ(ok, *c.error == '\0') << c.line;
        EXPECT_EQ(error, QString::fromUtf8(c.error)) << c.line;
    }
    ParametresExportCommande p;
    QString error;
    ASSERT_TRUE(CommandeExport::LireParametresExportCommande(
        words("x|/export|C|fr76-3000 4000 0312 3456 7890 185|31/12/2024|2024-12-31|csv| /tmp/out |1"), p, error));
    EXPECT_EQ(p.iban, QStringLiteral("FR7630004000031234567890185"));
    EXPECT_EQ(p.dateDebutFR, QStringLiteral("31/12/2024"));
    EXPECT_EQ(p.dateFinFR, QStringLiteral("31/12/2024"));
    EXPECT_EQ(p.format, QStringLiteral("CSV"));
    EXPECT_EQ(p.repertoire, QStringLiteral("/tmp/out"));
    EXPECT_EQ(p.typeExport, QStringLiteral("REEXPORT"));
    ASSERT_TRUE(CommandeExport::LireParametresExportCommande(words("export|C|TOUS|-|-|csv|/tmp|NON"), p, error));
    EXPECT_TRUE(p.iban.isEmpty());
    EXPECT_EQ(p.typeExport, QStringLiteral("EXPORT"));
}

TEST(CodesSecurite, ComparesWholeCodes)
{
    using CodesSecurite::CodesSecuriteIdentiques;
    EXPECT_TRUE(CodesSecuriteIdentiques(QStringLiteral("AB12CD34"), QStringLiteral("AB12CD34")));
    EXPECT_FALSE(CodesSecuriteIdentiques(QStringLiteral("AB12CD34"), QStringLiteral("AB12CD35")));
    EXPECT_FALSE(CodesSecuriteIdentiques(QStringLiteral("AB12CD34"), QStringLiteral("AB12CD3")));
    EXPECT_FALSE(CodesSecuriteIdentiques(QStringLiteral("AB12CD3"), QStringLiteral("AB12CD34")));
    EXPECT_FALSE(CodesSecuriteIdentiques(QStringLiteral("AB12CD34"), QStringLiteral("ab12cd34")));
    EXPECT_TRUE(CodesSecuriteIdentiques(QString(), QString()));
}
