// The generator, its seeding, the range rule and the truncating conversion.

#include "simulation/random.h"

#include "tests/simulation/simulation_fixture.h"

#include <cmath>
#include <limits>

using RandomTest = SimulationTest;

TEST_F(RandomTest, GeneratorSeededWithOneGivesKnownOutputs) {
    randomState = 1;
    EXPECT_EQ(NextRandom(), 41);
    EXPECT_EQ(NextRandom(), 18467);
    EXPECT_EQ(NextRandom(), 6334);
}

TEST_F(RandomTest, GeneratorWrapsModulo2To32AndStaysIn15Bits) {
    randomState = 0xFFFFFFFFu;
    const std::int32_t value = NextRandom();
    EXPECT_EQ(randomState, 0xFFFFFFFFu * 214013u + 2531011u);
    EXPECT_GE(value, 0);
    EXPECT_LE(value, 32767);
}

TEST_F(RandomTest, SeedingTwiceInOneTickStartsDifferentSequences) {
    fakeTickCount = 1000;
    SeedRandom();
    EXPECT_EQ(randomState, 1000u);
    EXPECT_EQ(seedOffset, (1000u & 255u) + 100u);
    SeedRandom();
    EXPECT_EQ(randomState, 1000u + (1000u & 255u) + 100u);
}

TEST_F(RandomTest, SeedingWrapsAroundTheTickCount) {
    fakeTickCount = 0xFFFFFFF0u;
    seedOffset = 0x20u;
    SeedRandom();
    EXPECT_EQ(randomState, 0x10u);
    EXPECT_EQ(seedOffset, 0x20u + 0x10u + 100u);
}

TEST_F(RandomTest, RangeWithEqualBoundsDoesNotDraw) {
    randomState = 77;
    EXPECT_EQ(RandomInRange(5, 5), 5);
    EXPECT_EQ(randomState, 77u);
    EXPECT_EQ(RandomInRange(-3, -9), 0); // both bounds count as 0
    EXPECT_EQ(randomState, 77u);
}

TEST_F(RandomTest, RangeSwapsReversedBoundsAndClampsNegativeOnes) {
    struct Case {
        std::int32_t lo, hi, sameAsLo, sameAsHi;
    };
    const Case cases[] = {{9, 2, 2, 9}, {-4, 3, 0, 3}, {3, -4, 0, 3}};
    for (const Case& c : cases) {
        randomState = 12345;
        const std::int32_t got = RandomInRange(c.lo, c.hi);
        randomState = 12345;
        EXPECT_EQ(got, RandomInRange(c.sameAsLo, c.sameAsHi)) << c.lo << ".." << c.hi;
    }
}

TEST_F(RandomTest, RangeMapsTheDrawByRemainder) {
    randomState = 1; // first output 41
    EXPECT_EQ(RandomInRange(1, 8), 2);
    randomState = 1;
    EXPECT_EQ(RandomInRange(100, 110), 100 + 41 % 11);
}

TEST_F(RandomTest, WideRangesReachOnlyTheFirst32768Values) {
    randomState = 3;
    for (int i = 0; i < 5000; ++i) {
        const std::int32_t value = RandomInRange(0, 100000);
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
    for (int i = 0; i < 100; ++i) {
        const std::int32_t value = RandomInRange(0, std::numeric_limits<std::int32_t>::max());
        ASSERT_LE(value, 32767);
        const std::int32_t high =
            RandomInRange(2147480000, std::numeric_limits<std::int32_t>::max());
        ASSERT_GE(high, 2147480000);
    }
}

TEST_F(RandomTest, RangeReachesBothBounds) {
    randomState = 9;
    bool sawLow = false;
    bool sawHigh = false;
    for (int i = 0; i < 1000; ++i) {
        const std::int32_t value = RandomInRange(3, 6);
        ASSERT_GE(value, 3);
        ASSERT_LE(value, 6);
        sawLow = sawLow || value == 3;
        sawHigh = sawHigh || value == 6;
    }
    EXPECT_TRUE(sawLow);
    EXPECT_TRUE(sawHigh);
}

TEST(FloatToIntTest, TruncatesTowardZero) {
    const struct {
        double in;
        std::int32_t out;
    } cases[] = {{33.5, 33}, {-56.5, -56}, {40.9, 40},     {-0.5, 0},
                 {2.999, 2}, {-2.999, -2}, {-219.0, -219}, {0.0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(FloatToInt(c.in), c.out) << c.in;
    }
}

TEST(FloatToIntTest, KeepsTheLow32BitsOfTheWholeValue) {
    EXPECT_EQ(FloatToInt(4294967296.0 + 7.0), 7);
    EXPECT_EQ(FloatToInt(2147483648.0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(FloatToInt(-4294967297.5), -1);
}

TEST(FloatToIntTest, ValuesNoIntegerHoldsGiveZero) {
    EXPECT_EQ(FloatToInt(std::nan("")), 0);
    EXPECT_EQ(FloatToInt(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(FloatToInt(-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(FloatToInt(1e30), 0);
}
