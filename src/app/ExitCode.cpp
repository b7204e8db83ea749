#include "app/ExitCode.h"

#include <algorithm>
#include <atomic>

namespace ExitCode {

namespace {
std::atomic<int> g_exitCode{0};
}

int get()
{
    return g_exitCode.load();
}

void set(int code)
{
    g_exitCode.store(code);
}

int toProcessStatus(int code)
{
    if (code < 0)
        return 255;
    return std::min(code, 254);
}

} // namespace ExitCode
