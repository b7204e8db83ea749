#pragma once

#include "support/BridgeSimTest.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <ostream>
#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

// A data module on a temporary folder talking to the in-process simulator, on a
// manual clock set to today 10:00, with the company's Bridge user set and the waits
// between retries recorded instead of slept.
class BridgeClientTest : public BridgeSimTest
{
protected:
    struct LogRow
    {
        QString operation;
        QString message;
        QString resultat;
        QString source;
    };

    void SetUp() override;

    // A fresh token for the scenario's user, obtained through the client.
    QString token();
    std::vector<LogRow> logs();
    // Messages of the log rows, optionally of one operation only, in order.
    QStringList messages(const QString &operation = {});
    bool logged(const QString &message);
    // Index of the first log row whose message starts with the text, -1 when none.
    int indexOf(const QString &messageStart);
    void clearLog();

    ManualClock clock{QDateTime(QDate::currentDate(), QTime(10, 0))};
    std::vector<std::chrono::milliseconds> waits;
};
