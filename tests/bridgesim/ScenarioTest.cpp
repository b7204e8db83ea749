#include "bridge-sim/Scenario.h"
#include "support/BridgeSimFixture.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <tuple>

namespace {

using nlohmann::json;
using bridgesim::RelativeDate;
using bridgesim::Scenario;

const RelativeDate kMarch15(std::chrono::year(2026) / 3 / 15);

std::vector<const json *> allAccounts(const Scenario &scenario)
{
    std::vector<const json *> accounts;
    for (const auto &user : scenario.users()) {
        const auto mine = scenario.accountsOf(user.at("external_user_id").get<std::string>(), {});
        accounts.insert(accounts.end(), mine.begin(), mine.end());
    }
    return accounts;
}

std::vector<json> allItems(const Scenario &scenario)
{
    std::vector<json> items;
    for (const auto &user : scenario.users()) {
        const auto mine = scenario.itemsOf(user.at("external_user_id").get<std::string>());
        items.insert(items.end(), mine.begin(), mine.end());
    }
    return items;
}

bool validIban(const std::string &iban)
{
    std::string digits;
    for (const char c : iban.substr(4) + iban.substr(0, 4))
        digits += std::isdigit(static_cast<unsigned char>(c)) ? std::string(1, c) : std::to_string(c - 'A' + 10);
    int rest = 0;
    for (const char c : digits)
        rest = (rest * 10 + (c - '0')) % 97;
    return iban.size() == 27 && rest == 1;
}

TEST(ScenarioTest, RelativeDatesCountFromTheReferenceDay)
{
    const std::pair<const char *, const char *> cases[] = {
        {"today", "2026-03-15"},
        {"today+10d", "2026-03-25"},
        {"today-15d", "2026-02-28"},
        {"today+2w", "2026-03-29"},
        {"today-1m", "2026-02-15"},
        {"today+1dT00:00:00.000Z", "2026-03-16T00:00:00.000Z"},
        {"todayT23:59:59Z", "2026-03-15T23:59:59Z"},
        {"todays special", "todays special"}, // a label, not a date
        {"2025-01-10", "2025-01-10"},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(kMarch15.resolve(text), expected) << text;
    EXPECT_EQ(RelativeDate(std::chrono::year(2026) / 1 / 31).resolve("today+1m"), "2026-02-28");
    EXPECT_THROW(kMarch15.resolve("today+10"), std::runtime_error);
    EXPECT_THROW(kMarch15.resolve("today+3y"), std::runtime_error);
}

TEST(ScenarioTest, EveryFixtureLoadsAndShowsTheCaseItIsNamedAfter)
{
    using Check = std::function<void(const Scenario &)>;
    const std::map<std::string, Check> checks = {
        {"demo",
         [](const Scenario &s) {
             EXPECT_GE(s.transactionCount(), 200u);
             EXPECT_EQ(allItems(s).size(), 3u);
             std::multiset<std::string> types;
             for (const json *a : allAccounts(s))
                 types.insert(a->at("type").get<std::string>());
             EXPECT_EQ(types.count("card"), 2u);
             EXPECT_EQ(types.count("savings"), 1u);
         }},
        {"cards",
         [](const Scenario &s) {
             std::map<std::int64_t, int> cardsPerItem;
             for (const json *a : allAccounts(s)) {
                 if (a->at("type") == "card")
                     ++cardsPerItem[a->at("item_id").get<std::int64_t>()];
             }
             ASSERT_EQ(cardsPerItem.size(), 1u);
             EXPECT_EQ(cardsPerItem.begin()->second, 2);
         }},
        {"failed-refresh",
         [](const Scenario &s) {
             const auto accounts = allAccounts(s);
             EXPECT_TRUE(std::any_of(accounts.begin(), accounts.end(), [](const json *a) {
                 return a->at("type") == "checking" && a->at("last_refresh_status") != "successful";
             }));
         }},
        {"no-iban",
         [](const Scenario &s) {
             const auto accounts = allAccounts(s);
             EXPECT_TRUE(std::any_of(accounts.begin(), accounts.end(), [](const json *a) {
                 return a->at("type") != "card" && !a->contains("iban");
             }));
         }},
        {"two-channels",
         [](const Scenario &s) {
             std::map<std::string, std::set<std::int64_t>> idsByIban;
             for (const json *a : allAccounts(s))
                 idsByIban[a->value("iban", "")].insert(a->at("id").get<std::int64_t>());
             ASSERT_EQ(idsByIban.size(), 1u);
             const std::set<std::int64_t> ids = idsByIban.begin()->second;
             ASSERT_EQ(ids.size(), 2u);
             std::map<std::tuple<std::string, double, std::string>, std::set<std::int64_t>> accountsByKey;
             for (const auto *t : s.transactionsOf("GARAGE-PETIT", {}))
                 accountsByKey[{t->date, t->value.at("amount").get<double>(),
                                t->value.at("provider_description").get<std::string>()}]
                     .insert(t->accountId);
             EXPECT_GE(std::count_if(accountsByKey.begin(), accountsByKey.end(),
                                     [](const auto &entry) { return entry.second.size() == 2; }),
                       3);
         }},
        {"consents",
         [](const Scenario &s) {
             std::set<std::string> ends;
             for (const json &item : allItems(s))
                 ends.insert(item.value("authentication_expires_at", "none").substr(0, 10));
             EXPECT_EQ(ends, (std::set<std::string>{"2026-03-14", "2026-03-15", "2026-03-25", "2026-03-26", "none"}));
         }},
    };
    const QStringList files = QDir(QStringLiteral(TRESOLINE_TEST_DATA_DIR "/bridge"))
                                  .entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    std::set<std::string> seen;
    for (const QString &file : files) {
        const std::string name = file.chopped(5).toStdString();
        SCOPED_TRACE(name);
        const Scenario scenario = Scenario::fromFile(BridgeSimFixture::scenarioPath(file.chopped(5)).toStdString(), kMarch15);
        EXPECT_FALSE(scenario.users().empty());
        for (const json *account : allAccounts(scenario)) {
            if (account->contains("iban")) {
                EXPECT_TRUE(validIban(account->at("iban").get<std::string>())) << account->dump();
            }
        }
        if (const auto check = checks.find(name); check != checks.end()) {
            check->second(scenario);
            seen.insert(name);
        }
    }
    EXPECT_EQ(seen.size(), checks.size()) << "a fixture named in the checks is missing";
}

TEST(ScenarioTest, GeneratedVolumeHasValidAccountsAndDistinctLargeIds)
{
    const Scenario scenario = Scenario::generated(5, 40, kMarch15);
    const auto accounts = scenario.accountsOf("BENCH", {});
    ASSERT_EQ(accounts.size(), 5u);
    std::set<std::string> ibans;
    for (const json *account : accounts) {
        EXPECT_TRUE(validIban(account->at("iban").get<std::string>())) << account->dump();
        ibans.insert(account->at("iban").get<std::string>());
    }
    EXPECT_EQ(ibans.size(), 5u);
    const auto transactions = scenario.transactionsOf("BENCH", {});
    ASSERT_EQ(transactions.size(), 200u);
    std::set<std::int64_t> ids;
    for (const auto *t : transactions)
        ids.insert(t->id);
    EXPECT_EQ(ids.size(), 200u);
    EXPECT_GT(*ids.begin(), std::int64_t(1) << 32);
    EXPECT_LE(transactions.front()->date, "2026-03-15");
}

TEST(ScenarioTest, InvalidFixturesAreRefusedWithTheirFault)
{
    const json base = {{"users", {{{"external_user_id", "SOC"}}}},
                       {"items", {{{"id", 1}, {"provider_id", 5}}}},
                       {"accounts", {{{"id", 10}, {"item_id", 1}}}}};
    struct Case
    {
        const char *name;
        json patch;
        const char *fault;
    };
    const Case cases[] = {
        {"unknown account", {{"transactions", {{{"account_id", 11}, {"date", "2026-01-02"}, {"amount", 1}}}}}, "compte inconnu"},
        {"no date", {{"transactions", {{{"account_id", 10}, {"amount", 1}}}}}, "\"date\""},
        {"text id", {{"accounts", {{{"id", "10"}, {"item_id", 1}}}}}, "\"id\""},
        {"unknown user", {{"items", {{{"id", 1}, {"user", "AUTRE"}}}}}, "utilisateur inconnu"},
        {"bad relative date", {{"transactions", {{{"account_id", 10}, {"date", "today-x"}, {"amount", 1}}}}}, "relative"},
    };
    for (const Case &c : cases) {
        json document = base;
        document.merge_patch(c.patch);
        try {
            Scenario::fromJson(document, kMarch15);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const std::runtime_error &error) {
            EXPECT_NE(std::string(error.what()).find(c.fault), std::string::npos) << c.name << ": " << error.what();
        }
    }
}

TEST(ScenarioTest, RunTimeChangesKeepTheServedDataConsistent)
{
    Scenario scenario = Scenario::fromFile(BridgeSimFixture::scenarioPath(QStringLiteral("cards")).toStdString(), kMarch15);
    const std::int64_t added = scenario.addTransaction({{"account_id", 41000102}, {"date", "2026-03-14"}, {"amount", -5}});
    EXPECT_GT(added, 38000000103001);
    EXPECT_EQ(scenario.transactionsOf("SARL-DUVAL", {41000102, {}, {}, {}}).size(), 3u);

    scenario.updateTransaction(added, {{"deleted", true}, {"updated_at", "2026-03-15T07:00:00.000Z"}});
    const auto changed = scenario.transactionsOf("SARL-DUVAL", {41000102, "2026-03-15T06:59:59Z", {}, {}});
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_TRUE(changed.front()->value.at("deleted").get<bool>());
    EXPECT_NE(changed.front()->text.find("\"deleted\":true"), std::string::npos) << "served text follows the change";

    scenario.updateAccount(41000101, {{"balance", nullptr}, {"name", "Compte courant renomme"}});
    const json *checking = scenario.accountsOf("SARL-DUVAL", {}).front();
    EXPECT_FALSE(checking->contains("balance"));
    EXPECT_EQ(checking->at("name"), "Compte courant renomme");
    EXPECT_THROW(scenario.updateAccount(41000101, {{"id", 5}}), std::runtime_error);

    // A card disappears (closed, replaced): its transactions go with it.
    scenario.removeAccount(41000102);
    EXPECT_EQ(scenario.accountsOf("SARL-DUVAL", {}).size(), 2u);
    EXPECT_TRUE(scenario.transactionsOf("SARL-DUVAL", {41000102, {}, {}, {}}).empty());
    EXPECT_THROW(scenario.updateTransaction(added, {{"amount", 1}}), std::runtime_error);
    EXPECT_EQ(scenario.transactionCount(), 4u);
}

} // namespace
