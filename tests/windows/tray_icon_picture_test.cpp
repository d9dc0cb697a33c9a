// The tray icon made from the built-in .ico data by the real user32: its size, its colour
// bitmap with the soft alpha edges of the file, how it draws, and data that holds no image.

#include <windows.h>

#include "shell/tray_icon.h"

#include "assets/embedded_assets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr int ICON_SIDE = 16;
constexpr std::size_t PIXELS_OFFSET = 62; // directory 22 bytes, bitmap header 40

std::vector<std::uint8_t> IcoFile() {
    return std::vector<std::uint8_t>(TRAY_ICON_FILE.data,
                                     TRAY_ICON_FILE.data + TRAY_ICON_FILE.size);
}

// The file's pixels as BGRA words, turned to top row first (the file stores bottom row first).
std::vector<std::uint32_t> FilePixelsTopDown() {
    std::vector<std::uint32_t> pixels(ICON_SIDE * ICON_SIDE);
    const std::uint8_t* rows = TRAY_ICON_FILE.data + PIXELS_OFFSET;
    for (int row = 0; row < ICON_SIDE; ++row) {
        for (int column = 0; column < ICON_SIDE; ++column) {
            const std::uint8_t* p = rows + ((ICON_SIDE - 1 - row) * ICON_SIDE + column) * 4;
            pixels[row * ICON_SIDE + column] = static_cast<std::uint32_t>(p[0]) | (p[1] << 8) |
                                               (p[2] << 16) |
                                               (static_cast<std::uint32_t>(p[3]) << 24);
        }
    }
    return pixels;
}

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap) {
    BITMAPINFO info = TopDown32(ICON_SIDE, ICON_SIDE);
    std::vector<std::uint32_t> pixels(ICON_SIDE * ICON_SIDE);
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(screen, bitmap, 0, ICON_SIDE, pixels.data(), &info, DIB_RGB_COLORS),
              ICON_SIDE);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The icon drawn over an opaque ground of one colour, top row first.
std::vector<std::uint32_t> DrawnOver(HICON icon, std::uint32_t ground) {
    BITMAPINFO info = TopDown32(ICON_SIDE, ICON_SIDE);
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP surface = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, surface);
    auto* first = static_cast<std::uint32_t*>(bits);
    std::fill(first, first + ICON_SIDE * ICON_SIDE, ground);
    DrawIconEx(dc, 0, 0, icon, ICON_SIDE, ICON_SIDE, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<std::uint32_t> pixels(first, first + ICON_SIDE * ICON_SIDE);
    SelectObject(dc, old);
    DeleteObject(surface);
    DeleteDC(dc);
    return pixels;
}

int Channel(std::uint32_t pixel, int shift) {
    return static_cast<int>((pixel >> shift) & 0xFF);
}

} // namespace

TEST(IconFromIcoDataTest, MakesTheSixteenPixelIconAndReportsItsSize) {
    std::int32_t width = -1;
    std::int32_t height = -1;
    const HICON icon =
        IconFromIcoData(TRAY_ICON_FILE.data, TRAY_ICON_FILE.size, 0, &width, &height);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 16);
    EXPECT_NE(IconFromIcoData(TRAY_ICON_FILE.data, TRAY_ICON_FILE.size), nullptr);
}

TEST(IconFromIcoDataTest, ColourBitmapHoldsTheFilesPixelsWithSoftAlpha) {
    const HICON icon = IconFromIcoData(TRAY_ICON_FILE.data, TRAY_ICON_FILE.size);
    ASSERT_NE(icon, nullptr);
    ICONINFO parts{};
    ASSERT_TRUE(GetIconInfo(icon, &parts));
    EXPECT_TRUE(parts.fIcon);
    ASSERT_NE(parts.hbmColor, nullptr);
    BITMAP colour{};
    ASSERT_NE(GetObjectA(parts.hbmColor, sizeof(colour), &colour), 0);
    EXPECT_EQ(colour.bmWidth, ICON_SIDE);
    EXPECT_EQ(colour.bmHeight, ICON_SIDE);
    EXPECT_EQ(colour.bmBitsPixel, 32);

    const std::vector<std::uint32_t> pixels = BitmapPixels(parts.hbmColor);
    const std::vector<std::uint32_t> file = FilePixelsTopDown();
    int clear = 0;
    int solid = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        EXPECT_EQ(pixels[i], file[i]) << "pixel " << i;
        const int alpha = Channel(pixels[i], 24);
        clear += alpha == 0 ? 1 : 0;
        solid += alpha == 255 ? 1 : 0;
    }
    EXPECT_GT(clear, 0);
    EXPECT_GT(solid, 0);
    EXPECT_LT(clear + solid, ICON_SIDE * ICON_SIDE) << "no soft edge";
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
}

TEST(IconFromIcoDataTest, DrawsBlendedOverWhatLiesBeneath) {
    const HICON icon = IconFromIcoData(TRAY_ICON_FILE.data, TRAY_ICON_FILE.size);
    ASSERT_NE(icon, nullptr);
    const std::vector<std::uint32_t> file = FilePixelsTopDown();
    for (const std::uint32_t ground : {0xFF000000u, 0xFFFFFFFFu, 0xFF2060A0u}) {
        SCOPED_TRACE(::testing::Message() << std::hex << "ground " << ground);
        const std::vector<std::uint32_t> drawn = DrawnOver(icon, ground);
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            const int alpha = Channel(file[i], 24);
            for (const int shift : {0, 8, 16}) {
                const int expected = (Channel(file[i], shift) * alpha +
                                      Channel(ground, shift) * (255 - alpha) + 127) /
                                     255;
                EXPECT_LE(std::abs(Channel(drawn[i], shift) - expected), 2)
                    << "pixel " << i << " channel " << shift / 8;
            }
        }
    }
}

TEST(IconFromIcoDataTest, DataWithoutTheImageGivesNoIconAndLeavesTheSizes) {
    const std::vector<std::uint8_t> whole = IcoFile();
    const std::vector<std::uint8_t> cutShort(whole.begin(), whole.end() - 1);
    std::vector<std::uint8_t> offsetPastEnd = whole;
    offsetPastEnd[18] = static_cast<std::uint8_t>(whole.size() & 0xFF); // image offset, low byte
    offsetPastEnd[19] = static_cast<std::uint8_t>(whole.size() >> 8);

    struct Case {
        const char* what;
        const std::vector<std::uint8_t>* bytes;
        std::int32_t index;
    };
    const Case cases[] = {
        {"the second image of a one-image file", &whole, 1},
        {"the file without its last byte", &cutShort, 0},
        {"an image offset at the end of the file", &offsetPastEnd, 0},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.what);
        std::int32_t width = -7;
        std::int32_t height = -9;
        EXPECT_EQ(IconFromIcoData(bad.bytes->data(), bad.bytes->size(), bad.index, &width, &height),
                  nullptr);
        EXPECT_EQ(width, -7);
        EXPECT_EQ(height, -9);
    }
}
