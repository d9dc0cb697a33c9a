// The .ico layout: a 6-byte header (reserved, type, count), then 16-byte entries (width,
// height, colour count, reserved, planes, bit count, image size, image offset), all
// little-endian.

#include "shell/ico_directory.h"

constexpr std::size_t HEADER_SIZE = 6;
constexpr std::size_t ENTRY_SIZE = 16;

static std::uint32_t ReadLittleEndian(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

bool FindIcoImage(const std::uint8_t* data, std::size_t length, std::int32_t index,
                  IcoImage& image) {
    if (data == nullptr || length < HEADER_SIZE || index < 0) {
        return false;
    }
    const std::uint32_t count = ReadLittleEndian(data + 4, 2);
    const auto entryIndex = static_cast<std::uint64_t>(index);
    const std::uint64_t entryEnd = HEADER_SIZE + (entryIndex + 1) * ENTRY_SIZE;
    if (entryIndex >= count || entryEnd > length) {
        return false;
    }
    const std::uint8_t* entry = data + HEADER_SIZE + entryIndex * ENTRY_SIZE;
    const std::uint32_t size = ReadLittleEndian(entry + 8, 4);
    const std::uint32_t offset = ReadLittleEndian(entry + 12, 4);
    if (size == 0 || static_cast<std::uint64_t>(offset) + size > length) {
        return false;
    }
    image = IcoImage{data + offset, size, entry[0], entry[1]};
    return true;
}
