#pragma once

#include <QDateTime>

// Local date-times as fractional days since 30 December 1899, the form of the
// REAL columns whose names end in "_num".
namespace DayNumber {

double fromDateTime(const QDateTime &local);
QDateTime toDateTime(double days);

} // namespace DayNumber
