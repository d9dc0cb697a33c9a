#pragma once
// The data the simulation works on. The petal list belongs to the simulation; the image table
// and the screen size are filled by the rest of the program at start-up.

#include "simulation/petal_record.h"

#include <cstdint>

constexpr std::int32_t IMAGE_TABLE_SIZE = 8;
constexpr std::int32_t SCATTERED_PETALS = 6;
constexpr std::int32_t PETAL_POPULATION = 20;
constexpr std::int32_t FALL_PER_TICK = 5;

// IMAGE_TABLE_SIZE entries with x and y 0; created by AllocatePetalTables.
extern PetalRecord* images;
// Entries in use; 0 until the pictures have been loaded.
extern std::int32_t imageCount;
extern PetalList* petals;

// The primary screen's size in pixels, measured once at start.
extern std::int32_t screenWidth;
extern std::int32_t screenHeight;

// Creates the zeroed image table and the empty petal list.
void AllocatePetalTables();
// Frees both tables with whatever they hold; safe when they were never created.
void ReleasePetalTables();
