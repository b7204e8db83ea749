#pragma once

#include <string>

namespace bridgesim {

// A misbehaviour of the service on one path, for the client's failure paths. A rule
// matches a request by method (empty: any), exact path (without query), and optionally
// the "account_id" query value and the page number (1 for a request without cursor).
// It fires `times` times (0: on every matching request), then stays inactive.
struct FaultRule
{
    enum class Kind {
        Status,        // answers `status` with an error body (or `body`), Retry-After if set
        Delay,         // waits `delayMs` before answering normally (longer than a client time-out)
        MalformedJson, // 200 with a JSON text cut in the middle
        HtmlPage,      // `status` (200 unless set) with an HTML error page
        LoopNextUri,   // normal answer whose pagination.next_uri repeats the request itself
    };

    Kind kind = Kind::Status;
    std::string method;
    std::string path;
    std::string accountId;
    int page = 0;
    int times = 0;
    int status = 503;
    int retryAfterSeconds = -1; // Retry-After header sent when 0 or more
    int delayMs = 0;
    std::string body;

    static FaultRule statusCode(std::string path, int status, int times = 0);
    static FaultRule delay(std::string path, int delayMs, int times = 0);
    static FaultRule malformedJson(std::string path, int times = 0);
    static FaultRule htmlPage(std::string path, int status = 200, int times = 0);
    static FaultRule loopNextUri(std::string path, int times = 0);

    // From the command-line form KIND[=VALUE]@PATH[,times=N][,page=N][,account=ID]
    // [,retry-after=S][,method=VERB], KIND being status (=code), delay (=ms), malformed,
    // html (=code) or loop. Throws std::invalid_argument with a French message.
    static FaultRule parse(const std::string &spec);

    FaultRule &withRetryAfter(int seconds);
    FaultRule &onMethod(std::string verb);
    FaultRule &forAccount(std::string id);
    FaultRule &onPage(int number);
    FaultRule &withBody(std::string text);
};

} // namespace bridgesim
