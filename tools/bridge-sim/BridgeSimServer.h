#pragma once

#include "FaultRule.h"
#include "RecordedRequest.h"
#include "Scenario.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace bridgesim {

// A local stand-in for the Bridge aggregation API v3 ("Bridge-Version: 2025-01-15"),
// serving one scenario over plain HTTP on a background thread. Every public member may
// be called from any thread while requests are served.
class BridgeSimServer
{
public:
    enum class LastPage {
        EmptyPagination, // "pagination": {}
        NullNextUri,     // "pagination": {"next_uri": null}
    };
    struct ConnectSession
    {
        std::string id;
        std::string externalUserId;
        std::string userEmail;
        std::string url;
    };

    BridgeSimServer();
    explicit BridgeSimServer(Scenario scenario);
    ~BridgeSimServer();
    BridgeSimServer(const BridgeSimServer &) = delete;
    BridgeSimServer &operator=(const BridgeSimServer &) = delete;

    // Binds host:port (0 picks a free port) and serves until stop(); returns the port,
    // or -1 when the address cannot be bound.
    int start(const std::string &host = "127.0.0.1", int port = 0);
    void stop();
    int port() const { return m_port; }
    std::string baseUrl() const; // "http://127.0.0.1:PORT"

    // Replaces the data; tokens issued before are forgotten.
    void loadScenario(Scenario scenario);
    // Runs f(Scenario &) under the lock, for any change or read of the data.
    template <typename F>
    decltype(auto) withScenario(F &&f)
    {
        std::lock_guard lock(m_mutex);
        return f(m_scenario);
    }
    Scenario::Settings settings() const;
    std::string firstExternalUserId() const;

    std::int64_t addTransaction(nlohmann::json transaction);
    void updateTransaction(std::int64_t id, const nlohmann::json &patch);
    std::int64_t addAccount(nlohmann::json account);
    void updateAccount(std::int64_t id, const nlohmann::json &patch);
    void removeAccount(std::int64_t id);
    void updateItem(std::int64_t id, const nlohmann::json &patch);

    void setCredentials(const std::string &clientId, const std::string &clientSecret);
    void setConnectLinkMember(const std::string &member);
    void setLastPage(LastPage style);
    void setTokenLifetime(std::chrono::seconds lifetime);
    // Every token issued so far is refused (401) from now on, as after Bridge's 2 hours.
    void expireTokens();
    std::vector<std::string> issuedTokens() const;

    void addFault(FaultRule rule);
    void clearFaults();

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requestsTo(const std::string &path) const;
    void clearRequests();

    // GET of that exact path (any query) answers 200 with this body; other paths outside
    // the API answer 404.
    void setStaticFile(const std::string &path, std::string body,
                       std::string contentType = "text/plain; charset=utf-8");
    void removeStaticFile(const std::string &path);

    std::vector<ConnectSession> connectSessions() const;

private:
    struct Token
    {
        std::string externalUserId;
        std::chrono::steady_clock::time_point expiry;
    };
    struct StaticFile
    {
        std::string body;
        std::string contentType;
    };
    struct StoredFault
    {
        FaultRule rule;
        int remaining = -1; // -1: every time
    };
    struct ActiveFault
    {
        bool found = false;
        FaultRule rule;
    };

    void handle(const httplib::Request &request, httplib::Response &response);
    std::uint64_t record(const httplib::Request &request);
    void recordStatus(std::uint64_t sequence, int status);
    ActiveFault takeFault(const httplib::Request &request);
    bool waitUnlessStopping(int delayMs);
    void route(const httplib::Request &request, httplib::Response &response, bool loopNextUri);
    bool applicationAccepted(const httplib::Request &request, httplib::Response &response) const;
    bool userOf(const httplib::Request &request, httplib::Response &response, std::string &externalUserId) const;

    void postToken(const httplib::Request &request, httplib::Response &response);
    void postUser(const httplib::Request &request, httplib::Response &response);
    void getUsers(const httplib::Request &request, httplib::Response &response, bool loop);
    void getProviders(const httplib::Request &request, httplib::Response &response, bool loop);
    void getItems(const httplib::Request &request, httplib::Response &response, bool loop);
    void getAccounts(const httplib::Request &request, httplib::Response &response, bool loop);
    void getTransactions(const httplib::Request &request, httplib::Response &response, bool loop);
    void postConnectSession(const httplib::Request &request, httplib::Response &response);
    void getConnectPage(const httplib::Request &request, httplib::Response &response);

    // One page of a list, with the caller holding the lock; textAt(i) gives element i.
    void answerList(const httplib::Request &request, httplib::Response &response, std::size_t total,
                    const std::function<std::string(std::size_t)> &textAt, int defaultLimit,
                    int maxLimit, bool loop) const;
    std::string newToken();
    std::string newUuid();

    mutable std::mutex m_mutex;
    std::condition_variable m_stopping;
    bool m_stopRequested = false;
    Scenario m_scenario;
    LastPage m_lastPage = LastPage::EmptyPagination;
    std::chrono::seconds m_tokenLifetime{0}; // 0: the scenario's
    std::map<std::string, Token> m_tokens;
    std::vector<StoredFault> m_faults;
    std::vector<RecordedRequest> m_requests;
    std::vector<std::uint64_t> m_requestSequences;
    std::uint64_t m_nextSequence = 1;
    std::map<std::string, StaticFile> m_staticFiles;
    std::vector<ConnectSession> m_sessions;
    std::mt19937_64 m_random;

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    std::string m_host;
    int m_port = -1;
};

} // namespace bridgesim
