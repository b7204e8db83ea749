#pragma once

#include <QDateTime>

// Source of the local time. Core code asks a Clock instead of QDateTime so tests
// can move time forward (lock and expiry delays) without waiting.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
