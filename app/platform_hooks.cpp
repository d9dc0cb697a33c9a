// The platform side of the simulation's hooks that the frame code does not define.

#include <windows.h>

#include "simulation/platform_hooks.h"

std::uint32_t ReadTickCount() {
    return GetTickCount();
}
