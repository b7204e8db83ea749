#pragma once

#include <QString>

#include <functional>

class DataModule;

// Every slot runs its work through this guard: a database error (or any other
// exception) raised by the core is logged and shown as the standard error box and
// never crosses the Qt event loop.
class SlotGuard final
{
public:
    SlotGuard() = delete;

    // True when the work ended normally.
    static bool run(DataModule &dm, const QString &source, const std::function<void()> &work) noexcept;
};
