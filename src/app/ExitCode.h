#pragma once

// The process-wide exit code: 0 at start, set only by the command modes, returned
// by main when the event loop ends.
namespace ExitCode {

int get();
void set(int code);
// The documented code (-1 for a refused export, n for n lines exported) mapped to
// the 8 bits POSIX keeps: -1 -> 255, n -> min(n, 254).
int toProcessStatus(int code);

} // namespace ExitCode
