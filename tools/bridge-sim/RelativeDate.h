#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <string>

namespace bridgesim {

// Scenario dates written relative to a reference day ("today-3d", "today+10dT00:00:00.000Z")
// so that consent-expiry and retrieval cases keep working whatever the calendar says.
class RelativeDate final
{
public:
    explicit RelativeDate(std::chrono::year_month_day today);

    // The reference day of the local clock.
    static std::chrono::year_month_day localToday();
    static std::string iso(std::chrono::year_month_day day);
    static bool parseIso(const std::string &text, std::chrono::year_month_day &day);

    std::chrono::year_month_day today() const { return m_today; }

    // "today", "today+Nd", "today-Nw", "today+Nm" (d days, w weeks, m months), followed by
    // anything (kept as is); other texts come back unchanged. Throws on a malformed offset.
    std::string resolve(const std::string &text) const;
    // Resolves every string of a JSON value, recursively.
    void resolveAll(nlohmann::json &value) const;

private:
    std::chrono::year_month_day m_today;
};

} // namespace bridgesim
