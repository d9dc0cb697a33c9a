// The cost of one tick of the petal field, at the usual twenty petals and at ten thousand:
// it should grow in proportion to the number of petals.

#include "simulation/petal_field.h"
#include "simulation/petal_motion.h"
#include "tests/simulation/fake_platform.h"

#include <benchmark/benchmark.h>

static void BM_StepPetals(benchmark::State& state) {
    AllocatePetalTables();
    for (int k = 0; k < IMAGE_TABLE_SIZE; ++k) {
        images[k] = PetalRecord{static_cast<ImageHandle>(k + 1), 0, 0, 150, 218};
    }
    imageCount = IMAGE_TABLE_SIZE;
    screenWidth = 1920;
    // A screen this tall keeps every petal in the field, so each tick walks all of them.
    screenHeight = 1 << 30;
    const auto count = static_cast<std::int32_t>(state.range(0));
    for (std::int32_t i = 0; i < count; ++i) {
        petals->push_back(PetalRecord{1, i % 1920, (i * 37) % 1080, 150, 218});
    }
    for (auto _ : state) {
        StepPetals();
        benchmark::DoNotOptimize(petals->data());
    }
    state.SetComplexityN(state.range(0));
    ReleasePetalTables();
}
BENCHMARK(BM_StepPetals)->Arg(20)->Arg(10000)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
