#include "BridgeClientTest.h"

#include "bridge/BridgeState.h"
#include "bridge/BridgeTransport.h"

using bridgesim::FaultRule;

namespace {

const QString kTokenPath = QStringLiteral("/v3/aggregation/authorization/token");

} // namespace

class TokenTest : public BridgeClientTest
{
};

TEST_F(TokenTest, ObtainedOnceThenReusedUntilItsLocalExpiry)
{
    BridgeTransport transport(dm());
    const QString first = transport.ObtenirTokenBridge({}, QStringLiteral(" SARL-DUVAL "));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(dm().bridge_token, first);
    EXPECT_EQ(dm().bridge_token_expire_at, clock.now().addSecs(1080 * 60));

    const auto sent = sim.requestsTo(kTokenPath.toStdString());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].method, "POST");
    EXPECT_EQ(sent[0].body, R"({"external_user_id":"SARL-DUVAL"})");
    EXPECT_EQ(sent[0].header("Bridge-Version"), "2025-01-15");
    EXPECT_EQ(sent[0].header("Client-Id"), "client-test");
    EXPECT_EQ(sent[0].header("content-type"), "application/json");
    EXPECT_EQ(sent[0].header("Authorization"), "");

    const QStringList tokenLog = messages(QStringLiteral("TOKEN"));
    ASSERT_EQ(tokenLog.size(), 2);
    EXPECT_EQ(tokenLog[0], QStringLiteral("Token Bridge absent ou expiré : demande automatique pour external_user_id=SARL-DUVAL"));
    EXPECT_EQ(tokenLog[1], QStringLiteral("Token Bridge rafraîchi pour external_user_id=SARL-DUVAL ; expiration locale=")
                               + clock.now().addSecs(1080 * 60).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));

    // The same token, even with spaces around it, needs no request while it is valid.
    clock.advanceSecs(1079 * 60);
    EXPECT_EQ(transport.ObtenirTokenBridge(QStringLiteral("  ") + first + QStringLiteral(" "), QStringLiteral("SARL-DUVAL")),
              first);
    EXPECT_EQ(sim.countRequests(kTokenPath), 1);

    clock.advanceSecs(60);
    const QString second = transport.ObtenirTokenBridge(first, QStringLiteral("SARL-DUVAL"));
    EXPECT_FALSE(second.isEmpty());
    EXPECT_NE(second, first);
    EXPECT_EQ(sim.countRequests(kTokenPath), 2);
}

TEST_F(TokenTest, ACallersTokenIsAdoptedWithTheExpiryAlreadySet)
{
    BridgeTransport transport(dm());
    // No expiry was ever set: the adopted token gets the full validity.
    EXPECT_TRUE(transport.TokenBridgeValide(QStringLiteral(" JETON-A ")));
    EXPECT_EQ(dm().bridge_token, QStringLiteral("JETON-A"));
    const QDateTime expiry = clock.now().addSecs(1080 * 60);
    EXPECT_EQ(dm().bridge_token_expire_at, expiry);

    // A different token later keeps that expiry and is refused once it has passed.
    clock.advanceSecs(10 * 3600);
    EXPECT_TRUE(transport.TokenBridgeValide(QStringLiteral("JETON-B")));
    EXPECT_EQ(dm().bridge_token, QStringLiteral("JETON-B"));
    EXPECT_EQ(dm().bridge_token_expire_at, expiry);
    clock.advanceSecs(8 * 3600);
    EXPECT_FALSE(transport.TokenBridgeValide(QStringLiteral("JETON-B")));
    EXPECT_FALSE(transport.TokenBridgeValide(QString()));
    EXPECT_EQ(sim.countRequests(kTokenPath), 0);
}

TEST_F(TokenTest, EmptyExternalUserIdLogsBothLinesAndRequestsNothing)
{
    EXPECT_TRUE(BridgeTransport(dm()).ObtenirTokenBridge({}, QStringLiteral("   ")).isEmpty());
    const std::vector<LogRow> rows = logs();
    std::vector<LogRow> token;
    for (const LogRow &row : rows) {
        if (row.operation == QLatin1String("TOKEN"))
            token.push_back(row);
    }
    ASSERT_EQ(token.size(), 2u);
    EXPECT_EQ(token[0].message, QStringLiteral("Token Bridge absent ou expiré : demande automatique pour external_user_id="));
    EXPECT_EQ(token[0].resultat, QStringLiteral("INFO"));
    EXPECT_EQ(token[1].message, QStringLiteral("Rafraîchissement impossible : external_user_id vide"));
    EXPECT_EQ(token[1].resultat, QStringLiteral("ECHEC"));
    EXPECT_EQ(token[1].source, QStringLiteral("Bridge"));
    EXPECT_EQ(sim.countRequests(kTokenPath), 0);
}

TEST_F(TokenTest, AnswersWithoutUsableTokenFailAndKeepTheCachedOne)
{
    const struct
    {
        int status;
        std::string body;
        QString expected;
    } cases[] = {
        {200, "{}", QStringLiteral("Réponse Bridge sans access_token : {}")},
        {201, R"({"access_token": "   "})", QStringLiteral("Réponse Bridge sans access_token : {\"access_token\": \"   \"}")},
        {200, "<html>maintenance</html>", QStringLiteral("Réponse Bridge sans access_token : <html>maintenance</html>")},
        {400, R"({"code":"invalid_body"})", QStringLiteral("Erreur token Bridge HTTP 400 : {\"code\":\"invalid_body\"}")},
    };
    for (const auto &c : cases) {
        sim.clearFaults();
        sim.addFault(FaultRule::statusCode(kTokenPath.toStdString(), c.status).withBody(c.body));
        dm().bridge_token = QStringLiteral("ANCIEN");
        QString token = QStringLiteral("x");
        EXPECT_FALSE(BridgeTransport(dm()).RafraichirTokenBridge(QStringLiteral("SARL-DUVAL"), token)) << c.status;
        EXPECT_TRUE(token.isEmpty());
        EXPECT_EQ(dm().bridge_token, QStringLiteral("ANCIEN"));
        EXPECT_EQ(messages(QStringLiteral("TOKEN")).last(), c.expected);
        EXPECT_EQ(logs().back().resultat, QStringLiteral("ECHEC"));
    }
}

TEST_F(TokenTest, ContinuationUriBecomesAPath)
{
    const struct
    {
        const char *uri;
        const char *path;
    } cases[] = {
        {"https://api.bridgeapi.io/v3/aggregation/transactions?limit=500&after=Mjo1", "/v3/aggregation/transactions?limit=500&after=Mjo1"},
        {"  /v3/aggregation/items?limit=500&after=abc  ", "/v3/aggregation/items?limit=500&after=abc"},
        {"/other/path?x=1", "/other/path?x=1"},
        {"", ""},
        {"   ", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(BridgeTransport::BridgePathFromNextUri(QString::fromLatin1(c.uri)), QString::fromLatin1(c.path)) << c.uri;
}

TEST_F(TokenTest, HeaderSetsAreSentInTheirDocumentedOrder)
{
    BridgeTransport transport(dm());
    auto names = [](const HttpRequest &request) {
        QStringList list;
        for (const auto &h : request.headers)
            list.append(h.first);
        return list.join(QLatin1Char(','));
    };
    EXPECT_EQ(names(transport.requeteDonnees(QStringLiteral("T"))),
              QStringLiteral("accept,Bridge-Version,Client-Secret,Client-Id,Authorization"));
    EXPECT_EQ(names(transport.requeteJsonAvecToken(QStringLiteral("T"))),
              QStringLiteral("accept,Bridge-Version,content-type,Client-Secret,Client-Id,Authorization"));
    EXPECT_EQ(names(transport.requeteApplicationJson()),
              QStringLiteral("accept,Bridge-Version,content-type,Client-Secret,Client-Id"));
    EXPECT_EQ(names(transport.requeteApplication()), QStringLiteral("accept,Bridge-Version,Client-Secret,Client-Id"));
    EXPECT_EQ(names(transport.requeteListeUtilisateurs()), QStringLiteral("Client-Secret,Client-Id,Bridge-Version"));
    EXPECT_EQ(transport.requeteDonnees(QStringLiteral("T")).header(QStringLiteral("Authorization")),
              QStringLiteral("Bearer T"));
}
