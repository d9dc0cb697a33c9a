#pragma once
// Start-up in its fixed order, and the message loop that carries all later work.

#include <cstdint>

// Prepares everything, shows the first frame and runs the message loop. Returns 0 after a
// normal run, or 1 at once when the overlay window could not be made, since nothing could
// ever end a run without it.
std::int32_t StartRoutine();

// Dispatches messages until the quit message; returns the code it carried.
std::int32_t RunMessageLoop();
