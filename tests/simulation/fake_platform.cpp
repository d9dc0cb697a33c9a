// Fakes for the hooks the program defines with the real platform.

#include "tests/simulation/fake_platform.h"

#include "simulation/platform_hooks.h"

std::uint32_t fakeTickCount = 0;
int composedFrames = 0;

std::uint32_t ReadTickCount() {
    return fakeTickCount;
}
void ComposeFrame() {
    ++composedFrames;
}
