#include "RelativeDate.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace bridgesim {

namespace {

constexpr std::string_view kToday = "today";

std::chrono::year_month_day addMonths(std::chrono::year_month_day day, int months)
{
    using namespace std::chrono;
    year_month_day moved = day + std::chrono::months(months);
    if (!moved.ok()) // 31 January + 1 month: the last day of February
        moved = year_month_day(year_month_day_last(moved.year(), month_day_last(moved.month())));
    return moved;
}

} // namespace

RelativeDate::RelativeDate(std::chrono::year_month_day today)
    : m_today(today)
{
}

std::chrono::year_month_day RelativeDate::localToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::chrono::year_month_day(std::chrono::year(local.tm_year + 1900),
                                       std::chrono::month(unsigned(local.tm_mon + 1)),
                                       std::chrono::day(unsigned(local.tm_mday)));
}

std::string RelativeDate::iso(std::chrono::year_month_day day)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(day.year()), unsigned(day.month()),
                  unsigned(day.day()));
    return text;
}

bool RelativeDate::parseIso(const std::string &text, std::chrono::year_month_day &day)
{
    int y = 0;
    unsigned m = 0;
    unsigned d = 0;
    if (text.size() < 10 || text[4] != '-' || text[7] != '-'
        || std::sscanf(text.c_str(), "%4d-%2u-%2u", &y, &m, &d) != 3)
        return false;
    day = std::chrono::year_month_day(std::chrono::year(y), std::chrono::month(m), std::chrono::day(d));
    return day.ok();
}

std::string RelativeDate::resolve(const std::string &text) const
{
    if (text.compare(0, kToday.size(), kToday) != 0)
        return text;
    const std::size_t next = kToday.size();
    const bool timeFollows = next + 1 < text.size() && text[next] == 'T'
                             && std::isdigit(static_cast<unsigned char>(text[next + 1]));
    if (next < text.size() && std::isalpha(static_cast<unsigned char>(text[next])) && !timeFollows)
        return text;
    std::size_t pos = kToday.size();
    std::chrono::year_month_day day = m_today;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        const int sign = text[pos] == '-' ? -1 : 1;
        std::size_t digitsEnd = pos + 1;
        while (digitsEnd < text.size() && std::isdigit(static_cast<unsigned char>(text[digitsEnd])))
            ++digitsEnd;
        if (digitsEnd == pos + 1 || digitsEnd >= text.size())
            throw std::runtime_error("date relative mal formee : " + text);
        const int amount = sign * std::stoi(text.substr(pos + 1, digitsEnd - pos - 1));
        const char unit = text[digitsEnd];
        using std::chrono::sys_days;
        if (unit == 'd')
            day = sys_days(day) + std::chrono::days(amount);
        else if (unit == 'w')
            day = sys_days(day) + std::chrono::days(7 * amount);
        else if (unit == 'm')
            day = addMonths(day, amount);
        else
            throw std::runtime_error("unite de date relative inconnue (d, w ou m) : " + text);
        pos = digitsEnd + 1;
    }
    // Only a date may follow: a label that merely starts with the word stays as it is.
    if (pos < text.size() && text[pos] != 'T' && text[pos] != ' ')
        return text;
    return iso(day) + text.substr(pos);
}

void RelativeDate::resolveAll(nlohmann::json &value) const
{
    if (value.is_string()) {
        value = resolve(value.get_ref<const std::string &>());
    } else if (value.is_structured()) {
        for (auto &child : value)
            resolveAll(child);
    }
}

} // namespace bridgesim
