// The fall of the petals, one tick at a time: a straight drop at one speed for all.

#include "simulation/petal_motion.h"

#include "simulation/petal_field.h"
#include "simulation/petal_spawning.h"
#include "simulation/platform_hooks.h"
#include "simulation/random.h"

#include <algorithm>

void StepPetals() {
    for (PetalRecord& petal : *petals) {
        petal.y += FALL_PER_TICK;
    }
    // A petal whose top edge is exactly at the bottom edge stays for one more tick.
    // One stable pass keeps the tick linear in the number of petals.
    std::erase_if(*petals, [](const PetalRecord& petal) { return petal.y > screenHeight; });

    const auto survivors = static_cast<std::int32_t>(petals->size());
    AddPetals(FloatToInt(static_cast<double>(PETAL_POPULATION) - survivors));
    ComposeFrame();
}
