#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// The text forms used throughout the program: database dates and times, dates shown
// to users, and amounts with two decimals ('.' in statements and OFX, ',' in the
// accounting file and wherever the French "machine format" applies).
namespace FrenchFormat {

QString sqlDate(const QDate &date);      // "yyyy-MM-dd"
QString sqlTime(const QTime &time);      // "HH:mm:ss"
QString displayDate(const QDate &date);  // "dd/MM/yyyy"
QDate parseSqlDate(const QString &text); // invalid when not a real "yyyy-MM-dd" date
QDate parseDisplayDate(const QString &text);
QString amountPoint(double amount);      // "-12.50"
QString amountComma(double amount);      // "-12,50"
// Reads "12,5", "12.5", "-12.50"; false for anything else.
bool parseAmount(const QString &text, double &value);

} // namespace FrenchFormat
