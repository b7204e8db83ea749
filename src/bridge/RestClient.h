#pragma once

#include "bridge/HttpRequest.h"
#include "bridge/HttpResult.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

// HTTP client for one operation: one libcurl handle, so the connection is reused for
// every page the operation requests. Every request has a connect time-out and a total
// time-out, TLS certificates and host names are always verified, and the idle hook is
// called while a transfer runs so a window stays painted.
class RestClient final
{
public:
    static constexpr std::chrono::milliseconds kConnectTimeout{std::chrono::seconds(15)};
    static constexpr std::chrono::milliseconds kTotalTimeout{std::chrono::seconds(120)};

    explicit RestClient(std::function<void()> idle = {});
    ~RestClient();
    RestClient(const RestClient &) = delete;
    RestClient &operator=(const RestClient &) = delete;

    // Checks and records the base address; false (with the error text and reason) when
    // it is refused. The network connection itself is made by the first request.
    bool connect(const QString &baseUrl);
    const QString &lastErrorText() const { return m_lastError; }
    int connectFailReason() const { return m_connectFailReason; }

    void setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);

    HttpResult perform(const HttpRequest &request);

    QString urlFor(const HttpRequest &request) const;

private:
    struct Handle;
    void classifyFailure(int code, HttpResult &result, const QString &detail) const;

    std::unique_ptr<Handle> m_handle;
    std::function<void()> m_idle;
    QString m_base;
    QString m_lastError;
    int m_connectFailReason = HttpResult::AucuneRaison;
    std::chrono::milliseconds m_connectTimeout = kConnectTimeout;
    std::chrono::milliseconds m_totalTimeout = kTotalTimeout;
    bool m_everAnswered = false;
    bool m_loopback = false;
};
