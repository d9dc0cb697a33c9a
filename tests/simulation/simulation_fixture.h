#pragma once
// A fixture that resets the simulation to a known screen and image table.

#include "simulation/petal_field.h"
#include "tests/simulation/fake_platform.h"

#include <gtest/gtest.h>

// Handles stand for the decoded pictures: entry k (from 1) has handle k.
constexpr ImageHandle ImageOfEntry(int entry) {
    return static_cast<ImageHandle>(entry);
}

// A 1920 x 1080 screen and an image table with the sizes of the built-in pictures.
class SimulationTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    PetalList& list() { return *petals; }
};

PetalRecord Petal(int entry, std::int32_t x, std::int32_t y);
