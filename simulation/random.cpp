// The random generator and the float-to-integer rule.

#include "simulation/random.h"

#include "simulation/platform_hooks.h"

#include <utility>

std::uint32_t randomState = 0;
std::uint32_t seedOffset = 0;

void SeedRandom() {
    const std::uint32_t seed = ReadTickCount() + seedOffset;
    seedOffset += (seed & 255u) + 100u;
    randomState = seed;
}

std::int32_t NextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<std::int32_t>((randomState >> 16) & 32767u);
}

std::int32_t RandomInRange(std::int32_t lo, std::int32_t hi) {
    std::int32_t lower = lo < 0 ? 0 : lo;
    std::int32_t upper = hi < 0 ? 0 : hi;
    if (lower > upper) {
        std::swap(lower, upper);
    }
    if (lower == upper) {
        return lower;
    }
    // Both bounds are non-negative, so the span fits; capping it keeps span + 1 in range.
    const std::int32_t span = upper - lower < INT32_MAX ? upper - lower : INT32_MAX - 1;
    return lower + NextRandom() % (span + 1);
}

std::int32_t FloatToInt(double v) {
    constexpr double LIMIT = 9223372036854775808.0; // 2^63
    if (!(v >= -LIMIT && v < LIMIT)) {
        return 0;
    }
    const auto truncated = static_cast<std::int64_t>(v);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(truncated));
}
