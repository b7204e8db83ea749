#pragma once

#include "RelativeDate.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace bridgesim {

// One stored transaction: its answer shape plus what filtering and paging need,
// and its JSON text, dumped once so that large pages are cheap to serve.
struct StoredTransaction
{
    std::int64_t id = 0;
    std::int64_t accountId = 0;
    std::string date;
    std::string updatedAt;
    nlohmann::json value;
    std::string text;
};

// The simulated bank data of one Bridge application: credentials, users, providers,
// items (bank connections), accounts and transactions, in the shapes the real service
// answers with (integer ids, amounts as numbers, no null members). Loaded from a JSON
// fixture or generated; changed at run time by tests. Not thread-safe: the server locks.
class Scenario final
{
public:
    struct Settings
    {
        std::string name;
        std::string clientId = "client-test";
        std::string clientSecret = "secret-test";
        int tokenLifetimeMinutes = 120;
        // Where the connect-session answer carries its link: "url", "redirect_url",
        // "connect_url", "session.url", "resource.url" or "none".
        std::string connectLinkMember = "url";
    };

    Scenario() = default;
    // Throws std::runtime_error with a French message on an invalid fixture.
    static Scenario fromJson(nlohmann::json document, const RelativeDate &dates,
                             const std::string &name = {});
    static Scenario fromFile(const std::string &path, const RelativeDate &dates);
    // A name ("demo") is looked up as <directory>/<name>.json; a text with a '/' or
    // ending in ".json" is a path.
    static Scenario load(const std::string &nameOrPath, const std::string &directory, const RelativeDate &dates);
    // N accounts of M transactions each, for benchmarks ("--generate 20x5000").
    static Scenario generated(int accounts, int transactionsPerAccount, const RelativeDate &dates);

    Settings &settings() { return m_settings; }
    const Settings &settings() const { return m_settings; }

    // Users (external ids are compared exactly).
    const nlohmann::json *findUser(const std::string &externalUserId) const;
    const nlohmann::json &users() const { return m_users; }
    // Adds a user; returns it, or nullptr when that external id is already taken.
    const nlohmann::json *addUser(const std::string &externalUserId);

    const nlohmann::json &providers() const { return m_providers; }
    void setProviders(nlohmann::json providers);

    // Items, accounts and transactions of one user, in the order they were added
    // (transactions: most recent date first, then highest id).
    std::vector<nlohmann::json> itemsOf(const std::string &externalUserId) const;
    std::vector<const nlohmann::json *> accountsOf(const std::string &externalUserId,
                                                   std::optional<std::int64_t> itemId) const;
    struct TransactionFilter
    {
        std::optional<std::int64_t> accountId;
        std::string since;   // updated_at strictly after
        std::string minDate; // date on or after
        std::string maxDate; // date on or before
    };
    std::vector<const StoredTransaction *> transactionsOf(const std::string &externalUserId,
                                                          const TransactionFilter &filter) const;
    std::size_t transactionCount() const;

    // Run-time changes. Members given replace or complete the stored ones (JSON merge
    // patch: a null member removes it). Throw std::runtime_error on unknown ids or
    // invalid data. Additions return the id, assigned when the value has none.
    std::int64_t addItem(nlohmann::json item);
    void updateItem(std::int64_t id, const nlohmann::json &patch);
    void removeItem(std::int64_t id); // with its accounts and their transactions
    std::int64_t addAccount(nlohmann::json account);
    void updateAccount(std::int64_t id, const nlohmann::json &patch);
    void removeAccount(std::int64_t id); // with its transactions
    std::int64_t addTransaction(nlohmann::json transaction);
    void updateTransaction(std::int64_t id, const nlohmann::json &patch);
    void removeTransaction(std::int64_t id);

    // Values today's run-time additions get by default.
    void setReferenceDates(const RelativeDate &dates) { m_dates = dates; }

private:
    nlohmann::json *findItem(std::int64_t id);
    const nlohmann::json *findItem(std::int64_t id) const;
    nlohmann::json *findAccount(std::int64_t id);
    const nlohmann::json *findAccount(std::int64_t id) const;
    StoredTransaction *findTransaction(std::int64_t id);
    std::string ownerOfItem(std::int64_t itemId) const;
    void completeItem(nlohmann::json &item) const;
    void completeAccount(nlohmann::json &account) const;
    void completeTransaction(nlohmann::json &transaction) const;
    void storeTransaction(nlohmann::json transaction);
    void sortTransactions(std::int64_t accountId);
    void expandSeries(const nlohmann::json &series);

    Settings m_settings;
    RelativeDate m_dates{RelativeDate::localToday()};
    nlohmann::json m_users = nlohmann::json::array();
    nlohmann::json m_providers = nlohmann::json::array();
    nlohmann::json m_items = nlohmann::json::array();    // each with its owner under "user"
    nlohmann::json m_accounts = nlohmann::json::array();
    std::map<std::int64_t, std::vector<StoredTransaction>> m_transactions; // by account id
    std::map<std::int64_t, std::int64_t> m_transactionAccount;            // id -> account id
    std::int64_t m_nextItemId = 8100001;
    std::int64_t m_nextAccountId = 41000001;
    std::int64_t m_nextTransactionId = 38000000000001; // 14 digits, above 2^32
};

} // namespace bridgesim
