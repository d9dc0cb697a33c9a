// Linked into a copy of the program with the linker wrapping ComposeFrame: every call goes
// on to the real one unchanged, and the first, made by the start routine, is timed.

#include "simulation/platform_hooks.h"
#include "tests/benchmarks/startup_clock.h"

extern "C" void __real__Z12ComposeFramev();

extern "C" void __wrap__Z12ComposeFramev() {
    static bool reported = false;
    __real__Z12ComposeFramev();
    if (!reported) {
        reported = true;
        ReportStartupTime("first frame");
    }
}
