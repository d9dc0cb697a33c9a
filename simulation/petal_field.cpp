// The image table and the petal list, and the screen size they are laid out on.

#include "simulation/petal_field.h"

PetalRecord* images = nullptr;
std::int32_t imageCount = 0;
PetalList* petals = nullptr;
std::int32_t screenWidth = 0;
std::int32_t screenHeight = 0;

void AllocatePetalTables() {
    images = new PetalRecord[IMAGE_TABLE_SIZE]{};
    petals = new PetalList;
}

void ReleasePetalTables() {
    delete[] images;
    images = nullptr;
    delete petals;
    petals = nullptr;
}
