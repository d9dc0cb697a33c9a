#pragma once
// Reading the directory of a whole .ico file, with every offset checked against its length.
// Free of Windows headers so that it is tested natively.

#include <cstddef>
#include <cstdint>

struct IcoImage {
    const std::uint8_t* bytes; // inside the file's data
    std::uint32_t size;
    std::int32_t width; // the directory's bytes, 0 to 255
    std::int32_t height;
};

// Finds image number index (from 0) of the .ico file in data. False, with image untouched,
// when the directory or the entry is cut short, index is not below the directory's count, or
// the image's bytes do not lie wholly inside the data.
bool FindIcoImage(const std::uint8_t* data, std::size_t length, std::int32_t index,
                  IcoImage& image);
