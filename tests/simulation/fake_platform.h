#pragma once
// Counting stand-ins for the platform hooks.

#include <cstdint>

extern std::uint32_t fakeTickCount;
extern int composedFrames;
