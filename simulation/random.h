#pragma once
// The program's one random generator (15-bit linear congruential) and its rounding rule.

#include <cstdint>

extern std::uint32_t randomState;
// Grows at every seeding, so that two seedings within one tick still differ.
extern std::uint32_t seedOffset;

// Seeds the generator from the tick count.
void SeedRandom();

// Next raw output of the generator, 0 to 32767.
std::int32_t NextRandom();

// A value in the closed range between lo and hi. Negative bounds count as 0, reversed bounds
// are swapped, and only lower ... lower + 32767 is reachable however wide the range.
std::int32_t RandomInRange(std::int32_t lo = 0, std::int32_t hi = INT32_MAX);

// Truncates toward zero through a 64-bit integer and keeps the low 32 bits. A value that no
// 64-bit integer holds (NaN, infinities, |v| >= 2^63) gives 0, as the processor's conversion
// would.
std::int32_t FloatToInt(double v);
