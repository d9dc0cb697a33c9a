// Reading a .ico directory: the valid layout, every kind of cut-short or lying file, and a
// randomized run over damaged files under the sanitizers.

#include "shell/ico_directory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = value & 0xFF;
    bytes[at + 1] = (value >> 8) & 0xFF;
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

// A file with the given images, each 'size' bytes of the value 0xA0 + its number.
std::vector<std::uint8_t> IcoFile(int imageCount, std::uint32_t size) {
    std::vector<std::uint8_t> bytes(6 + 16 * imageCount + imageCount * size);
    Put16(bytes, 2, 1);
    Put16(bytes, 4, imageCount);
    for (int i = 0; i < imageCount; ++i) {
        const std::size_t entry = 6 + 16 * i;
        bytes[entry] = static_cast<std::uint8_t>(16 * (i + 1));
        bytes[entry + 1] = static_cast<std::uint8_t>(16 * (i + 1) + 1);
        Put16(bytes, entry + 4, 1);
        Put16(bytes, entry + 6, 32);
        Put32(bytes, entry + 8, size);
        const std::uint32_t offset = 6 + 16 * imageCount + i * size;
        Put32(bytes, entry + 12, offset);
        std::memset(bytes.data() + offset, 0xA0 + i, size);
    }
    return bytes;
}

} // namespace

TEST(FindIcoImageTest, FindsEachImageOfTheDirectory) {
    const std::vector<std::uint8_t> file = IcoFile(3, 40);
    for (int index = 0; index < 3; ++index) {
        IcoImage image{};
        ASSERT_TRUE(FindIcoImage(file.data(), file.size(), index, image));
        EXPECT_EQ(image.size, 40u);
        EXPECT_EQ(image.bytes, file.data() + 6 + 48 + 40 * index);
        EXPECT_EQ(image.bytes[0], 0xA0 + index);
        EXPECT_EQ(image.width, 16 * (index + 1));
        EXPECT_EQ(image.height, 16 * (index + 1) + 1);
    }
}

TEST(FindIcoImageTest, SizesAreTheUnsignedDirectoryBytes) {
    std::vector<std::uint8_t> file = IcoFile(1, 8);
    file[6] = 0; // 256 in the .ico convention, reported as it stands
    file[7] = 255;
    IcoImage image{};
    ASSERT_TRUE(FindIcoImage(file.data(), file.size(), 0, image));
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 255);
}

TEST(FindIcoImageTest, RefusesFilesThatDoNotHoldTheImage) {
    const std::vector<std::uint8_t> good = IcoFile(2, 40);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        int index;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}, 0});
    cases.push_back({"header cut short", {0, 0, 1, 0, 1}, 0});
    cases.push_back({"index past the count", good, 2});
    cases.push_back({"negative index", good, -1});
    auto noEntry = good;
    noEntry.resize(6 + 16 + 8);
    cases.push_back({"second entry cut short", noEntry, 1});
    auto countLies = good;
    Put16(countLies, 4, 500);
    countLies.resize(6 + 32);
    cases.push_back({"count larger than the entries", countLies, 5});
    auto pastEnd = good;
    Put32(pastEnd, 6 + 12, static_cast<std::uint32_t>(good.size()) - 39);
    cases.push_back({"image runs one byte past the end", pastEnd, 0});
    auto hugeOffset = good;
    Put32(hugeOffset, 6 + 12, 0xFFFFFFF0u);
    cases.push_back({"offset wraps 32 bits", hugeOffset, 0});
    auto hugeSize = good;
    Put32(hugeSize, 6 + 8, 0xFFFFFFFFu);
    cases.push_back({"size wraps 32 bits", hugeSize, 0});
    auto emptyImage = good;
    Put32(emptyImage, 6 + 8, 0);
    cases.push_back({"zero-byte image", emptyImage, 0});

    for (const Case& c : cases) {
        IcoImage image{nullptr, 7, 9, 9};
        EXPECT_FALSE(FindIcoImage(c.bytes.data(), c.bytes.size(), c.index, image)) << c.what;
        EXPECT_EQ(image.size, 7u) << c.what << ": output touched";
        EXPECT_EQ(image.width, 9) << c.what << ": output touched";
    }
    IcoImage image{};
    EXPECT_FALSE(FindIcoImage(nullptr, 100, 0, image));
}

TEST(FindIcoImageTest, ImageEndingExactlyAtTheEndIsAccepted) {
    const std::vector<std::uint8_t> file = IcoFile(1, 1);
    IcoImage image{};
    ASSERT_TRUE(FindIcoImage(file.data(), file.size(), 0, image));
    EXPECT_EQ(image.bytes + image.size, file.data() + file.size());
}

// Damaged files in their own exactly-sized heap buffers: AddressSanitizer stops the run at
// the first byte read outside one.
TEST(FindIcoImageTest, RandomDamageNeverReadsOutsideTheData) {
    std::mt19937 random(20261208);
    const std::vector<std::uint8_t> base = IcoFile(3, 24);
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> bytes = base;
        bytes.resize(random() % (base.size() + 8));
        for (int flips = random() % 6; flips > 0 && !bytes.empty(); --flips) {
            bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        }
        const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
        std::memcpy(exact.get(), bytes.data(), bytes.size());
        const int index = static_cast<int>(random() % 6) - 1;
        IcoImage image{};
        if (FindIcoImage(exact.get(), bytes.size(), index, image)) {
            ASSERT_GE(image.bytes, exact.get());
            ASSERT_LE(image.bytes + image.size, exact.get() + bytes.size());
            volatile std::uint8_t sum = 0;
            for (std::uint32_t i = 0; i < image.size; ++i) {
                sum = sum + image.bytes[i];
            }
        }
    }
}
