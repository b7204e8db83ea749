#include "BridgeSimServer.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace bridgesim {

namespace {

using nlohmann::json;

constexpr const char *kBridgeVersion = "2025-01-15";
constexpr const char *kJsonType = "application/json";
constexpr int kDefaultPageSize = 50;
constexpr int kMaxPageSize = 500;

void answerJson(httplib::Response &response, int status, const json &body)
{
    response.status = status;
    response.set_content(body.dump(), kJsonType);
}

void answerError(httplib::Response &response, int status, const std::string &code, const std::string &message)
{
    answerJson(response, status, {{"code", code}, {"message", message}});
}

std::string errorCodeFor(int status)
{
    switch (status) {
    case 400: return "bad_request";
    case 401: return "unauthorized";
    case 403: return "forbidden";
    case 404: return "not_found";
    case 409: return "conflict";
    case 429: return "rate_limit_exceeded";
    case 502: return "bad_gateway";
    case 503: return "service_unavailable";
    case 504: return "gateway_timeout";
    default: return status >= 500 ? "internal_server_error" : "error";
    }
}

std::string isoUtc(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, int(millis));
    return text;
}

std::string percentEncode(const std::string &text)
{
    static const char *const kHex = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

std::string base64Url(const std::string &bytes)
{
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : bytes) {
        buffer = (buffer << 8) | static_cast<unsigned char>(c);
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            out += kBase64[(buffer >> bits) & 63];
        }
    }
    if (bits > 0)
        out += kBase64[(buffer << (6 - bits)) & 63];
    return out;
}

bool fromBase64Url(const std::string &text, std::string &bytes)
{
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : text) {
        const auto pos = kBase64.find(c);
        if (pos == std::string_view::npos)
            return false;
        buffer = (buffer << 6) | unsigned(pos);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += char((buffer >> bits) & 255);
        }
    }
    return true;
}

// Opaque continuation cursor ("after"), as the real service uses; it carries the
// offset of the next element and the page number.
struct Cursor
{
    std::size_t offset = 0;
    int page = 1;
    bool valid = true;
};

Cursor cursorOf(const httplib::Request &request)
{
    Cursor cursor;
    if (!request.has_param("after"))
        return cursor;
    std::string decoded;
    unsigned long long offset = 0;
    int page = 0;
    if (!fromBase64Url(request.get_param_value("after"), decoded)
        || std::sscanf(decoded.c_str(), "%llu:%d", &offset, &page) != 2 || page < 2) {
        cursor.valid = false;
        cursor.page = 0;
        return cursor;
    }
    cursor.offset = std::size_t(offset);
    cursor.page = page;
    return cursor;
}

std::string encodeCursor(std::size_t offset, int page)
{
    return base64Url(std::to_string(offset) + ":" + std::to_string(page));
}

bool parseInteger(const std::string &text, std::int64_t &value)
{
    if (text.empty() || text.size() > 19)
        return false;
    std::size_t used = 0;
    try {
        value = std::stoll(text, &used);
    } catch (const std::exception &) {
        return false;
    }
    return used == text.size();
}

// The URI of a list request with its parameters, "after" replaced.
std::string listUri(const httplib::Request &request, int limit, const std::string &after)
{
    std::string uri = request.path + "?limit=" + std::to_string(limit);
    for (const auto &[name, value] : request.params) {
        if (name != "limit" && name != "after")
            uri += "&" + percentEncode(name) + "=" + percentEncode(value);
    }
    if (!after.empty())
        uri += "&after=" + after;
    return uri;
}

bool parseBody(const httplib::Request &request, httplib::Response &response, json &body)
{
    body = json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        answerError(response, 400, "invalid_body", "The request body must be a JSON object");
        return false;
    }
    return true;
}

std::string textMember(const json &body, const char *name)
{
    const auto it = body.find(name);
    return it != body.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::string htmlEscape(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

bool knownLinkMember(const std::string &member)
{
    static const char *const kMembers[] = {"url", "redirect_url", "connect_url", "session.url", "resource.url", "none"};
    return std::any_of(std::begin(kMembers), std::end(kMembers), [&member](const char *m) { return member == m; });
}

} // namespace

BridgeSimServer::BridgeSimServer()
    : BridgeSimServer(Scenario())
{
}

BridgeSimServer::BridgeSimServer(Scenario scenario)
    : m_scenario(std::move(scenario))
    , m_random(std::random_device{}())
{
}

BridgeSimServer::~BridgeSimServer()
{
    stop();
}

int BridgeSimServer::start(const std::string &host, int port)
{
    if (m_thread.joinable())
        return m_port;
    m_server = std::make_unique<httplib::Server>();
    const httplib::Server::Handler handler = [this](const httplib::Request &request, httplib::Response &response) {
        handle(request, response);
    };
    m_server->Get(".*", handler);
    m_server->Post(".*", handler);
    m_server->Put(".*", handler);
    m_server->Patch(".*", handler);
    m_server->Delete(".*", handler);
    // One client connection serves every page of an operation, as with the real service.
    m_server->set_keep_alive_max_count(100000);
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = false;
    }
    const int bound = port == 0 ? m_server->bind_to_any_port(host) : (m_server->bind_to_port(host, port) ? port : -1);
    if (bound < 0) {
        m_server.reset();
        return -1;
    }
    m_host = host;
    m_port = bound;
    m_thread = std::thread([server = m_server.get()] { server->listen_after_bind(); });
    // stop() before the accept loop runs would be lost; wait for it.
    for (int i = 0; i < 5000 && !m_server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

void BridgeSimServer::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    m_stopping.notify_all();
    if (m_server)
        m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
    m_server.reset();
}

std::string BridgeSimServer::baseUrl() const
{
    return "http://" + m_host + ":" + std::to_string(m_port);
}

void BridgeSimServer::loadScenario(Scenario scenario)
{
    std::lock_guard lock(m_mutex);
    m_scenario = std::move(scenario);
    m_tokens.clear();
}

Scenario::Settings BridgeSimServer::settings() const
{
    std::lock_guard lock(m_mutex);
    return m_scenario.settings();
}

std::string BridgeSimServer::firstExternalUserId() const
{
    std::lock_guard lock(m_mutex);
    const json &users = m_scenario.users();
    return users.empty() ? std::string() : users.front().value("external_user_id", "");
}

std::int64_t BridgeSimServer::addTransaction(json transaction)
{
    std::lock_guard lock(m_mutex);
    return m_scenario.addTransaction(std::move(transaction));
}

void BridgeSimServer::updateTransaction(std::int64_t id, const json &patch)
{
    std::lock_guard lock(m_mutex);
    m_scenario.updateTransaction(id, patch);
}

std::int64_t BridgeSimServer::addAccount(json account)
{
    std::lock_guard lock(m_mutex);
    return m_scenario.addAccount(std::move(account));
}

void BridgeSimServer::updateAccount(std::int64_t id, const json &patch)
{
    std::lock_guard lock(m_mutex);
    m_scenario.updateAccount(id, patch);
}

void BridgeSimServer::removeAccount(std::int64_t id)
{
    std::lock_guard lock(m_mutex);
    m_scenario.removeAccount(id);
}

void BridgeSimServer::updateItem(std::int64_t id, const json &patch)
{
    std::lock_guard lock(m_mutex);
    m_scenario.updateItem(id, patch);
}

void BridgeSimServer::setCredentials(const std::string &clientId, const std::string &clientSecret)
{
    std::lock_guard lock(m_mutex);
    m_scenario.settings().clientId = clientId;
    m_scenario.settings().clientSecret = clientSecret;
}

void BridgeSimServer::setConnectLinkMember(const std::string &member)
{
    if (!knownLinkMember(member))
        throw std::invalid_argument("membre de lien inconnu : " + member);
    std::lock_guard lock(m_mutex);
    m_scenario.settings().connectLinkMember = member;
}

void BridgeSimServer::setLastPage(LastPage style)
{
    std::lock_guard lock(m_mutex);
    m_lastPage = style;
}

void BridgeSimServer::setTokenLifetime(std::chrono::seconds lifetime)
{
    std::lock_guard lock(m_mutex);
    m_tokenLifetime = lifetime;
}

void BridgeSimServer::expireTokens()
{
    std::lock_guard lock(m_mutex);
    const auto past = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    for (auto &[text, token] : m_tokens)
        token.expiry = past;
}

std::vector<std::string> BridgeSimServer::issuedTokens() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> tokens;
    for (const auto &[text, token] : m_tokens)
        tokens.push_back(text);
    return tokens;
}

void BridgeSimServer::addFault(FaultRule rule)
{
    std::lock_guard lock(m_mutex);
    const int remaining = rule.times > 0 ? rule.times : -1;
    m_faults.push_back({std::move(rule), remaining});
}

void BridgeSimServer::clearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::vector<RecordedRequest> BridgeSimServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<RecordedRequest> BridgeSimServer::requestsTo(const std::string &path) const
{
    std::lock_guard lock(m_mutex);
    std::vector<RecordedRequest> matching;
    std::copy_if(m_requests.begin(), m_requests.end(), std::back_inserter(matching),
                 [&path](const RecordedRequest &r) { return r.path == path; });
    return matching;
}

void BridgeSimServer::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_requestSequences.clear();
}

void BridgeSimServer::setStaticFile(const std::string &path, std::string body, std::string contentType)
{
    std::lock_guard lock(m_mutex);
    m_staticFiles[path] = {std::move(body), std::move(contentType)};
}

void BridgeSimServer::removeStaticFile(const std::string &path)
{
    std::lock_guard lock(m_mutex);
    m_staticFiles.erase(path);
}

std::vector<BridgeSimServer::ConnectSession> BridgeSimServer::connectSessions() const
{
    std::lock_guard lock(m_mutex);
    return m_sessions;
}

void BridgeSimServer::handle(const httplib::Request &request, httplib::Response &response)
{
    const std::uint64_t sequence = record(request);
    try {
        const ActiveFault fault = takeFault(request);
        bool loop = false;
        if (fault.found) {
            const FaultRule &rule = fault.rule;
            switch (rule.kind) {
            case FaultRule::Kind::Status:
                if (rule.body.empty())
                    answerError(response, rule.status, errorCodeFor(rule.status), "Simulated failure");
                else
                    response.set_content(rule.body, kJsonType);
                response.status = rule.status;
                if (rule.retryAfterSeconds >= 0)
                    response.set_header("Retry-After", std::to_string(rule.retryAfterSeconds));
                recordStatus(sequence, response.status);
                return;
            case FaultRule::Kind::Delay:
                if (!waitUnlessStopping(rule.delayMs)) {
                    answerError(response, 503, "service_unavailable", "Simulator stopping");
                    recordStatus(sequence, response.status);
                    return;
                }
                break;
            case FaultRule::Kind::MalformedJson:
                response.status = 200;
                response.set_content(R"({"resources": [{"id": 38000000000001, "amount": -12.5, "clean_description": "Pai)",
                                     kJsonType);
                recordStatus(sequence, response.status);
                return;
            case FaultRule::Kind::HtmlPage:
                response.status = rule.status;
                response.set_content("<!DOCTYPE html>\n<html><head><title>Service momentanement indisponible</title></head>"
                                     "<body><h1>Maintenance en cours</h1><p>Merci de reessayer plus tard.</p></body></html>\n",
                                     "text/html; charset=utf-8");
                recordStatus(sequence, response.status);
                return;
            case FaultRule::Kind::LoopNextUri:
                loop = true;
                break;
            }
        }
        route(request, response, loop);
    } catch (const std::exception &error) {
        answerError(response, 500, "internal_server_error", error.what());
    }
    recordStatus(sequence, response.status);
}

std::uint64_t BridgeSimServer::record(const httplib::Request &request)
{
    RecordedRequest recorded;
    recorded.method = request.method;
    recorded.path = request.path;
    recorded.target = request.target;
    recorded.query.insert(request.params.begin(), request.params.end());
    for (const auto &[name, value] : request.headers) {
        // httplib adds the socket addresses as pseudo headers.
        if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" && name != "LOCAL_PORT")
            recorded.headers.emplace_back(name, value);
    }
    recorded.body = request.body;
    std::lock_guard lock(m_mutex);
    const std::uint64_t sequence = m_nextSequence++;
    m_requests.push_back(std::move(recorded));
    m_requestSequences.push_back(sequence);
    return sequence;
}

void BridgeSimServer::recordStatus(std::uint64_t sequence, int status)
{
    std::lock_guard lock(m_mutex);
    const auto it = std::find(m_requestSequences.rbegin(), m_requestSequences.rend(), sequence);
    if (it != m_requestSequences.rend())
        m_requests[std::size_t(std::distance(it, m_requestSequences.rend()) - 1)].status = status;
}

BridgeSimServer::ActiveFault BridgeSimServer::takeFault(const httplib::Request &request)
{
    const int page = cursorOf(request).page;
    const std::string accountId = request.get_param_value("account_id");
    std::lock_guard lock(m_mutex);
    for (auto &stored : m_faults) {
        const FaultRule &rule = stored.rule;
        if (stored.remaining == 0 || rule.path != request.path || (!rule.method.empty() && rule.method != request.method)
            || (!rule.accountId.empty() && rule.accountId != accountId) || (rule.page > 0 && rule.page != page))
            continue;
        if (stored.remaining > 0)
            --stored.remaining;
        return {true, rule};
    }
    return {};
}

bool BridgeSimServer::waitUnlessStopping(int delayMs)
{
    std::unique_lock lock(m_mutex);
    return !m_stopping.wait_for(lock, std::chrono::milliseconds(delayMs), [this] { return m_stopRequested; });
}

void BridgeSimServer::route(const httplib::Request &request, httplib::Response &response, bool loop)
{
    const std::string &path = request.path;
    const bool get = request.method == "GET";
    if (get) {
        std::unique_lock lock(m_mutex);
        if (const auto file = m_staticFiles.find(path); file != m_staticFiles.end()) {
            response.status = 200;
            response.set_content(file->second.body, file->second.contentType.c_str());
            return;
        }
        lock.unlock();
        if (path.rfind("/connect/session/", 0) == 0) {
            getConnectPage(request, response);
            return;
        }
    }
    if (path.rfind("/v3/", 0) != 0) {
        answerError(response, 404, "not_found", "No route for " + path);
        return;
    }
    if (!applicationAccepted(request, response))
        return;

    using Getter = void (BridgeSimServer::*)(const httplib::Request &, httplib::Response &, bool);
    using Poster = void (BridgeSimServer::*)(const httplib::Request &, httplib::Response &);
    static const std::map<std::string, Getter> kGetters = {
        {"/v3/aggregation/users", &BridgeSimServer::getUsers},
        {"/v3/aggregation/items", &BridgeSimServer::getItems},
        {"/v3/aggregation/accounts", &BridgeSimServer::getAccounts},
        {"/v3/aggregation/transactions", &BridgeSimServer::getTransactions},
        {"/v3/providers", &BridgeSimServer::getProviders},
    };
    static const std::map<std::string, Poster> kPosters = {
        {"/v3/aggregation/authorization/token", &BridgeSimServer::postToken},
        {"/v3/aggregation/users", &BridgeSimServer::postUser},
        {"/v3/aggregation/connect-sessions", &BridgeSimServer::postConnectSession},
    };
    const auto getter = kGetters.find(path);
    const auto poster = kPosters.find(path);
    if (get && getter != kGetters.end())
        (this->*getter->second)(request, response, loop);
    else if (request.method == "POST" && poster != kPosters.end())
        (this->*poster->second)(request, response);
    else if (getter != kGetters.end() || poster != kPosters.end())
        answerError(response, 405, "method_not_allowed", request.method + " is not allowed on " + path);
    else
        answerError(response, 404, "not_found", "No route for " + path);
}

bool BridgeSimServer::applicationAccepted(const httplib::Request &request, httplib::Response &response) const
{
    if (!request.has_header("Bridge-Version")) {
        answerError(response, 400, "missing_version", "The Bridge-Version header is required");
        return false;
    }
    if (request.get_header_value("Bridge-Version") != kBridgeVersion) {
        answerError(response, 400, "invalid_version",
                    "Unsupported Bridge-Version: " + request.get_header_value("Bridge-Version"));
        return false;
    }
    std::lock_guard lock(m_mutex);
    const Scenario::Settings &settings = m_scenario.settings();
    if (request.get_header_value("Client-Id") != settings.clientId
        || request.get_header_value("Client-Secret") != settings.clientSecret) {
        answerError(response, 401, "invalid_client_credentials", "Invalid Client-Id or Client-Secret");
        return false;
    }
    return true;
}

bool BridgeSimServer::userOf(const httplib::Request &request, httplib::Response &response,
                             std::string &externalUserId) const
{
    const std::string authorization = request.get_header_value("Authorization");
    const std::string prefix = "Bearer ";
    if (authorization.rfind(prefix, 0) != 0 || authorization.size() == prefix.size()) {
        answerError(response, 401, "missing_token", "A Bearer access token is required");
        return false;
    }
    std::lock_guard lock(m_mutex);
    const auto token = m_tokens.find(authorization.substr(prefix.size()));
    if (token == m_tokens.end()) {
        answerError(response, 401, "invalid_token", "The access token is invalid");
        return false;
    }
    if (std::chrono::steady_clock::now() >= token->second.expiry) {
        answerError(response, 401, "expired_token", "The access token has expired");
        return false;
    }
    externalUserId = token->second.externalUserId;
    return true;
}

void BridgeSimServer::postToken(const httplib::Request &request, httplib::Response &response)
{
    json body;
    if (!parseBody(request, response, body))
        return;
    const std::string external = textMember(body, "external_user_id");
    const std::string uuid = textMember(body, "user_uuid");
    if (external.empty() && uuid.empty()) {
        answerError(response, 400, "invalid_body", "external_user_id or user_uuid is required");
        return;
    }
    std::lock_guard lock(m_mutex);
    const json *user = nullptr;
    for (const auto &candidate : m_scenario.users()) {
        if ((!external.empty() && candidate.value("external_user_id", "") == external)
            || (!uuid.empty() && candidate.value("uuid", "") == uuid))
            user = &candidate;
    }
    if (!user) {
        answerError(response, 404, "not_found", "No user matches this external_user_id");
        return;
    }
    const auto lifetime = m_tokenLifetime.count() > 0
                              ? m_tokenLifetime
                              : std::chrono::seconds(60LL * m_scenario.settings().tokenLifetimeMinutes);
    const std::string token = newToken();
    m_tokens[token] = {user->value("external_user_id", ""), std::chrono::steady_clock::now() + lifetime};
    answerJson(response, 201,
               {{"access_token", token},
                {"expires_at", isoUtc(std::chrono::system_clock::now() + lifetime)},
                {"user", *user}});
}

void BridgeSimServer::postUser(const httplib::Request &request, httplib::Response &response)
{
    json body;
    if (!parseBody(request, response, body))
        return;
    const std::string external = textMember(body, "external_user_id");
    if (external.empty()) {
        answerError(response, 400, "invalid_body", "external_user_id is required");
        return;
    }
    std::lock_guard lock(m_mutex);
    const json *user = m_scenario.addUser(external);
    if (!user) {
        answerError(response, 409, "conflict", "A user with this external_user_id already exists");
        return;
    }
    answerJson(response, 201, *user);
}

void BridgeSimServer::getUsers(const httplib::Request &request, httplib::Response &response, bool loop)
{
    std::lock_guard lock(m_mutex);
    const json &users = m_scenario.users();
    answerList(request, response, users.size(), [&users](std::size_t i) { return users.at(i).dump(); },
               kDefaultPageSize, kMaxPageSize, loop);
}

void BridgeSimServer::getProviders(const httplib::Request &request, httplib::Response &response, bool loop)
{
    std::lock_guard lock(m_mutex);
    const json &providers = m_scenario.providers();
    answerList(request, response, providers.size(), [&providers](std::size_t i) { return providers.at(i).dump(); },
               kDefaultPageSize, kMaxPageSize, loop);
}

void BridgeSimServer::getItems(const httplib::Request &request, httplib::Response &response, bool loop)
{
    std::string user;
    if (!userOf(request, response, user))
        return;
    std::lock_guard lock(m_mutex);
    const std::vector<json> items = m_scenario.itemsOf(user);
    answerList(request, response, items.size(), [&items](std::size_t i) { return items[i].dump(); },
               kDefaultPageSize, kMaxPageSize, loop);
}

void BridgeSimServer::getAccounts(const httplib::Request &request, httplib::Response &response, bool loop)
{
    std::string user;
    if (!userOf(request, response, user))
        return;
    std::optional<std::int64_t> itemId;
    if (request.has_param("item_id")) {
        std::int64_t value = 0;
        if (!parseInteger(request.get_param_value("item_id"), value)) {
            answerError(response, 400, "invalid_parameter", "item_id must be an integer");
            return;
        }
        itemId = value;
    }
    std::lock_guard lock(m_mutex);
    const auto accounts = m_scenario.accountsOf(user, itemId);
    answerList(request, response, accounts.size(), [&accounts](std::size_t i) { return accounts[i]->dump(); },
               kDefaultPageSize, kMaxPageSize, loop);
}

void BridgeSimServer::getTransactions(const httplib::Request &request, httplib::Response &response, bool loop)
{
    std::string user;
    if (!userOf(request, response, user))
        return;
    Scenario::TransactionFilter filter;
    if (request.has_param("account_id")) {
        std::int64_t value = 0;
        if (!parseInteger(request.get_param_value("account_id"), value)) {
            answerError(response, 400, "invalid_parameter", "account_id must be an integer");
            return;
        }
        filter.accountId = value;
    }
    filter.since = request.get_param_value("since");
    filter.minDate = request.get_param_value("min_date");
    filter.maxDate = request.get_param_value("max_date");
    std::lock_guard lock(m_mutex);
    const auto transactions = m_scenario.transactionsOf(user, filter);
    answerList(request, response, transactions.size(),
               [&transactions](std::size_t i) { return transactions[i]->text; }, kDefaultPageSize, kMaxPageSize, loop);
}

void BridgeSimServer::postConnectSession(const httplib::Request &request, httplib::Response &response)
{
    std::string user;
    if (!userOf(request, response, user))
        return;
    json body;
    if (!parseBody(request, response, body))
        return;
    const std::string email = textMember(body, "user_email");
    if (email.find('@') == std::string::npos) {
        answerError(response, 400, "invalid_parameter", "user_email is missing or invalid");
        return;
    }
    std::lock_guard lock(m_mutex);
    const std::string id = newUuid();
    const std::string url = baseUrl() + "/connect/session/" + id;
    m_sessions.push_back({id, user, email, url});
    const std::string &member = m_scenario.settings().connectLinkMember;
    json answer = {{"id", id}};
    if (member == "session.url")
        answer["session"] = {{"url", url}};
    else if (member == "resource.url")
        answer["resource"] = {{"url", url}};
    else if (member != "none")
        answer[member] = url;
    answerJson(response, 201, answer);
}

void BridgeSimServer::getConnectPage(const httplib::Request &request, httplib::Response &response)
{
    const std::string id = request.path.substr(std::string("/connect/session/").size());
    std::lock_guard lock(m_mutex);
    const auto session = std::find_if(m_sessions.begin(), m_sessions.end(),
                                      [&id](const ConnectSession &s) { return s.id == id; });
    if (session == m_sessions.end()) {
        answerError(response, 404, "not_found", "Unknown connect session");
        return;
    }
    response.status = 200;
    response.set_content("<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\"><title>Connexion bancaire"
                         " (simulateur Bridge)</title></head><body><h1>Connexion bancaire simul\xC3\xA9" "e</h1>"
                         "<p>Session " + htmlEscape(session->id) + " pour " + htmlEscape(session->userEmail)
                             + ".</p><p>Avec le vrai service, le titulaire choisirait ici sa banque et donnerait"
                               " son consentement.</p></body></html>\n",
                         "text/html; charset=utf-8");
}

void BridgeSimServer::answerList(const httplib::Request &request, httplib::Response &response, std::size_t total,
                                 const std::function<std::string(std::size_t)> &textAt, int defaultLimit,
                                 int maxLimit, bool loop) const
{
    std::int64_t limit = defaultLimit;
    if (request.has_param("limit")
        && (!parseInteger(request.get_param_value("limit"), limit) || limit < 1 || limit > maxLimit)) {
        answerError(response, 400, "invalid_parameter", "limit must be between 1 and " + std::to_string(maxLimit));
        return;
    }
    const Cursor cursor = cursorOf(request);
    if (!cursor.valid) {
        answerError(response, 400, "invalid_parameter", "Invalid pagination cursor");
        return;
    }
    const std::size_t first = std::min(cursor.offset, total);
    const std::size_t end = std::min(first + std::size_t(limit), total);
    std::string body = "{\"resources\":[";
    for (std::size_t i = first; i < end; ++i) {
        if (i > first)
            body += ',';
        body += textAt(i);
    }
    body += "],\"generated_at\":\"" + isoUtc(std::chrono::system_clock::now()) + "\",\"pagination\":";
    std::string next;
    if (loop)
        next = listUri(request, int(limit), request.get_param_value("after"));
    else if (end < total)
        next = listUri(request, int(limit), encodeCursor(end, cursor.page + 1));
    if (!next.empty())
        body += "{\"next_uri\":" + json(next).dump() + "}";
    else
        body += m_lastPage == LastPage::EmptyPagination ? "{}" : "{\"next_uri\":null}";
    body += '}';
    response.status = 200;
    response.set_content(body, kJsonType);
}

std::string BridgeSimServer::newToken()
{
    static const char *const kHex = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 64; ++i)
        token += kHex[m_random() & 15];
    return token;
}

std::string BridgeSimServer::newUuid()
{
    static const char *const kHex = "0123456789abcdef";
    std::string uuid;
    for (int i = 0; i < 32; ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20)
            uuid += '-';
        const unsigned digit = i == 12 ? 4 : (i == 16 ? 8 + (m_random() & 3) : m_random() & 15);
        uuid += kHex[digit];
    }
    return uuid;
}

} // namespace bridgesim
