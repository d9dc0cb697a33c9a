// Scattering the first petals, topping the field up, and dropping a petal on a point.

#include "simulation/petal_spawning.h"

#include "simulation/random.h"
#include "tests/simulation/simulation_fixture.h"

#include <cstdlib>
#include <vector>

namespace {

std::uint32_t StateAfterDraws(std::uint32_t seed, int draws) {
    randomState = seed;
    for (int i = 0; i < draws; ++i) {
        NextRandom();
    }
    return randomState;
}

void ExpectPetals(const PetalList& got, const std::vector<PetalRecord>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].image, want[i].image) << "petal " << i;
        EXPECT_EQ(got[i].x, want[i].x) << "petal " << i;
        EXPECT_EQ(got[i].y, want[i].y) << "petal " << i;
        EXPECT_EQ(got[i].width, want[i].width) << "petal " << i;
        EXPECT_EQ(got[i].height, want[i].height) << "petal " << i;
    }
}

} // namespace

using ScatterPetalsTest = SimulationTest;

TEST_F(ScatterPetalsTest, WorkedExampleWithSeedOne) {
    fakeTickCount = 1;
    ScatterPetals();
    ExpectPetals(list(), {Petal(2, 1178, 929), Petal(5, 1880, 590), Petal(7, 543, 1018),
                          Petal(1, 1863, 39), Petal(2, 1459, 232), Petal(4, 1074, 503)});
    // The last petal's y was drawn twice, for 19 draws in all.
    EXPECT_EQ(randomState, StateAfterDraws(1, 19));
    EXPECT_EQ(composedFrames, 0);
}

TEST_F(ScatterPetalsTest, AlwaysSixPetalsInsideTheClosedScreenRange) {
    for (std::uint32_t tick = 0; tick < 2000; tick += 7) {
        list().clear();
        fakeTickCount = tick;
        ScatterPetals();
        ASSERT_EQ(list().size(), 6u);
        for (const PetalRecord& petal : list()) {
            ASSERT_GE(petal.x, 0);
            ASSERT_LE(petal.x, screenWidth);
            ASSERT_GE(petal.y, 0);
            ASSERT_LE(petal.y, screenHeight);
            ASSERT_GE(petal.image, ImageOfEntry(1));
            ASSERT_LE(petal.image, ImageOfEntry(8));
        }
    }
}

TEST_F(ScatterPetalsTest, ARetriedPetalTakesBetween3And8Draws) {
    for (std::uint32_t tick = 0; tick < 3000; tick += 11) {
        list().clear();
        fakeTickCount = tick;
        seedOffset = 0;
        ScatterPetals();
        // Count how many draws the six petals took by replaying from the seed.
        const std::uint32_t end = randomState;
        int draws = 0;
        randomState = tick;
        while (randomState != end && draws <= 43) {
            NextRandom();
            ++draws;
        }
        ASSERT_GE(draws, 18) << tick;
        ASSERT_LE(draws, 43) << tick;
    }
}

TEST_F(ScatterPetalsTest, DistanceEqualToTheSizeIsNotTooClose) {
    // A one-entry table, so every pick is the same picture and the first test always fires.
    // Seed 1 draws: image, x = 41 % 1921, y = ..., then the retry.
    screenWidth = 0;
    screenHeight = 0;
    images[0].width = 0;
    images[0].height = 0;
    imageCount = 1;
    fakeTickCount = 1;
    ScatterPetals();
    // Every coordinate is 0 and every size 0: no distance test fires, only the image retry.
    // Per petal: 1 image draw (ranges 1..1 and 0..0 do not draw), and one retry from the 2nd.
    ASSERT_EQ(list().size(), 6u);
    EXPECT_EQ(randomState, 1u); // ranges of one value never draw
}

TEST_F(ScatterPetalsTest, TableNotLoadedYetGivesPetalsWithoutPictures) {
    // As created at start: eight zeroed entries and a count of 0. A pick may then name
    // entry 0, which must not read before the table.
    ReleasePetalTables();
    AllocatePetalTables();
    imageCount = 0;
    for (std::uint32_t tick = 0; tick < 50; ++tick) {
        fakeTickCount = tick;
        ScatterPetals();
    }
    ASSERT_EQ(list().size(), 300u);
    for (const PetalRecord& petal : list()) {
        EXPECT_EQ(petal.image, 0u);
        EXPECT_EQ(petal.width, 0);
    }
}

using AddPetalsTest = SimulationTest;

TEST_F(AddPetalsTest, TopUpPetalsStartAboveTheScreen) {
    fakeTickCount = 500;
    AddPetals(300);
    ASSERT_EQ(list().size(), 300u);
    for (const PetalRecord& petal : list()) {
        // The bottom edge lies 1 to screenHeight pixels above the top of the screen.
        ASSERT_LE(petal.y + petal.height, -1);
        ASSERT_GE(petal.y + petal.height, -screenHeight);
        ASSERT_GE(petal.x, 0);
        ASSERT_LE(petal.x, screenWidth);
    }
    EXPECT_EQ(composedFrames, 0);
}

TEST_F(AddPetalsTest, TopUpDrawsImageXAndGapInThatOrder) {
    fakeTickCount = 1; // outputs 41, 18467, 6334
    AddPetals(1);
    ASSERT_EQ(list().size(), 1u);
    const PetalRecord& petal = list()[0];
    EXPECT_EQ(petal.image, ImageOfEntry(1 + 41 % 8));
    EXPECT_EQ(petal.x, 18467 % 1921);
    EXPECT_EQ(petal.y, -(images[1].height + 1 + 6334 % 1080));
}

TEST_F(AddPetalsTest, TopUpGapRangeEndsAtOneAndAtTheScreenHeight) {
    // A screen one pixel high makes the gap exactly 1; a tall picture then starts at -219.
    screenHeight = 1;
    for (int entry = 1; entry <= 8; ++entry) {
        images[entry - 1] = images[2]; // 150 x 218 everywhere
    }
    AddPetals(3);
    for (const PetalRecord& petal : list()) {
        EXPECT_EQ(petal.y, -219);
    }
}

TEST_F(AddPetalsTest, NoCountAddsNothingButStillReseeds) {
    for (std::int32_t count : {0, -3}) {
        fakeTickCount = 4000;
        seedOffset = 0;
        randomState = 99;
        AddPetals(count);
        EXPECT_TRUE(list().empty());
        EXPECT_EQ(randomState, 4000u) << count;
        EXPECT_EQ(seedOffset, (4000u & 255u) + 100u);
    }
}

TEST_F(AddPetalsTest, PointAddsOneCentredPetalAndComposesAFrame) {
    // Seed 1 picks entry 2 (119 x 66) first; the point case draws only the image.
    fakeTickCount = 1;
    AddPetals(5, ScreenPoint{100, 100});
    ASSERT_EQ(list().size(), 1u);
    EXPECT_EQ(list()[0].image, ImageOfEntry(2));
    EXPECT_EQ(list()[0].x, 40); // 100 - 59.5 = 40.5, truncated
    EXPECT_EQ(list()[0].y, 67); // 100 - 33
    EXPECT_EQ(randomState, StateAfterDraws(1, 1));
    EXPECT_EQ(composedFrames, 1);
}

TEST_F(AddPetalsTest, CentringTruncatesTowardZero) {
    // Make every pick the 133 x 81 picture.
    for (int entry = 1; entry <= 8; ++entry) {
        images[entry - 1] = PetalRecord{ImageOfEntry(1), 0, 0, 133, 81};
    }
    const struct {
        ScreenPoint point;
        std::int32_t x, y;
    } cases[] = {{{10, 10}, -56, -30},
                 {{100, 100}, 33, 59},
                 {{0, 0}, -66, -40},
                 {{65535, -32768}, 65468, -32808}};
    for (const auto& c : cases) {
        list().clear();
        AddPetals(1, c.point);
        ASSERT_EQ(list().size(), 1u);
        EXPECT_EQ(list()[0].x, c.x) << c.point.x;
        EXPECT_EQ(list()[0].y, c.y) << c.point.y;
    }
}

TEST_F(AddPetalsTest, NewPetalsAreAppendedAfterTheOldOnes) {
    list().push_back(Petal(3, 7, 7));
    AddPetals(1, ScreenPoint{500, 500});
    AddPetals(2);
    ASSERT_EQ(list().size(), 4u);
    EXPECT_EQ(list()[0].x, 7);
    EXPECT_GE(list()[1].y, 0); // the dropped petal, then the two above the screen
    EXPECT_LT(list()[2].y, 0);
    EXPECT_LT(list()[3].y, 0);
}
