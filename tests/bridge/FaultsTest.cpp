#include "BridgeClientTest.h"

#include "bridge/BridgeAccounts.h"
#include "bridge/BridgeAddress.h"
#include "bridge/BridgeState.h"
#include "bridge/BridgeTransactions.h"
#include "bridge/BridgeTransport.h"

#include <nlohmann/json.hpp>

using bridgesim::FaultRule;
using Statut = RecuperationResultat::Statut;
using namespace std::chrono_literals;

namespace {

const std::string kTransactionsPath = "/v3/aggregation/transactions";
const QString kTokenPath = QStringLiteral("/v3/aggregation/authorization/token");

} // namespace

class FaultsTest : public BridgeClientTest
{
protected:
    void SetUp() override
    {
        BridgeClientTest::SetUp();
        m_token = token();
        BridgeAccounts(dm()).liste_compte(m_token, false);
        clearLog();
        sim.clearRequests();
    }
    RecuperationResultat bootstrap(const QString &account = QStringLiteral("41000101"), int maxRows = 0)
    {
        return BridgeTransactions(dm()).aggregation_paginated_bootstrap(m_token, account, maxRows);
    }
    // Two pages for account 41000101: 500 transactions plus the 3 of the scenario.
    void twoPages()
    {
        for (int k = 0; k < 500; ++k)
            sim.addTransaction({{"account_id", 41000101}, {"date", "2026-01-01"}, {"amount", -1.0}});
    }
    std::vector<TransactionBridge> &rows() { return dm().bridge().FDMemTable1; }

    QString m_token;
};

TEST_F(FaultsTest, ATimeOutEndsTheRequestWithinTheConfiguredBound)
{
    dm().bridge().reglages.totalTimeout = 700ms;
    int idleCalls = 0;
    dm().setIdleHook([&idleCalls] { ++idleCalls; });
    sim.addFault(FaultRule::delay(kTransactionsPath, 30'000, 1));
    const RecuperationResultat r = bootstrap();
    EXPECT_GT(idleCalls, 0); // the window is kept painted while the transfer waits
    EXPECT_EQ(r.statut, Statut::EchecRequete);
    EXPECT_TRUE(r.erreur.contains(QStringLiteral("délai dépassé"))) << r.erreur.toStdString();
    EXPECT_TRUE(waits.empty()); // a request that may have been processed is not sent again
    EXPECT_TRUE(logged(r.erreur));
    EXPECT_TRUE(logged(QStringLiteral("Bootstrap account_id=41000101 : 0 lignes")));
}

TEST_F(FaultsTest, UnreadableAnswersAreLoggedAndKeepTheRowsAlreadyRead)
{
    twoPages();
    const struct
    {
        FaultRule rule;
        Statut statut;
        const char *logStart;
    } cases[] = {
        {FaultRule::malformedJson(kTransactionsPath).onPage(2), Statut::ReponseIllisible, "Réponse Bridge illisible sur GET "},
        {FaultRule::htmlPage(kTransactionsPath, 200).onPage(2), Statut::ReponseIllisible, "Réponse Bridge illisible sur GET "},
        {FaultRule::htmlPage(kTransactionsPath, 500).onPage(2), Statut::EchecStatut, "Response Status Code = 500"},
    };
    for (const auto &c : cases) {
        sim.clearFaults();
        sim.addFault(c.rule);
        rows().clear();
        clearLog();
        const RecuperationResultat r = bootstrap();
        EXPECT_EQ(r.statut, c.statut);
        EXPECT_EQ(r.lignesAjoutees, 500);
        EXPECT_EQ(rows().size(), 500u);
        EXPECT_GE(indexOf(QString::fromUtf8(c.logStart)), 0) << c.logStart;
        EXPECT_TRUE(logged(QStringLiteral("Bootstrap account_id=41000101 : 500 lignes")));
    }
    const QStringList log = messages();
    const int body = indexOf(QStringLiteral("Response Body:"));
    ASSERT_GE(body, 0);
    EXPECT_TRUE(log.at(body + 1).contains(QStringLiteral("<html"), Qt::CaseInsensitive));
}

TEST_F(FaultsTest, AContinuationPathPointingBackEndsTheWalk)
{
    sim.addFault(FaultRule::loopNextUri(kTransactionsPath));
    const RecuperationResultat r = bootstrap();
    EXPECT_EQ(r.statut, Statut::BoucleNextUri);
    EXPECT_EQ(r.lignesAjoutees, 3);
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_EQ(sim.countRequests(QString::fromStdString(kTransactionsPath)), 1);
    EXPECT_TRUE(logged(r.erreur));
    EXPECT_TRUE(logged(QStringLiteral("Bootstrap account_id=41000101 : 3 lignes")));

    // Items and accounts walks stop the same way.
    sim.clearFaults();
    sim.addFault(FaultRule::loopNextUri("/v3/aggregation/items"));
    EXPECT_EQ(BridgeAccounts(dm()).MajDatesFinConsentementDepuisItems(m_token).statut, Statut::BoucleNextUri);
    sim.addFault(FaultRule::loopNextUri("/v3/aggregation/accounts"));
    const std::size_t before = dm().bridge().FDMemTableaccount.size();
    EXPECT_EQ(BridgeAccounts(dm()).liste_compte(m_token, false).statut, Statut::BoucleNextUri);
    EXPECT_EQ(dm().bridge().FDMemTableaccount.size(), before);
}

TEST_F(FaultsTest, TransientStatusesAreRetriedAfterABoundedWait)
{
    const struct
    {
        int status;
        int retryAfter;
        int times;
        std::vector<std::chrono::milliseconds> waits;
        Statut statut;
    } cases[] = {
        {429, 7, 1, {7s}, Statut::Complet},
        {429, 600, 1, {60s}, Statut::Complet},
        {503, -1, 2, {1s, 2s}, Statut::Complet},
        {502, -1, 0, {1s, 2s, 4s}, Statut::EchecStatut},
        {400, -1, 0, {}, Statut::EchecStatut},
    };
    for (const auto &c : cases) {
        sim.clearFaults();
        sim.clearRequests();
        FaultRule rule = FaultRule::statusCode(kTransactionsPath, c.status, c.times);
        if (c.retryAfter >= 0)
            rule.withRetryAfter(c.retryAfter);
        sim.addFault(rule);
        waits.clear();
        clearLog();
        rows().clear();
        const RecuperationResultat r = bootstrap();
        EXPECT_EQ(r.statut, c.statut) << c.status;
        EXPECT_EQ(waits, c.waits) << c.status;
        EXPECT_EQ(sim.countRequests(QString::fromStdString(kTransactionsPath)), int(c.waits.size()) + 1);
        EXPECT_EQ(messages().filter(QStringLiteral("nouvel essai")).size(), qsizetype(c.waits.size()));
        if (c.statut == Statut::Complet) {
            EXPECT_EQ(r.lignesAjoutees, 3);
        }
    }
    sim.clearFaults();
    sim.addFault(FaultRule::statusCode(kTransactionsPath, 429, 1).withRetryAfter(7));
    clearLog();
    bootstrap();
    const QString retry = messages().filter(QStringLiteral("nouvel essai")).value(0);
    EXPECT_TRUE(retry.startsWith(QStringLiteral("Bridge : HTTP 429 sur GET ") + sim.baseUrl()
                                 + QStringLiteral("/v3/aggregation/transactions?limit=500&account_id=41000101")));
    EXPECT_TRUE(retry.endsWith(QStringLiteral("nouvel essai 1/3 dans 7 s")));
}

TEST_F(FaultsTest, AConnectionThatCannotBeMadeIsRetriedThenReported)
{
    sim.stop();
    const RecuperationResultat r = bootstrap();
    EXPECT_EQ(r.statut, Statut::EchecConnexion);
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{1s, 2s, 4s}));
    const QStringList log = messages();
    const int reason = indexOf(QStringLiteral("ConnectFailReason: "));
    ASSERT_GE(reason, 0);
    EXPECT_EQ(log.at(reason), QStringLiteral("ConnectFailReason: 7"));
    EXPECT_TRUE(log.at(reason + 1).contains(QStringLiteral("connexion refusée")));
    // A connection failure stops before the walk: no line count.
    EXPECT_EQ(indexOf(QStringLiteral("Bootstrap account_id=")), -1);
}

TEST_F(FaultsTest, ARefusedTokenIsRenewedOnceAndTheRequestRepeated)
{
    twoPages();
    sim.expireTokens();
    const RecuperationResultat r = bootstrap();
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.lignesAjoutees, 503);
    EXPECT_EQ(sim.countRequests(kTokenPath), 1);
    EXPECT_NE(dm().bridge_token, m_token);
    const auto sent = sim.requestsTo(kTransactionsPath);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].status, 401);
    const std::string renewed = "Bearer " + dm().bridge_token.toStdString();
    EXPECT_EQ(sent[1].header("Authorization"), renewed);
    EXPECT_EQ(sent[2].header("Authorization"), renewed); // the next page too
    const QStringList token = messages(QStringLiteral("TOKEN"));
    ASSERT_EQ(token.size(), 3);
    EXPECT_TRUE(token[0].startsWith(QStringLiteral("Token Bridge refusé (HTTP 401) sur GET ")));
    EXPECT_TRUE(token[0].endsWith(QStringLiteral("nouveau token demandé pour external_user_id=SARL-DUVAL")));
    EXPECT_TRUE(token[1].startsWith(QStringLiteral("Token Bridge rafraîchi pour external_user_id=SARL-DUVAL")));
    EXPECT_TRUE(token[2].endsWith(QStringLiteral("répétée avec le nouveau token : HTTP 200")));

    // A caller still holding the refused token gets the new one, without a new refresh.
    EXPECT_EQ(BridgeTransport(dm()).ObtenirTokenBridge(m_token, sim.externalUserId()), dm().bridge_token);
    rows().clear();
    EXPECT_TRUE(bootstrap().complet());
    EXPECT_EQ(sim.countRequests(kTokenPath), 1);

    // When no new token can be had, the 401 is the failure reported.
    sim.expireTokens();
    dm().utilisateur_token_soc.clear();
    const RecuperationResultat refused = bootstrap();
    EXPECT_EQ(refused.statut, Statut::EchecStatut);
    EXPECT_EQ(refused.statutHttp, 401);
    EXPECT_TRUE(logged(QStringLiteral("Rafraîchissement impossible : external_user_id vide")));
}

TEST_F(FaultsTest, ConnectSessionPostCarriesTheTokenAndRenewsItOn401)
{
    sim.expireTokens();
    const HttpResult r = BridgeTransport(dm()).postJsonAvecToken(
        QStringLiteral("/v3/aggregation/connect-sessions"), QByteArray(R"({"user_email":"compta@duval.fr"})"), m_token,
        QStringLiteral("LIEN_BRIDGE"), QStringLiteral("Test"));
    ASSERT_TRUE(r.responded());
    EXPECT_EQ(r.status, 201);
    ASSERT_EQ(sim.connectSessions().size(), 1u);
    EXPECT_EQ(sim.connectSessions()[0].userEmail, "compta@duval.fr");
    EXPECT_EQ(sim.requestsTo("/v3/aggregation/connect-sessions").back().header("content-type"), "application/json");
}

class RefusedAddressTest : public TempHomeTest
{
};

TEST_F(RefusedAddressTest, PlainHttpIsAcceptedOnlyTowardsThisMachine)
{
    const struct
    {
        const char *url;
        bool accepted;
    } cases[] = {
        {"https://api.bridgeapi.io", true},
        {"https://api.bridgeapi.io/", true},
        {"http://127.0.0.1:8080", true},
        {"http://localhost:8080", true},
        {"http://[::1]:8080", true},
        {"http://api.bridgeapi.io", false},
        {"http://192.168.1.20:8080", false},
        {"http://127.0.0.1.example.com", false},
        {"ftp://127.0.0.1", false},
        {"api.bridgeapi.io", false},
        {"", false},
    };
    for (const auto &c : cases) {
        QString base;
        QString error;
        EXPECT_EQ(BridgeAddress::verifier(QString::fromLatin1(c.url), base, error), c.accepted) << c.url;
        EXPECT_EQ(error.isEmpty(), c.accepted) << c.url;
    }

    config().bridgeUrl = QStringLiteral("http://api.bridgeapi.io");
    QString token;
    EXPECT_FALSE(BridgeTransport(dm()).RafraichirTokenBridge(QStringLiteral("SARL-DUVAL"), token));
    const RecuperationResultat r = BridgeTransactions(dm()).aggregation_paginated_bootstrap(QStringLiteral("T"), QStringLiteral("1"), 0);
    EXPECT_EQ(r.statut, Statut::EchecConnexion);
    EXPECT_TRUE(r.erreur.contains(QStringLiteral("n'est pas chiffrée")));
}
