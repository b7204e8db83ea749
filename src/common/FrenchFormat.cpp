#include "common/FrenchFormat.h"

#include <cmath>

namespace FrenchFormat {

namespace {

QString twoDecimals(double amount)
{
    // Avoid "-0.00" for amounts that round to zero.
    double rounded = std::round(amount * 100.0) / 100.0;
    if (rounded == 0.0)
        rounded = 0.0;
    return QString::number(rounded, 'f', 2);
}

} // namespace

QString sqlDate(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString sqlTime(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QString displayDate(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QDate parseSqlDate(const QString &text)
{
    return QDate::fromString(text.trimmed().left(10), QStringLiteral("yyyy-MM-dd"));
}

QDate parseDisplayDate(const QString &text)
{
    return QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy"));
}

QString amountPoint(double amount)
{
    return twoDecimals(amount);
}

QString amountComma(double amount)
{
    return twoDecimals(amount).replace(QLatin1Char('.'), QLatin1Char(','));
}

bool parseAmount(const QString &text, double &value)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || t.isEmpty() || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

} // namespace FrenchFormat
