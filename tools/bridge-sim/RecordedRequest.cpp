#include "RecordedRequest.h"

#include <algorithm>
#include <cctype>

namespace bridgesim {

std::string RecordedRequest::header(const std::string &name) const
{
    const auto same = [&name](const std::pair<std::string, std::string> &h) {
        return std::equal(h.first.begin(), h.first.end(), name.begin(), name.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    };
    const auto it = std::find_if(headers.begin(), headers.end(), same);
    return it == headers.end() ? std::string() : it->second;
}

} // namespace bridgesim
