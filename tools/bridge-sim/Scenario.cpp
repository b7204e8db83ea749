#include "Scenario.h"

#include "IbanMaker.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace bridgesim {

namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string &message)
{
    throw std::runtime_error(message);
}

// The real service leaves a member out rather than sending null.
void stripNulls(json &value)
{
    if (value.is_object()) {
        for (auto it = value.begin(); it != value.end();) {
            if (it->is_null()) {
                it = value.erase(it);
            } else {
                stripNulls(*it);
                ++it;
            }
        }
    } else if (value.is_array()) {
        for (auto &child : value)
            stripNulls(child);
    }
}

std::int64_t idOf(const json &value, const char *member, const std::string &what)
{
    const auto it = value.find(member);
    if (it == value.end() || !it->is_number_integer())
        fail(what + " : membre \"" + member + "\" entier attendu dans " + value.dump());
    return it->get<std::int64_t>();
}

std::string textOf(const json &value, const char *member)
{
    const auto it = value.find(member);
    return it != value.end() && it->is_string() ? it->get<std::string>() : std::string();
}

json arrayMember(const json &document, const char *member)
{
    const auto it = document.find(member);
    if (it == document.end())
        return json::array();
    if (!it->is_array())
        fail(std::string("Scenario : \"") + member + "\" doit etre un tableau");
    return *it;
}

// "yyyy-mm-ddThh:mm:ss[.fff]Z" and "yyyy-mm-dd" to one comparable form; other texts unchanged.
std::string canonicalTimestamp(const std::string &text)
{
    std::chrono::year_month_day day;
    if (!RelativeDate::parseIso(text, day))
        return text;
    if (text.size() == 10)
        return text + "T00:00:00.000Z";
    unsigned h = 0;
    unsigned m = 0;
    unsigned s = 0;
    if (text.size() < 19 || (text[10] != 'T' && text[10] != ' ')
        || std::sscanf(text.c_str() + 11, "%2u:%2u:%2u", &h, &m, &s) != 3)
        return text;
    std::string fraction;
    std::size_t pos = 19;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
            fraction += text[pos++];
    }
    fraction = (fraction + "000").substr(0, 3);
    char out[64];
    std::snprintf(out, sizeof out, "%sT%02u:%02u:%02u.%sZ", text.substr(0, 10).c_str(), h, m, s,
                  fraction.c_str());
    return out;
}

bool newerFirst(const StoredTransaction &a, const StoredTransaction &b)
{
    if (a.date != b.date)
        return a.date > b.date;
    return a.id > b.id;
}

std::string timestampOn(const std::string &date, int minute)
{
    char out[64];
    std::snprintf(out, sizeof out, "%sT06:%02d:%02d.000Z", date.c_str(), (minute / 60) % 60,
                  minute % 60);
    return out;
}

std::string uuidFor(std::size_t rank)
{
    char out[64];
    std::snprintf(out, sizeof out, "0b5e1d2c-4a7f-4c3e-9d21-%012zx", rank + 1);
    return out;
}

void assignMerged(json &target, const json &patch, const char *what)
{
    if (!patch.is_object())
        fail(std::string(what) + " : modification attendue sous forme d'objet JSON");
    json changed = target;
    changed.merge_patch(patch);
    if (changed.value("id", json()) != target.value("id", json()))
        fail(std::string(what) + " : l'identifiant ne peut pas changer");
    target = std::move(changed);
}

} // namespace

Scenario Scenario::fromJson(json document, const RelativeDate &dates, const std::string &name)
{
    if (!document.is_object())
        fail("Scenario : objet JSON attendu");
    Scenario scenario;
    scenario.m_dates = dates;
    dates.resolveAll(document);
    stripNulls(document);

    Settings &settings = scenario.m_settings;
    settings.name = document.value("name", name);
    if (const auto credentials = document.find("credentials"); credentials != document.end()) {
        settings.clientId = credentials->value("client_id", settings.clientId);
        settings.clientSecret = credentials->value("client_secret", settings.clientSecret);
    }
    settings.tokenLifetimeMinutes = document.value("token_lifetime_minutes", settings.tokenLifetimeMinutes);
    settings.connectLinkMember = document.value("connect_link_member", settings.connectLinkMember);

    for (const auto &user : arrayMember(document, "users")) {
        const std::string external = textOf(user, "external_user_id");
        if (external.empty())
            fail("Scenario : utilisateur sans \"external_user_id\" : " + user.dump());
        const json *added = scenario.addUser(external);
        if (!added)
            fail("Scenario : utilisateur en double : " + external);
        if (user.contains("uuid"))
            scenario.m_users.back()["uuid"] = user.at("uuid");
    }
    scenario.setProviders(arrayMember(document, "providers"));
    for (auto &item : arrayMember(document, "items"))
        scenario.addItem(std::move(item));
    for (auto &account : arrayMember(document, "accounts"))
        scenario.addAccount(std::move(account));
    for (auto &transaction : arrayMember(document, "transactions")) {
        scenario.completeTransaction(transaction);
        scenario.storeTransaction(std::move(transaction));
    }
    for (const auto &series : arrayMember(document, "series"))
        scenario.expandSeries(series);
    for (auto &[accountId, list] : scenario.m_transactions)
        scenario.sortTransactions(accountId);
    return scenario;
}

Scenario Scenario::fromFile(const std::string &path, const RelativeDate &dates)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("Scenario introuvable : " + path);
    std::stringstream text;
    text << in.rdbuf();
    json document = json::parse(text.str(), nullptr, false);
    if (document.is_discarded())
        fail("Scenario : JSON invalide dans " + path);
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0)
        name.resize(name.size() - 5);
    return fromJson(std::move(document), dates, name);
}

Scenario Scenario::load(const std::string &nameOrPath, const std::string &directory, const RelativeDate &dates)
{
    const bool isPath = nameOrPath.find('/') != std::string::npos
                        || (nameOrPath.size() > 5 && nameOrPath.compare(nameOrPath.size() - 5, 5, ".json") == 0);
    return fromFile(isPath ? nameOrPath : directory + "/" + nameOrPath + ".json", dates);
}

Scenario Scenario::generated(int accounts, int transactionsPerAccount, const RelativeDate &dates)
{
    static const char *const kLabels[][2] = {
        {"Carte Total Energies", "CB TOTAL ENERGIES 0412 PARIS"},
        {"Prelevement Urssaf", "PRLV SEPA URSSAF ILE DE FRANCE"},
        {"Virement client Dupont SARL", "VIR SEPA RECU DUPONT SARL FACT 2024"},
        {"Orange Professionnels", "PRLV SEPA ORANGE SA ABONNEMENT"},
        {"Carte Metro Cash & Carry", "CB METRO NANTERRE 92"},
        {"Frais de tenue de compte", "COMMISSION TENUE DE COMPTE"},
        {"Virement fournisseur Bureau Vallee", "VIR SEPA EMIS BUREAU VALLEE"},
        {"Remise cheques", "REMISE CHEQUES N 4471"},
    };
    static const double kAmounts[] = {-62.35, -1480.00, 2350.80, -89.99, -412.17, -18.50, -245.60, 1120.00, -7.20};

    Scenario scenario;
    scenario.m_dates = dates;
    scenario.m_settings.name = "generated-" + std::to_string(accounts) + "x"
                               + std::to_string(transactionsPerAccount);
    scenario.addUser("BENCH");
    scenario.setProviders(json::array({{{"id", 574}, {"name", "Banque Simulee"}, {"country_code", "FR"}}}));
    const auto today = std::chrono::sys_days(dates.today());
    for (int a = 0; a < accounts; ++a) {
        const std::int64_t itemId = a % 4 == 0 ? scenario.addItem({{"provider_id", 574}, {"user", "BENCH"}})
                                               : scenario.m_nextItemId - 1;
        const std::string accountNumber = std::to_string(10000000000LL + a);
        const std::int64_t accountId = scenario.addAccount(
            {{"item_id", itemId},
             {"name", "Compte courant " + std::to_string(a + 1)},
             {"type", "checking"},
             {"iban", IbanMaker::french("30004", "00820", accountNumber)},
             {"balance", 15000.0 + a}});
        for (int t = 0; t < transactionsPerAccount; ++t) {
            const int label = t % 8;
            const std::string date = RelativeDate::iso(today - std::chrono::days(t * 365 / std::max(1, transactionsPerAccount)));
            json transaction = {{"account_id", accountId},
                                {"date", date},
                                {"amount", kAmounts[t % 9]},
                                {"clean_description", kLabels[label][0]},
                                {"provider_description", kLabels[label][1]},
                                {"operation_type", "other"},
                                {"updated_at", timestampOn(date, t % 3600)}};
            scenario.completeTransaction(transaction);
            scenario.storeTransaction(std::move(transaction));
        }
        scenario.sortTransactions(accountId);
    }
    return scenario;
}

const json *Scenario::findUser(const std::string &externalUserId) const
{
    for (const auto &user : m_users) {
        if (textOf(user, "external_user_id") == externalUserId)
            return &user;
    }
    return nullptr;
}

const json *Scenario::addUser(const std::string &externalUserId)
{
    if (findUser(externalUserId))
        return nullptr;
    m_users.push_back({{"uuid", uuidFor(m_users.size())}, {"external_user_id", externalUserId}});
    return &m_users.back();
}

void Scenario::setProviders(json providers)
{
    stripNulls(providers);
    for (const auto &provider : providers)
        idOf(provider, "id", "Banque");
    m_providers = std::move(providers);
}

std::vector<json> Scenario::itemsOf(const std::string &externalUserId) const
{
    std::vector<json> items;
    for (const auto &item : m_items) {
        if (textOf(item, "user") == externalUserId) {
            items.push_back(item);
            items.back().erase("user");
        }
    }
    return items;
}

std::vector<const json *> Scenario::accountsOf(const std::string &externalUserId,
                                               std::optional<std::int64_t> itemId) const
{
    std::vector<const json *> accounts;
    for (const auto &account : m_accounts) {
        const std::int64_t item = account.at("item_id").get<std::int64_t>();
        if ((!itemId || *itemId == item) && ownerOfItem(item) == externalUserId)
            accounts.push_back(&account);
    }
    return accounts;
}

std::vector<const StoredTransaction *> Scenario::transactionsOf(const std::string &externalUserId,
                                                                const TransactionFilter &filter) const
{
    const std::string since = filter.since.empty() ? std::string() : canonicalTimestamp(filter.since);
    std::vector<const StoredTransaction *> result;
    for (const auto &[accountId, list] : m_transactions) {
        if (filter.accountId && *filter.accountId != accountId)
            continue;
        const json *account = findAccount(accountId);
        if (!account || ownerOfItem(account->at("item_id").get<std::int64_t>()) != externalUserId)
            continue;
        for (const auto &transaction : list) {
            if (!since.empty() && !(transaction.updatedAt > since))
                continue;
            if (!filter.minDate.empty() && transaction.date < filter.minDate)
                continue;
            if (!filter.maxDate.empty() && transaction.date > filter.maxDate)
                continue;
            result.push_back(&transaction);
        }
    }
    if (!filter.accountId)
        std::stable_sort(result.begin(), result.end(),
                         [](const auto *a, const auto *b) { return newerFirst(*a, *b); });
    return result;
}

std::size_t Scenario::transactionCount() const
{
    return m_transactionAccount.size();
}

std::int64_t Scenario::addItem(json item)
{
    stripNulls(item);
    completeItem(item);
    const std::int64_t id = item.at("id").get<std::int64_t>();
    if (findItem(id))
        fail("Item en double : " + std::to_string(id));
    m_nextItemId = std::max(m_nextItemId, id + 1);
    m_items.push_back(std::move(item));
    return id;
}

void Scenario::updateItem(std::int64_t id, const json &patch)
{
    json *item = findItem(id);
    if (!item)
        fail("Item inconnu : " + std::to_string(id));
    json changed = *item;
    assignMerged(changed, patch, "Item");
    completeItem(changed);
    *item = std::move(changed);
}

void Scenario::removeItem(std::int64_t id)
{
    if (!findItem(id))
        fail("Item inconnu : " + std::to_string(id));
    std::vector<std::int64_t> accounts;
    for (const auto &account : m_accounts) {
        if (account.at("item_id").get<std::int64_t>() == id)
            accounts.push_back(account.at("id").get<std::int64_t>());
    }
    for (const std::int64_t account : accounts)
        removeAccount(account);
    m_items.erase(std::find_if(m_items.begin(), m_items.end(),
                               [id](const json &item) { return item.at("id").get<std::int64_t>() == id; }));
}

std::int64_t Scenario::addAccount(json account)
{
    stripNulls(account);
    completeAccount(account);
    const std::int64_t id = account.at("id").get<std::int64_t>();
    if (findAccount(id))
        fail("Compte en double : " + std::to_string(id));
    m_nextAccountId = std::max(m_nextAccountId, id + 1);
    m_accounts.push_back(std::move(account));
    return id;
}

void Scenario::updateAccount(std::int64_t id, const json &patch)
{
    json *account = findAccount(id);
    if (!account)
        fail("Compte inconnu : " + std::to_string(id));
    json changed = *account;
    assignMerged(changed, patch, "Compte");
    completeAccount(changed);
    *account = std::move(changed);
}

void Scenario::removeAccount(std::int64_t id)
{
    const auto it = std::find_if(m_accounts.begin(), m_accounts.end(),
                                 [id](const json &a) { return a.at("id").get<std::int64_t>() == id; });
    if (it == m_accounts.end())
        fail("Compte inconnu : " + std::to_string(id));
    m_accounts.erase(it);
    if (const auto list = m_transactions.find(id); list != m_transactions.end()) {
        for (const auto &transaction : list->second)
            m_transactionAccount.erase(transaction.id);
        m_transactions.erase(list);
    }
}

std::int64_t Scenario::addTransaction(json transaction)
{
    stripNulls(transaction);
    completeTransaction(transaction);
    const std::int64_t id = transaction.at("id").get<std::int64_t>();
    const std::int64_t accountId = transaction.at("account_id").get<std::int64_t>();
    storeTransaction(std::move(transaction));
    sortTransactions(accountId);
    return id;
}

void Scenario::updateTransaction(std::int64_t id, const json &patch)
{
    StoredTransaction *stored = findTransaction(id);
    if (!stored)
        fail("Transaction inconnue : " + std::to_string(id));
    json changed = stored->value;
    assignMerged(changed, patch, "Transaction");
    completeTransaction(changed);
    removeTransaction(id);
    const std::int64_t accountId = changed.at("account_id").get<std::int64_t>();
    storeTransaction(std::move(changed));
    sortTransactions(accountId);
}

void Scenario::removeTransaction(std::int64_t id)
{
    const auto owner = m_transactionAccount.find(id);
    if (owner == m_transactionAccount.end())
        fail("Transaction inconnue : " + std::to_string(id));
    auto &list = m_transactions[owner->second];
    list.erase(std::find_if(list.begin(), list.end(), [id](const auto &t) { return t.id == id; }));
    m_transactionAccount.erase(owner);
}

json *Scenario::findItem(std::int64_t id)
{
    return const_cast<json *>(std::as_const(*this).findItem(id));
}

const json *Scenario::findItem(std::int64_t id) const
{
    for (const auto &item : m_items) {
        if (item.at("id").get<std::int64_t>() == id)
            return &item;
    }
    return nullptr;
}

json *Scenario::findAccount(std::int64_t id)
{
    return const_cast<json *>(std::as_const(*this).findAccount(id));
}

const json *Scenario::findAccount(std::int64_t id) const
{
    for (const auto &account : m_accounts) {
        if (account.at("id").get<std::int64_t>() == id)
            return &account;
    }
    return nullptr;
}

StoredTransaction *Scenario::findTransaction(std::int64_t id)
{
    const auto owner = m_transactionAccount.find(id);
    if (owner == m_transactionAccount.end())
        return nullptr;
    for (auto &transaction : m_transactions[owner->second]) {
        if (transaction.id == id)
            return &transaction;
    }
    return nullptr;
}

std::string Scenario::ownerOfItem(std::int64_t itemId) const
{
    const json *item = findItem(itemId);
    return item ? textOf(*item, "user") : std::string();
}

void Scenario::completeItem(json &item) const
{
    if (!item.is_object())
        fail("Item : objet JSON attendu");
    if (!item.contains("id"))
        item["id"] = m_nextItemId;
    idOf(item, "id", "Item");
    if (!item.contains("user")) {
        if (m_users.empty())
            fail("Item sans utilisateur et aucun utilisateur dans le scenario : " + item.dump());
        item["user"] = m_users.front().at("external_user_id");
    }
    if (!findUser(textOf(item, "user")))
        fail("Item rattache a un utilisateur inconnu : " + item.dump());
    const std::string refreshed = timestampOn(RelativeDate::iso(m_dates.today()), 312);
    if (!item.contains("status"))
        item["status"] = 0;
    if (!item.contains("account_types"))
        item["account_types"] = "all";
    if (!item.contains("last_successful_refresh"))
        item["last_successful_refresh"] = refreshed;
    if (!item.contains("last_try_refresh"))
        item["last_try_refresh"] = refreshed;
}

void Scenario::completeAccount(json &account) const
{
    if (!account.is_object())
        fail("Compte : objet JSON attendu");
    if (!account.contains("id"))
        account["id"] = m_nextAccountId;
    const std::int64_t id = idOf(account, "id", "Compte");
    const json *item = findItem(idOf(account, "item_id", "Compte"));
    if (!item)
        fail("Compte " + std::to_string(id) + " rattache a un item inconnu");
    if (!account.contains("provider_id") && item->contains("provider_id"))
        account["provider_id"] = item->at("provider_id");
    if (!account.contains("name"))
        account["name"] = "Compte " + std::to_string(id);
    if (!account.contains("type"))
        account["type"] = "checking";
    if (!account.contains("currency_code"))
        account["currency_code"] = "EUR";
    if (!account.contains("last_refresh_status"))
        account["last_refresh_status"] = "successful";
    if (!account.contains("data_access"))
        account["data_access"] = "enabled";
    if (!account.contains("pro"))
        account["pro"] = true;
    if (!account.contains("paused"))
        account["paused"] = false;
    if (!account.contains("updated_at"))
        account["updated_at"] = timestampOn(RelativeDate::iso(m_dates.today()), 312);
}

void Scenario::completeTransaction(json &transaction) const
{
    if (!transaction.is_object())
        fail("Transaction : objet JSON attendu");
    if (!transaction.contains("id")) {
        std::int64_t next = m_nextTransactionId;
        if (!m_transactionAccount.empty())
            next = std::max(next, m_transactionAccount.rbegin()->first + 1);
        transaction["id"] = next;
    }
    const std::int64_t id = idOf(transaction, "id", "Transaction");
    const json *account = findAccount(idOf(transaction, "account_id", "Transaction"));
    if (!account)
        fail("Transaction " + std::to_string(id) + " rattachee a un compte inconnu");
    const std::string date = textOf(transaction, "date");
    std::chrono::year_month_day day;
    if (!RelativeDate::parseIso(date, day))
        fail("Transaction " + std::to_string(id) + " : \"date\" yyyy-mm-dd attendue");
    const auto amount = transaction.find("amount");
    if (amount == transaction.end() || !(amount->is_number() || amount->is_string()))
        fail("Transaction " + std::to_string(id) + " : \"amount\" attendu");
    if (!transaction.contains("clean_description"))
        transaction["clean_description"] = textOf(transaction, "provider_description");
    if (!transaction.contains("provider_description"))
        transaction["provider_description"] = textOf(transaction, "clean_description");
    if (!transaction.contains("currency_code"))
        transaction["currency_code"] = account->value("currency_code", "EUR");
    if (!transaction.contains("booking_date"))
        transaction["booking_date"] = date;
    if (!transaction.contains("value_date"))
        transaction["value_date"] = date;
    if (!transaction.contains("operation_type"))
        transaction["operation_type"] = "other";
    if (!transaction.contains("updated_at"))
        transaction["updated_at"] = timestampOn(date, int(id % 3600));
    if (!transaction.contains("deleted"))
        transaction["deleted"] = false;
    if (!transaction.contains("future"))
        transaction["future"] = date > RelativeDate::iso(m_dates.today());
}

void Scenario::storeTransaction(json transaction)
{
    StoredTransaction stored;
    stored.id = transaction.at("id").get<std::int64_t>();
    if (m_transactionAccount.count(stored.id))
        fail("Transaction en double : " + std::to_string(stored.id));
    stored.accountId = transaction.at("account_id").get<std::int64_t>();
    stored.date = textOf(transaction, "date");
    stored.updatedAt = canonicalTimestamp(textOf(transaction, "updated_at"));
    stored.text = transaction.dump();
    stored.value = std::move(transaction);
    m_transactionAccount[stored.id] = stored.accountId;
    m_transactions[stored.accountId].push_back(std::move(stored));
}

void Scenario::sortTransactions(std::int64_t accountId)
{
    auto &list = m_transactions[accountId];
    std::sort(list.begin(), list.end(), newerFirst);
}

// A series spreads regular transactions over a period, so a fixture describes months
// of activity in a few lines: {"account_id", "from", "to" (default today), "every_days"
// or "monthly_day", "amounts" (cycled), "labels" ([clean, provider] pairs, cycled),
// "operation_type"}.
void Scenario::expandSeries(const json &series)
{
    const std::int64_t accountId = idOf(series, "account_id", "Serie");
    std::chrono::year_month_day from;
    std::chrono::year_month_day to = m_dates.today();
    if (!RelativeDate::parseIso(textOf(series, "from"), from))
        fail("Serie : \"from\" yyyy-mm-dd attendu");
    if (series.contains("to") && !RelativeDate::parseIso(textOf(series, "to"), to))
        fail("Serie : \"to\" yyyy-mm-dd attendu");
    const json amounts = series.contains("amounts") ? series.at("amounts") : json::array({series.value("amount", 0.0)});
    const json labels = series.value("labels", json::array());
    if (!amounts.is_array() || amounts.empty() || !labels.is_array() || labels.empty())
        fail("Serie : \"amounts\" et \"labels\" non vides attendus");
    const int everyDays = series.value("every_days", 0);
    const int monthlyDay = series.value("monthly_day", 0);
    if ((everyDays < 1) == (monthlyDay < 1))
        fail("Serie : \"every_days\" ou \"monthly_day\" attendu (un seul)");

    std::vector<std::chrono::year_month_day> days;
    if (everyDays > 0) {
        for (auto d = std::chrono::sys_days(from); d <= std::chrono::sys_days(to); d += std::chrono::days(everyDays))
            days.emplace_back(d);
    } else {
        for (auto month = from.year() / from.month(); month <= to.year() / to.month(); month += std::chrono::months(1)) {
            auto day = std::chrono::year_month_day(month / std::chrono::day(unsigned(monthlyDay)));
            if (!day.ok())
                day = std::chrono::year_month_day(std::chrono::year_month_day_last(month.year(), std::chrono::month_day_last(month.month())));
            if (std::chrono::sys_days(day) >= std::chrono::sys_days(from) && std::chrono::sys_days(day) <= std::chrono::sys_days(to))
                days.push_back(day);
        }
    }
    for (std::size_t i = 0; i < days.size(); ++i) {
        const json &label = labels.at(i % labels.size());
        if (!label.is_array() || label.size() != 2)
            fail("Serie : chaque libelle est une paire [clean_description, provider_description]");
        json transaction = {{"account_id", accountId},
                            {"date", RelativeDate::iso(days[i])},
                            {"amount", amounts.at(i % amounts.size())},
                            {"clean_description", label.at(0)},
                            {"provider_description", label.at(1)},
                            {"operation_type", series.value("operation_type", "other")}};
        completeTransaction(transaction);
        storeTransaction(std::move(transaction));
    }
}

} // namespace bridgesim
