#include "support/BridgeSimFixture.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <set>

namespace {

using nlohmann::json;

constexpr const char *kTransactions = "/v3/aggregation/transactions";
constexpr const char *kAccounts = "/v3/aggregation/accounts";

// A plain HTTP client sending the headers of a Tresoline request.
class BridgeClient
{
public:
    explicit BridgeClient(const BridgeSimFixture &sim)
        : m_client("127.0.0.1", sim.port())
    {
        m_client.set_read_timeout(5, 0);
        m_headers = {{"accept", "application/json"},
                     {"Bridge-Version", "2025-01-15"},
                     {"Client-Id", "client-test"},
                     {"Client-Secret", "secret-test"}};
    }

    httplib::Headers &headers() { return m_headers; }
    httplib::Client &raw() { return m_client; }

    std::string token(const std::string &externalUserId)
    {
        const auto answer = post("/v3/aggregation/authorization/token", json{{"external_user_id", externalUserId}});
        EXPECT_EQ(answer->status, 201);
        return json::parse(answer->body).at("access_token").get<std::string>();
    }
    void authorize(const std::string &externalUserId)
    {
        m_headers.emplace("Authorization", "Bearer " + token(externalUserId));
    }
    httplib::Result get(const std::string &target) { return m_client.Get(target.c_str(), m_headers); }
    httplib::Result post(const std::string &path, const json &body)
    {
        return m_client.Post(path.c_str(), m_headers, body.dump(), "application/json");
    }
    // Every page of a list, following next_uri; returns the page sizes.
    std::vector<std::size_t> walk(std::string target, std::vector<json> *resources = nullptr)
    {
        std::vector<std::size_t> sizes;
        while (!target.empty() && sizes.size() < 50) {
            const auto answer = get(target);
            if (!answer || answer->status != 200) {
                ADD_FAILURE() << target << " -> " << (answer ? answer->status : -1);
                break;
            }
            const json page = json::parse(answer->body);
            sizes.push_back(page.at("resources").size());
            if (resources)
                resources->insert(resources->end(), page.at("resources").begin(), page.at("resources").end());
            const json next = page.at("pagination").value("next_uri", json());
            target = next.is_string() ? next.get<std::string>() : std::string();
        }
        return sizes;
    }

private:
    httplib::Client m_client;
    httplib::Headers m_headers;
};

bool containsNull(const json &value)
{
    if (value.is_null())
        return true;
    if (value.is_structured()) {
        for (const auto &child : value) {
            if (containsNull(child))
                return true;
        }
    }
    return false;
}

TEST(BridgeSimServerTest, RefusesRequestsWithoutTheApplicationHeadersOrAValidToken)
{
    BridgeSimFixture sim(QStringLiteral("cards"));
    struct Case
    {
        const char *name;
        const char *header;
        const char *value; // nullptr: header left out
        int status;
    };
    const Case cases[] = {
        {"no version", "Bridge-Version", nullptr, 400},
        {"old version", "Bridge-Version", "2021-06-01", 400},
        {"no client id", "Client-Id", nullptr, 401},
        {"wrong secret", "Client-Secret", "autre-secret", 401},
        {"no token", "Authorization", nullptr, 401},
        {"unknown token", "Authorization", "Bearer 0123456789abcdef", 401},
        {"not a bearer", "Authorization", "Basic dXNlcjpwYXNz", 401},
    };
    for (const Case &c : cases) {
        BridgeClient client(sim);
        client.authorize("SARL-DUVAL");
        client.headers().erase(c.header);
        if (c.value)
            client.headers().emplace(c.header, c.value);
        const auto answer = client.get(kAccounts);
        ASSERT_TRUE(answer) << c.name;
        EXPECT_EQ(answer->status, c.status) << c.name;
        const json body = json::parse(answer->body);
        EXPECT_TRUE(body.at("code").is_string() && body.at("message").is_string()) << c.name << " " << answer->body;
    }

    BridgeClient client(sim);
    client.authorize("SARL-DUVAL");
    EXPECT_EQ(client.get(kAccounts)->status, 200);
    sim.expireTokens();
    const auto expired = client.get(kAccounts);
    EXPECT_EQ(expired->status, 401);
    EXPECT_EQ(json::parse(expired->body).at("code"), "expired_token");
}

TEST(BridgeSimServerTest, TokenIsCreatedForKnownUsersOnly)
{
    BridgeSimFixture sim(QStringLiteral("cards"));
    BridgeClient client(sim);
    const auto known = client.post("/v3/aggregation/authorization/token", {{"external_user_id", "SARL-DUVAL"}});
    ASSERT_EQ(known->status, 201);
    const json body = json::parse(known->body);
    EXPECT_FALSE(body.at("access_token").get<std::string>().empty());
    EXPECT_EQ(body.at("expires_at").get<std::string>().size(), 24u); // 2025-01-15T12:00:00.000Z

    const auto unknown = client.post("/v3/aggregation/authorization/token", {{"external_user_id", "INCONNU"}});
    EXPECT_EQ(unknown->status, 404);
    const auto invalid = client.raw().Post("/v3/aggregation/authorization/token", client.headers(), "{pas du json",
                                           "application/json");
    EXPECT_EQ(invalid->status, 400);
    // The token request carries no Authorization header; only the application is checked.
    client.headers().erase("Client-Secret");
    EXPECT_EQ(client.post("/v3/aggregation/authorization/token", {{"external_user_id", "SARL-DUVAL"}})->status, 401);
}

TEST(BridgeSimServerTest, TransactionPagesFollowTheRealServiceShapes)
{
    BridgeSimFixture sim;
    sim.loadGenerated(2, 1203);
    BridgeClient client(sim);
    client.authorize("BENCH");
    const std::string account = std::to_string(sim.withScenario([](bridgesim::Scenario &s) {
        return s.accountsOf("BENCH", {}).front()->at("id").get<std::int64_t>();
    }));

    const auto first = client.get(std::string(kTransactions) + "?limit=500&account_id=" + account);
    ASSERT_EQ(first->status, 200);
    const json page = json::parse(first->body);
    const std::string next = page.at("pagination").at("next_uri").get<std::string>();
    EXPECT_EQ(next.rfind("/v3/aggregation/transactions?", 0), 0u) << next;
    EXPECT_NE(next.find("account_id=" + account), std::string::npos) << next;
    EXPECT_NE(next.find("limit=500"), std::string::npos) << next;
    const json &transaction = page.at("resources").at(0);
    EXPECT_TRUE(transaction.at("id").is_number_integer());
    EXPECT_GT(transaction.at("id").get<std::int64_t>(), std::int64_t(1) << 32);
    EXPECT_EQ(transaction.at("id").dump().size(), 14u);
    EXPECT_TRUE(transaction.at("amount").is_number());
    EXPECT_TRUE(transaction.at("account_id").is_number_integer());
    EXPECT_FALSE(transaction.at("deleted").get<bool>());
    EXPECT_FALSE(containsNull(page)) << "members are left out, never null";

    std::vector<json> all;
    EXPECT_EQ(client.walk(std::string(kTransactions) + "?limit=500&account_id=" + account, &all),
              (std::vector<std::size_t>{500, 500, 203}));
    std::set<std::int64_t> ids;
    for (const json &t : all) {
        EXPECT_EQ(std::to_string(t.at("account_id").get<std::int64_t>()), account);
        ids.insert(t.at("id").get<std::int64_t>());
    }
    EXPECT_EQ(ids.size(), 1203u) << "pages neither overlap nor skip";
    // Without account_id: both accounts, 50 per page by default.
    const auto sizes = client.walk(kTransactions);
    EXPECT_EQ(sizes.size(), 49u);
    EXPECT_EQ(sizes.back(), 6u);

    sim.setLastPage(bridgesim::BridgeSimServer::LastPage::NullNextUri);
    const auto single = client.get(std::string(kTransactions) + "?limit=5&account_id=999");
    const json empty = json::parse(single->body);
    EXPECT_TRUE(empty.at("resources").empty());
    EXPECT_TRUE(empty.at("pagination").at("next_uri").is_null());
    sim.setLastPage(bridgesim::BridgeSimServer::LastPage::EmptyPagination);
    EXPECT_EQ(json::parse(client.get(std::string(kTransactions) + "?limit=5&account_id=999")->body).at("pagination"),
              json::object());

    EXPECT_EQ(client.get(std::string(kTransactions) + "?limit=501")->status, 400);
    EXPECT_EQ(client.get(std::string(kTransactions) + "?after=pas-un-curseur")->status, 400);
}

TEST(BridgeSimServerTest, AccountsArePagedByFiftyUnlessALimitIsGiven)
{
    BridgeSimFixture sim;
    sim.loadGenerated(120, 0);
    BridgeClient client(sim);
    client.authorize("BENCH");
    EXPECT_EQ(client.walk(kAccounts), (std::vector<std::size_t>{50, 50, 20}));
    EXPECT_EQ(client.walk(std::string(kAccounts) + "?limit=500"), (std::vector<std::size_t>{120}));
    std::vector<json> items;
    client.walk("/v3/aggregation/items?limit=500", &items);
    EXPECT_EQ(items.size(), 30u); // four accounts per generated item
}

TEST(BridgeSimServerTest, SinceAndAccountFiltersSelectTransactionsChangedAfterThePoint)
{
    BridgeSimFixture sim(QStringLiteral("cards"));
    BridgeClient client(sim);
    client.authorize("SARL-DUVAL");
    std::vector<json> before;
    client.walk(std::string(kTransactions) + "?limit=500&account_id=41000101", &before);
    ASSERT_EQ(before.size(), 3u);
    std::string since;
    for (const json &t : before)
        since = std::max(since, t.at("updated_at").get<std::string>());

    // A second run: three new transactions for the checking account, one for a card.
    for (int i = 0; i < 3; ++i)
        sim.addTransaction({{"account_id", 41000101}, {"date", "2030-01-0" + std::to_string(i + 1)},
                            {"amount", -10.5 * (i + 1)}, {"clean_description", "Achat"},
                            {"updated_at", "2030-01-05T06:00:00.000Z"}});
    sim.addTransaction({{"account_id", 41000102}, {"date", "2030-01-02"}, {"amount", -3}, {"updated_at", "2030-01-05T06:00:00Z"}});

    std::vector<json> changed;
    client.walk(std::string(kTransactions) + "?limit=500&account_id=41000101&since=" + since,
                &changed);
    EXPECT_EQ(changed.size(), 3u);
    for (const json &t : changed)
        EXPECT_GT(t.at("updated_at").get<std::string>(), since);
    std::vector<json> everyAccount;
    client.walk(std::string(kTransactions) + "?since=2029-12-31", &everyAccount);
    EXPECT_EQ(everyAccount.size(), 4u);

    const auto recorded = sim.requestsTo(kTransactions);
    ASSERT_FALSE(recorded.empty());
    EXPECT_EQ(recorded.back().queryValue("since"), "2029-12-31");
    EXPECT_EQ(recorded.back().target, "/v3/aggregation/transactions?since=2029-12-31");
    EXPECT_TRUE(recorded.front().hasQuery("account_id"));
    EXPECT_FALSE(recorded.front().hasQuery("since"));
    EXPECT_EQ(recorded.front().header("bridge-version"), "2025-01-15");
}

TEST(BridgeSimServerTest, FaultsFireOnTheirPathPageAndCountOnly)
{
    BridgeSimFixture sim;
    sim.loadGenerated(1, 1200);
    BridgeClient client(sim);
    client.authorize("BENCH");
    const std::string first = std::string(kTransactions) + "?limit=500";

    sim.addFault(bridgesim::FaultRule::statusCode(kTransactions, 429, 2).withRetryAfter(3));
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto limited = client.get(first);
        EXPECT_EQ(limited->status, 429);
        EXPECT_EQ(limited->get_header_value("Retry-After"), "3");
        EXPECT_EQ(json::parse(limited->body).at("code"), "rate_limit_exceeded");
    }
    EXPECT_EQ(client.get(first)->status, 200);
    EXPECT_EQ(client.get(kAccounts)->status, 200);

    sim.clearFaults();
    sim.addFault(bridgesim::FaultRule::statusCode(kTransactions, 503).onPage(2));
    const json page1 = json::parse(client.get(first)->body);
    const std::string page2 = page1.at("pagination").at("next_uri").get<std::string>();
    EXPECT_EQ(client.get(page2)->status, 503);
    EXPECT_EQ(client.get(page2)->status, 503) << "no count: fires every time";
    EXPECT_EQ(client.get(first)->status, 200);

    sim.clearFaults();
    sim.addFault(bridgesim::FaultRule::loopNextUri(kTransactions).onPage(2));
    const json looping = json::parse(client.get(page2)->body);
    EXPECT_EQ(looping.at("pagination").at("next_uri"), page2);

    sim.clearFaults();
    sim.addFault(bridgesim::FaultRule::malformedJson(kAccounts, 1));
    sim.addFault(bridgesim::FaultRule::htmlPage(kAccounts, 502, 1));
    const auto malformed = client.get(kAccounts);
    EXPECT_EQ(malformed->status, 200);
    EXPECT_TRUE(json::parse(malformed->body, nullptr, false).is_discarded());
    const auto html = client.get(kAccounts);
    EXPECT_EQ(html->status, 502);
    EXPECT_EQ(html->get_header_value("Content-Type").rfind("text/html", 0), 0u);
    EXPECT_EQ(client.get(kAccounts)->status, 200);

    sim.clearFaults();
    sim.addFault(bridgesim::FaultRule::statusCode(kTransactions, 500).forAccount("123"));
    EXPECT_EQ(client.get(std::string(kTransactions) + "?account_id=123")->status, 500);
    EXPECT_EQ(client.get(std::string(kTransactions) + "?account_id=1234")->status, 200);
}

TEST(BridgeSimServerTest, ADelayOutlastsTheClientTimeOutWithoutHoldingUpTheServer)
{
    const auto started = std::chrono::steady_clock::now();
    {
        BridgeSimFixture sim(QStringLiteral("cards"));
        sim.addFault(bridgesim::FaultRule::delay(kAccounts, 60000));
        BridgeClient client(sim);
        client.authorize("SARL-DUVAL");
        client.raw().set_read_timeout(0, 300000);
        const auto answer = client.get(kAccounts);
        EXPECT_FALSE(answer);
        EXPECT_EQ(answer.error(), httplib::Error::Read);
        // Other paths are served meanwhile.
        BridgeClient other(sim);
        EXPECT_EQ(other.post("/v3/aggregation/authorization/token", {{"external_user_id", "SARL-DUVAL"}})->status, 201);
        EXPECT_EQ(sim.countRequests(QString::fromLatin1(kAccounts)), 1);
    } // stopping ends the sleeping handler
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST(BridgeSimServerTest, UsersAreCreatedOnceAndListed)
{
    BridgeSimFixture sim(QStringLiteral("cards"));
    BridgeClient client(sim);
    const auto created = client.post("/v3/aggregation/users", {{"external_user_id", "SAS-NOUVELLE"}});
    ASSERT_EQ(created->status, 201);
    EXPECT_EQ(json::parse(created->body).at("external_user_id"), "SAS-NOUVELLE");
    const auto again = client.post("/v3/aggregation/users", {{"external_user_id", "SAS-NOUVELLE"}});
    EXPECT_EQ(again->status, 409);
    EXPECT_NE(json::parse(again->body).at("message").get<std::string>().find("already"), std::string::npos);

    std::vector<json> users;
    client.walk("/v3/aggregation/users", &users);
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users.at(1).at("external_user_id"), "SAS-NOUVELLE");
    EXPECT_EQ(users.at(1).at("uuid").get<std::string>().size(), 36u);
    EXPECT_EQ(client.post("/v3/aggregation/authorization/token", {{"external_user_id", "SAS-NOUVELLE"}})->status, 201);
}

TEST(BridgeSimServerTest, ConnectSessionCarriesItsLinkWhereTheScenarioSays)
{
    BridgeSimFixture sim(QStringLiteral("cards"));
    BridgeClient client(sim);
    client.authorize("SARL-DUVAL");
    const std::string path = "/v3/aggregation/connect-sessions";
    EXPECT_EQ(client.post(path, {{"user_email", "pas-une-adresse"}})->status, 400);

    struct Case
    {
        const char *member;
        const char *pointer; // where the link is, empty: nowhere
    };
    const Case cases[] = {{"url", "/url"}, {"redirect_url", "/redirect_url"}, {"session.url", "/session/url"},
                          {"resource.url", "/resource/url"}, {"none", ""}};
    for (const Case &c : cases) {
        sim.setConnectLinkMember(c.member);
        const auto answer = client.post(path, {{"user_email", "compta@duval-plomberie.fr"}});
        ASSERT_EQ(answer->status, 201) << c.member;
        const json body = json::parse(answer->body);
        EXPECT_TRUE(body.at("id").is_string()) << c.member;
        if (*c.pointer) {
            const std::string link = body.at(json::json_pointer(c.pointer)).get<std::string>();
            EXPECT_EQ(link, sim.connectSessions().back().url) << c.member;
            EXPECT_EQ(client.get(link.substr(link.find("/connect/")))->status, 200) << c.member;
        } else {
            EXPECT_EQ(body.size(), 1u) << body.dump();
        }
    }
    EXPECT_EQ(sim.connectSessions().back().userEmail, "compta@duval-plomberie.fr");
    EXPECT_THROW(sim.setConnectLinkMember("lien"), std::invalid_argument);
}

TEST(BridgeSimServerTest, StaticFilesAreServedOnlyWhereConfigured)
{
    BridgeSimFixture sim;
    httplib::Client client("127.0.0.1", sim.port());
    EXPECT_EQ(client.Get("/tresoline-version.txt?controle=20260315100000000")->status, 404);
    sim.setStaticFile("/tresoline-version.txt", "1.4.10\nCorrections diverses\n");
    const auto answer = client.Get("/tresoline-version.txt?controle=20260315100000000");
    ASSERT_EQ(answer->status, 200);
    EXPECT_EQ(answer->body, "1.4.10\nCorrections diverses\n");
    EXPECT_EQ(sim.requestsTo("/tresoline-version.txt").back().queryValue("controle"), "20260315100000000");
    sim.addFault(bridgesim::FaultRule::statusCode("/tresoline-version.txt", 500, 1));
    EXPECT_EQ(client.Get("/tresoline-version.txt")->status, 500);
    sim.removeStaticFile("/tresoline-version.txt");
    EXPECT_EQ(client.Get("/tresoline-version.txt")->status, 404);
}

} // namespace
