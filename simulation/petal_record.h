#pragma once
// The petal record: one petal on the screen, or one entry of the image table.

#include <cstdint>
#include <vector>

// A decoded picture, opaque here. It is pointer-sized so that the 32-bit and the 64-bit
// builds both hold a whole handle; pictures/ and render/ turn it back into an image.
using ImageHandle = std::uintptr_t;

struct PetalRecord {
    ImageHandle image;  // shared with the image table, which owns the picture
    std::int32_t x;     // top-left corner in screen pixels
    std::int32_t y;     // negative while the petal is still above the screen
    std::int32_t width; // the picture's own size in pixels
    std::int32_t height;
};

// Ordered by drawing: later records are drawn over earlier ones.
using PetalList = std::vector<PetalRecord>;
