// Process creation time and the current time come from the same system clock, in 100 ns
// units, so their difference is the time since the process was created.

#include <windows.h>

#include "tests/benchmarks/startup_clock.h"

#include <cstdio>

static ULONGLONG Ticks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void ReportStartupTime(const char* what) {
    GdiFlush();
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const double elapsed = static_cast<double>(Ticks(now) - Ticks(created)) / 10000.0;
    std::fprintf(stderr, "%s %.1f ms after process creation\n", what, elapsed);
    std::fflush(stderr);
}
