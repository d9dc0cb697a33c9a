// One tick of the field: the fall, the removal past the bottom edge, and the top-up.

#include "simulation/petal_motion.h"

#include "simulation/random.h"
#include "tests/simulation/simulation_fixture.h"

using StepPetalsTest = SimulationTest;

TEST_F(StepPetalsTest, EmptyFieldIsToppedUpToTwentyAboveTheScreen) {
    StepPetals();
    ASSERT_EQ(list().size(), 20u);
    for (const PetalRecord& petal : list()) {
        EXPECT_LT(petal.y + petal.height, 0);
    }
    EXPECT_EQ(composedFrames, 1);
}

TEST_F(StepPetalsTest, PetalAtTheBottomEdgeStaysOneMoreStep) {
    list().push_back(Petal(3, 10, screenHeight - 5));
    StepPetals();
    ASSERT_EQ(list()[0].x, 10);
    EXPECT_EQ(list()[0].y, screenHeight);
    StepPetals();
    for (const PetalRecord& petal : list()) {
        EXPECT_NE(petal.x == 10 && petal.y == screenHeight + 5, true);
    }
    EXPECT_EQ(list().size(), 20u);
}

TEST_F(StepPetalsTest, ScatteredPetalAtTheScreenHeightLeavesAtTheFirstStep) {
    list().push_back(Petal(1, 1, screenHeight));
    list().push_back(Petal(2, 2, 0));
    StepPetals();
    EXPECT_EQ(list()[0].x, 2);
    EXPECT_EQ(list()[0].y, 5);
    EXPECT_EQ(list().size(), 20u);
}

TEST_F(StepPetalsTest, SeveralLeaveInOneStepAndSurvivorsKeepTheirOrder) {
    list() = {Petal(1, 1, 1078), Petal(2, 2, 100),  Petal(3, 3, 1080),
              Petal(4, 4, -50),  Petal(5, 5, 1076), Petal(6, 6, 2000)};
    StepPetals();
    ASSERT_EQ(list().size(), 20u);
    EXPECT_EQ(list()[0].x, 2);
    EXPECT_EQ(list()[0].y, 105);
    EXPECT_EQ(list()[1].x, 4);
    EXPECT_EQ(list()[1].y, -45);
    for (std::size_t i = 2; i < 20; ++i) {
        EXPECT_LT(list()[i].y + list()[i].height, 0) << "new petal " << i;
    }
}

TEST_F(StepPetalsTest, EveryPetalFallsExactlyFivePixels) {
    for (int i = 0; i < 20; ++i) {
        list().push_back(Petal(1 + i % 8, i, -300 + 40 * i));
    }
    StepPetals();
    ASSERT_EQ(list().size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(list()[i].x, i);
        EXPECT_EQ(list()[i].y, -295 + 40 * i);
    }
}

TEST_F(StepPetalsTest, MoreThanTwentyAllFallAndNoneIsAdded) {
    for (int i = 0; i < 25; ++i) {
        list().push_back(Petal(1, i, 1070 - 2 * i));
    }
    StepPetals();
    StepPetals();
    EXPECT_EQ(list().size(), 25u); // lowest now at 1080: still in
    StepPetals();
    ASSERT_EQ(list().size(), 22u); // 1085, 1083 and 1081 have left, nothing added
    for (const PetalRecord& petal : list()) {
        EXPECT_GE(petal.y, 0);
    }
    StepPetals();
    StepPetals();
    ASSERT_EQ(list().size(), 20u); // 17 survivors topped up with 3 new ones
    EXPECT_EQ(list()[16].x, 24);
    EXPECT_LT(list()[17].y, 0);
}

TEST_F(StepPetalsTest, ZeroSizedPetalFallsAndLeavesLikeAnyOther) {
    list().push_back(PetalRecord{0, 5, screenHeight, 0, 0});
    StepPetals();
    EXPECT_EQ(list().size(), 20u);
    for (const PetalRecord& petal : list()) {
        EXPECT_NE(petal.x == 5 && petal.y == screenHeight + 5, true);
    }
}

TEST_F(StepPetalsTest, EveryStepReseedsAlsoWhenNothingIsAdded) {
    for (int i = 0; i < 30; ++i) {
        list().push_back(Petal(1, i, 0));
    }
    fakeTickCount = 7000;
    StepPetals();
    EXPECT_EQ(list().size(), 30u);
    EXPECT_EQ(randomState, 7000u);
    EXPECT_EQ(composedFrames, 1);
}

TEST_F(StepPetalsTest, NewPetalsFollowTheSurvivors) {
    list().push_back(Petal(8, 77, 500));
    StepPetals();
    ASSERT_EQ(list().size(), 20u);
    EXPECT_EQ(list()[0].x, 77);
    for (std::size_t i = 1; i < 20; ++i) {
        EXPECT_LT(list()[i].y, 0);
    }
}

TEST_F(StepPetalsTest, TallTopUpPetalIsRemovedAtStep260) {
    screenHeight = 1080;
    list().push_back(PetalRecord{ImageOfEntry(3), 0, -219, 150, 218});
    // Fill to 20 with petals that never leave during the walk: far above the screen.
    for (int i = 0; i < 19; ++i) {
        list().push_back(Petal(1, 1000 + i, -1000000));
    }
    for (int step = 1; step <= 259; ++step) {
        StepPetals();
    }
    ASSERT_EQ(list()[0].x, 0);
    EXPECT_EQ(list()[0].y, 1076);
    StepPetals();
    EXPECT_NE(list()[0].x, 0);
}
