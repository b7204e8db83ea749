#include "common/DayNumber.h"

#include <cmath>

namespace DayNumber {

namespace {
const QDate kOrigine(1899, 12, 30);
constexpr double kMsParJour = 86400000.0;
} // namespace

double fromDateTime(const QDateTime &local)
{
    if (!local.isValid())
        return 0.0;
    const double days = static_cast<double>(kOrigine.daysTo(local.date()));
    return days + local.time().msecsSinceStartOfDay() / kMsParJour;
}

QDateTime toDateTime(double days)
{
    const double whole = std::floor(days);
    const QDate date = kOrigine.addDays(static_cast<qint64>(whole));
    const int ms = static_cast<int>(std::llround((days - whole) * kMsParJour));
    return QDateTime(date, QTime(0, 0)).addMSecs(ms);
}

} // namespace DayNumber
