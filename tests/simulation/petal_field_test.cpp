// Creating and releasing the tables; LeakSanitizer checks that nothing is left behind.

#include "simulation/petal_field.h"

#include <gtest/gtest.h>

TEST(PetalTablesTest, CreatedZeroedAndEmpty) {
    AllocatePetalTables();
    ASSERT_NE(images, nullptr);
    ASSERT_NE(petals, nullptr);
    EXPECT_TRUE(petals->empty());
    for (int k = 0; k < IMAGE_TABLE_SIZE; ++k) {
        EXPECT_EQ(images[k].image, 0u);
        EXPECT_EQ(images[k].x | images[k].y | images[k].width | images[k].height, 0);
    }
    ReleasePetalTables();
    EXPECT_EQ(images, nullptr);
    EXPECT_EQ(petals, nullptr);
}

TEST(PetalTablesTest, ReleasedWhateverTheListHolds) {
    for (std::size_t length : {0u, 1u, 20u, 100000u}) {
        AllocatePetalTables();
        petals->resize(length, PetalRecord{1, 2, 3, 4, 5});
        ReleasePetalTables();
        EXPECT_EQ(petals, nullptr) << length;
    }
    ReleasePetalTables(); // nothing left: a second release does nothing
}
