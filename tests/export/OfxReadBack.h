#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What libofx reads from an OFX file: the errors it reports and the values its
// callbacks receive.
struct OfxReadBack
{
    QStringList errors; // libofx lines reporting an error
    int statements = 0;
    QString accountId;
    std::vector<double> amounts;
    QStringList fitids;
    QStringList names;
    QStringList memos;
    std::optional<double> ledgerBalance;
    bool periodGiven = false; // DTSTART and DTEND both read

    static OfxReadBack read(const QString &path);
};
