// The simulation's fixture: every test starts from the same screen, table and generator.

#include "tests/simulation/simulation_fixture.h"

#include "simulation/random.h"

namespace {
constexpr std::int32_t PICTURE_SIZES[IMAGE_TABLE_SIZE][2] = {
    {133, 81}, {119, 66}, {150, 218}, {150, 218}, {150, 218}, {153, 214}, {206, 172}, {96, 103}};
}

void SimulationTest::SetUp() {
    AllocatePetalTables();
    for (int k = 0; k < IMAGE_TABLE_SIZE; ++k) {
        images[k] =
            PetalRecord{ImageOfEntry(k + 1), 0, 0, PICTURE_SIZES[k][0], PICTURE_SIZES[k][1]};
    }
    imageCount = IMAGE_TABLE_SIZE;
    screenWidth = 1920;
    screenHeight = 1080;
    randomState = 0;
    seedOffset = 0;
    fakeTickCount = 1;
    composedFrames = 0;
}

void SimulationTest::TearDown() {
    ReleasePetalTables();
}

PetalRecord Petal(int entry, std::int32_t x, std::int32_t y) {
    PetalRecord petal = images[entry - 1];
    petal.x = x;
    petal.y = y;
    return petal;
}
