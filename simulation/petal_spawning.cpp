// Petal creation. Every draw from the generator happens in a fixed order, so a given seed
// always gives the same petals.

#include "simulation/petal_spawning.h"

#include "simulation/petal_field.h"
#include "simulation/platform_hooks.h"
#include "simulation/random.h"

#include <cstdlib>

// A copy of a random entry of the image table, with x and y still 0. One draw.
static PetalRecord PickImage() {
    const std::int32_t entry = RandomInRange(1, imageCount);
    // An empty table (pictures not loaded yet) would name no entry: make a petal without a
    // picture rather than read outside the table.
    if (entry < 1 || entry > IMAGE_TABLE_SIZE) {
        return PetalRecord{};
    }
    return images[entry - 1];
}

static PetalRecord NewScatteredPetal() {
    PetalRecord petal = PickImage();
    petal.x = RandomInRange(0, screenWidth);
    petal.y = RandomInRange(0, screenHeight);
    return petal;
}

static bool TooClose(std::int32_t a, std::int32_t b, std::int32_t size) {
    return std::llabs(static_cast<long long>(a) - b) < size;
}

// One retry per test, in this order; a value drawn again is not tested again.
static void SpreadFrom(const PetalRecord& previous, PetalRecord& petal) {
    if (petal.image == previous.image) {
        petal = NewScatteredPetal();
    }
    if (TooClose(petal.x, previous.x, petal.width)) {
        petal.x = RandomInRange(0, screenWidth);
    }
    if (TooClose(petal.y, previous.y, petal.height)) {
        petal.y = RandomInRange(0, screenHeight);
    }
}

static void AddPetalsAboveScreen(std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        PetalRecord petal = PickImage();
        petal.x = RandomInRange(0, screenWidth);
        // The bottom edge starts 1 to screenHeight pixels above the screen, so a refill
        // drifts in spread out over time rather than as a row.
        const std::int32_t gap = RandomInRange(1, screenHeight);
        petal.y = FloatToInt(0.0 - petal.height - gap);
        petals->push_back(petal);
    }
}

static void AddPetalAt(ScreenPoint point) {
    PetalRecord petal = PickImage();
    petal.x = FloatToInt(point.x - petal.width / 2.0);
    petal.y = FloatToInt(point.y - petal.height / 2.0);
    petals->push_back(petal);
    ComposeFrame();
}

void ScatterPetals() {
    SeedRandom();
    for (std::int32_t i = 0; i < SCATTERED_PETALS; ++i) {
        PetalRecord petal = NewScatteredPetal();
        if (!petals->empty()) {
            SpreadFrom(petals->back(), petal);
        }
        petals->push_back(petal);
    }
}

void AddPetals(std::int32_t count, std::optional<ScreenPoint> point) {
    SeedRandom();
    if (point) {
        AddPetalAt(*point);
    } else {
        AddPetalsAboveScreen(count);
    }
}
