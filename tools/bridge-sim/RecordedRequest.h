#pragma once

#include <map>
#include <string>
#include <vector>

namespace bridgesim {

// A request as the simulator received it, for tests that check what the client sent.
struct RecordedRequest
{
    std::string method;
    std::string path;   // decoded, without query
    std::string target; // as sent: path and raw query string
    std::multimap<std::string, std::string> query;   // decoded parameters
    std::vector<std::pair<std::string, std::string>> headers; // sorted by name: the HTTP library keeps no order
    std::string body;
    int status = 0; // status of the answer

    bool hasQuery(const std::string &name) const { return query.count(name) > 0; }
    std::string queryValue(const std::string &name) const
    {
        const auto it = query.find(name);
        return it == query.end() ? std::string() : it->second;
    }
    // Header value by case-insensitive name; empty when absent.
    std::string header(const std::string &name) const;
};

} // namespace bridgesim
