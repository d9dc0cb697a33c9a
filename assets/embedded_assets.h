#pragma once
// The pictures and the tray icon, built into the program from the files beside this header.

#include <cstddef>

struct EmbeddedFile {
    const unsigned char* data;
    std::size_t size;
};

constexpr int PETAL_PICTURE_COUNT = 8;

// petal1.png ... petal8.png, in image-table order.
extern const EmbeddedFile PETAL_PICTURES[PETAL_PICTURE_COUNT];
// lorvane.ico: one 16 x 16 image at 32 bits.
extern const EmbeddedFile TRAY_ICON_FILE;
