#pragma once

#include "bridge/RestClient.h"

#include <chrono>
#include <functional>

// Network settings of the Bridge client. The defaults are the production ones; tests
// shorten the time-outs and replace the wait between retries so they run in seconds.
struct BridgeReglages
{
    std::chrono::milliseconds connectTimeout = RestClient::kConnectTimeout;
    std::chrono::milliseconds totalTimeout = RestClient::kTotalTimeout;

    // Retries of a 429, 502, 503, 504 or of a connection that could not be made.
    static constexpr int kEssaisSupplementaires = 3;
    static constexpr std::chrono::seconds kRetryAfterMax{60};
    int essaisSupplementaires = kEssaisSupplementaires;

    // Waits before a retry; empty means a real wait that keeps calling the idle hook.
    std::function<void(std::chrono::milliseconds)> attendre;
};
