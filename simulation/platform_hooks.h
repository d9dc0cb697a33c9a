#pragma once
// What the simulation asks of the rest of the program. The program defines these with the
// real platform; the tests define counting fakes.

#include <cstdint>

// Milliseconds since the system started, wrapping at 2^32.
std::uint32_t ReadTickCount();

// Composes a frame of the current petal list and puts it on the screen.
void ComposeFrame();
