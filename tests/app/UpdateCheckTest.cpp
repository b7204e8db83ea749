#include "app/UpdateCheck.h"
#include "support/BridgeSimFixture.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

std::string s(const QString &text)
{
    return text.toStdString();
}

} // namespace

TEST(UpdateCheckTest, ComparesSegmentBySegmentOnlyWhatBothHave)
{
    const struct
    {
        const char *a;
        const char *b;
        int expected;
    } cases[] = {
        {"1.4.10", "1.4.2.0", 1},  // 10 > 2 in the third segment
        {"1.4.2", "1.4.2.0", 0},   // the fourth is not compared
        {"1.9.9.9", "2.0.0.0", -1},
        {"2.0.0.0", "1.9.9.9", 1},
        {"1.04.2", "1.4.2", 0},    // leading zeros do not count
        {"1.4b.0", "1.4.0", 0},    // the digits at the start of a segment
        {"1.x", "1.0", 0},         // no leading digit: 0
        {" 1 . 5 ", "1.4", 1},     // segments are trimmed
        {"1.123456789012345678901234567890", "1.123456789012345678901234567889", 1}, // no overflow
    };
    for (const auto &c : cases)
        EXPECT_EQ(UpdateCheck::ComparerVersions(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.expected)
            << c.a << " vs " << c.b;
}

TEST(UpdateCheckTest, ValidNumbersAreDigitsAndSinglePoints)
{
    for (const char *good : {"1.4.10", "2", " 1.2.3.4 ", "10.0"})
        EXPECT_TRUE(UpdateCheck::NumeroVersionValide(QString::fromUtf8(good))) << good;
    for (const char *bad : {"", "  ", "1..2", ".1.2", "1.2.", "V1.2", "1,2", "1.2 beta", "١.٢"})
        EXPECT_FALSE(UpdateCheck::NumeroVersionValide(QString::fromUtf8(bad))) << bad;
}

TEST(UpdateCheckTest, ExecutableVersionIsTheCompiledFourPartNumber)
{
    const QString version = UpdateCheck::VersionExecutable();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$")).match(version).hasMatch())
        << s(version);
}

TEST(UpdateCheckTest, VersionFileBodies)
{
    const struct
    {
        const char *body;
        bool newer;
        const char *message;
        const char *notes;
    } cases[] = {
        {"1.4.10\nCorrection des exports OFX\n\n", true, "", "Correction des exports OFX"},
        {"\xEF\xBB\xBF" "1.4.10\r\n- point 1\r\n- point 2\r\n", true, "", "- point 1\n- point 2"},
        {"1.4.10", true, "", "Une nouvelle version de Tresoline est disponible."},
        {"1.4.2\nrien de neuf", false, "", ""},
        {"1.4.1.9", false, "", ""},
        {"", false, "Fichier de version vide", ""},
        {"1..2\n", false, "Numero de version distant absent ou invalide", ""},
        {".1.2", false, "Numero de version distant absent ou invalide", ""},
        {"1.2.", false, "Numero de version distant absent ou invalide", ""},
        {"V1.2", false, "Numero de version distant absent ou invalide", ""},
        {"\n1.5", false, "Numero de version distant absent ou invalide", ""},
        {"<html><body>Erreur</body></html>", false, "Numero de version distant absent ou invalide", ""},
    };
    for (const auto &c : cases) {
        QString message;
        MiseAJourDisponible info;
        EXPECT_EQ(UpdateCheck::AnalyserFichierVersion(QByteArray(c.body), QStringLiteral("1.4.2.0"), message, info),
                  c.newer)
            << c.body;
        EXPECT_EQ(s(message), c.message) << c.body;
        EXPECT_EQ(s(info.notes), c.notes) << c.body;
        if (c.newer) {
            EXPECT_EQ(s(info.versionInstallee), "1.4.2.0");
            EXPECT_EQ(s(info.nouvelleVersion), "1.4.10");
        }
    }
}

class UpdateCheckServerTest : public ::testing::Test
{
protected:
    UpdateCheck::Demande demande(const QString &installed = QStringLiteral("1.4.2.0")) const
    {
        return {sim.baseUrl() + QLatin1Char('/'), QDateTime(QDate(2026, 3, 15), QTime(9, 5, 7, 42)), installed, {}};
    }

    BridgeSimFixture sim;
};

TEST_F(UpdateCheckServerTest, NewerVersionOnTheServerIsFoundWithItsNotes)
{
    sim.setStaticFile("/tresoline-version.txt", "1.4.10\nNouveautés : exports plus rapides\n");
    int idleCalls = 0;
    UpdateCheck::Demande d = demande();
    d.idle = [&] { ++idleCalls; };
    QString message;
    MiseAJourDisponible info;
    EXPECT_TRUE(UpdateCheck::VerifierMiseAJour(d, message, info));
    EXPECT_EQ(s(message), "");
    EXPECT_EQ(s(info.nouvelleVersion), "1.4.10");
    EXPECT_EQ(s(info.notes), "Nouveautés : exports plus rapides");
    EXPECT_GT(idleCalls, 0);

    const auto requests = sim.requestsTo("/tresoline-version.txt");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/tresoline-version.txt?controle=20260315090507042");
}

TEST_F(UpdateCheckServerTest, SameOrOlderVersionsAndServerFaults)
{
    const struct
    {
        const char *published; // nullptr: no file, the server answers 404
        const char *message;
    } cases[] = {
        {"1.4.2\n", ""},
        {"1.4.2.0", ""},
        {"V1.5", "Numero de version distant absent ou invalide"},
        {"", "Fichier de version vide"},
        {nullptr, "Controle de version HTTP 404"},
    };
    for (const auto &c : cases) {
        if (c.published)
            sim.setStaticFile("/tresoline-version.txt", c.published);
        else
            sim.removeStaticFile("/tresoline-version.txt");
        QString message;
        MiseAJourDisponible info;
        EXPECT_FALSE(UpdateCheck::VerifierMiseAJour(demande(), message, info)) << (c.published ? c.published : "404");
        EXPECT_EQ(s(message), c.message);
    }
    sim.setStaticFile("/tresoline-version.txt", "1.4.10");
    sim.addFault(bridgesim::FaultRule::statusCode("/tresoline-version.txt", 503, 1));
    QString message;
    MiseAJourDisponible info;
    EXPECT_FALSE(UpdateCheck::VerifierMiseAJour(demande(), message, info));
    EXPECT_EQ(s(message), "Controle de version HTTP 503");
}

TEST_F(UpdateCheckServerTest, NoServerAddressOrNoServerGivesAMessageAtOnce)
{
    QString message;
    MiseAJourDisponible info;
    UpdateCheck::Demande d = demande();
    QElapsedTimer timer;
    timer.start();
    d.serveur = QStringLiteral("   ");
    EXPECT_FALSE(UpdateCheck::VerifierMiseAJour(d, message, info));
    EXPECT_TRUE(message.startsWith(QStringLiteral("Controle de version non configure"))) << s(message);

    d.serveur = QStringLiteral("http://update.example.com");
    EXPECT_FALSE(UpdateCheck::VerifierMiseAJour(d, message, info));
    EXPECT_TRUE(message.contains(QStringLiteral("non securisee"))) << s(message);

    const int port = sim.port();
    sim.stop();
    d.serveur = QStringLiteral("http://127.0.0.1:") + QString::number(port);
    EXPECT_FALSE(UpdateCheck::VerifierMiseAJour(d, message, info));
    EXPECT_TRUE(message.startsWith(QStringLiteral("Controle de version impossible : "))) << s(message);
    EXPECT_LT(timer.elapsed(), 3000);
}
