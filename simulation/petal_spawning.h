#pragma once
// Making petals: the first scattering over the screen, the top-up above it, and a petal
// dropped on a point.

#include <cstdint>
#include <optional>

struct ScreenPoint {
    std::int32_t x;
    std::int32_t y;
};

// Appends the first SCATTERED_PETALS petals anywhere on the screen, each
// re-drawn once where it would repeat or crowd the petal made just before it.
void ScatterPetals();

// Always re-seeds the generator. Without a point, appends count petals just above the top
// edge (none when count <= 0) and draws nothing; with a point, ignores count, appends one
// petal centred on the point and composes a frame at once.
void AddPetals(std::int32_t count, std::optional<ScreenPoint> point = std::nullopt);
