#pragma once

#include <QDate>
#include <QString>

// Functional key of a transaction: IBAN, date, amount and normalised description
// joined by "|". Only a-z are upper-cased (accented letters keep their case), the
// marks . , - ' become spaces and runs of spaces shrink to one. A missing date
// counts as the zero date, 30 December 1899.
QString CleNormalisee(const QString &AIban, const QDate &ADate, double AAmount, const QString &ADesc);
