// Decoding the built-in pictures with the real GDI+: the image table, starting GDI+ once,
// buffers that hold no readable picture, and the memory each image keeps reading from.

#include <windows.h>
#include <gdiplus.h>

#include "pictures/image_set.h"

#include "assets/embedded_assets.h"
#include "simulation/petal_field.h"
#include "tests/windows/pixel_helpers.h"
#include "tests/windows/under_wine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace Gdiplus::DllExports;

namespace {

struct Size {
    std::int32_t width;
    std::int32_t height;
};

std::vector<std::uint8_t> PictureBytes(int entry) {
    const EmbeddedFile& picture = PETAL_PICTURES[entry];
    return std::vector<std::uint8_t>(picture.data, picture.data + picture.size);
}

Gdiplus::GpImage* AsImage(ImageHandle image) {
    return reinterpret_cast<Gdiplus::GpImage*>(image);
}

Size ImageSize(ImageHandle image) {
    UINT width = 0;
    UINT height = 0;
    GdipGetImageWidth(AsImage(image), &width);
    GdipGetImageHeight(AsImage(image), &height);
    return {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
}

// The image drawn at its own size onto a cleared 32-bit surface, as premultiplied BGRA
// pixels, top row first.
std::vector<std::uint32_t> DrawnPixels(Gdiplus::GpImage* image, Size size) {
    pixels::DibCanvas canvas(size.width, size.height);
    Gdiplus::GpGraphics* graphics = nullptr;
    GdipCreateFromHDC(canvas.Dc(), &graphics);
    GdipDrawImageRectI(graphics, image, 0, 0, size.width, size.height);
    GdipDeleteGraphics(graphics);
    return canvas.Pixels();
}

// A decode of its own, independent of the code under test: a stream that owns a movable
// copy of the bytes, released with the image once the image has been drawn.
std::vector<std::uint32_t> FreshlyDecodedPixels(const std::vector<std::uint8_t>& bytes, Size size) {
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(block, TRUE, &stream);
    Gdiplus::GpImage* image = nullptr;
    EXPECT_EQ(GdipLoadImageFromStream(stream, &image), Gdiplus::Ok);
    std::vector<std::uint32_t> pixels = DrawnPixels(image, size);
    GdipDisposeImage(image);
    stream->Release();
    return pixels;
}

// Every picture decoded from a buffer of its own that is gone when this returns.
std::vector<ImageHandle> LoadFromTemporaryBuffers() {
    std::vector<ImageHandle> loaded;
    for (int entry = 0; entry < PETAL_PICTURE_COUNT; ++entry) {
        std::vector<std::uint8_t> bytes = PictureBytes(entry);
        loaded.push_back(
            LoadImageFromBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
        std::memset(bytes.data(), 0x5A, bytes.size());
    }
    return loaded;
}

// Reuses freed memory many times over with other contents, so that an image still reading
// from a freed block would read garbage.
void ChurnMemory() {
    std::vector<HGLOBAL> blocks;
    std::vector<void*> heapBlocks;
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 600; ++i) {
            const SIZE_T size = 16 + (i * 977 + round * 131) % 30000;
            const HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
            ASSERT_NE(block, nullptr);
            std::memset(block, 0xC0 + round, size);
            blocks.push_back(block);
            void* heapBlock = HeapAlloc(GetProcessHeap(), 0, size);
            ASSERT_NE(heapBlock, nullptr);
            std::memset(heapBlock, 0x3C + round, size);
            heapBlocks.push_back(heapBlock);
        }
        for (std::size_t i = round % 2; i < blocks.size(); i += 2) {
            GlobalFree(blocks[i]);
            HeapFree(GetProcessHeap(), 0, heapBlocks[i]);
        }
        for (std::size_t i = 1 - round % 2; i < blocks.size(); i += 2) {
            GlobalFree(blocks[i]);
            HeapFree(GetProcessHeap(), 0, heapBlocks[i]);
        }
        blocks.clear();
        heapBlocks.clear();
    }
}

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value,
                     int count) {
    for (int i = 0; i < count; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A 24-bit BMP file of 3 x 2 pixels, bottom row first, each row padded to 4 bytes: the top
// row red, green, blue, the bottom row white, black, grey.
std::vector<std::uint8_t> SmallBmp() {
    std::vector<std::uint8_t> bytes(14 + 40 + 2 * 12);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLittleEndian(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    PutLittleEndian(bytes, 10, 54, 4);
    PutLittleEndian(bytes, 14, 40, 4);
    PutLittleEndian(bytes, 18, 3, 4);
    PutLittleEndian(bytes, 22, 2, 4);
    PutLittleEndian(bytes, 26, 1, 2);
    PutLittleEndian(bytes, 28, 24, 2);
    const std::uint8_t rows[2][9] = {
        {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x80, 0x80}, // bottom: white, black, grey
        {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00}, // top: red, green, blue (BGR)
    };
    std::memcpy(bytes.data() + 54, rows[0], 9);
    std::memcpy(bytes.data() + 54 + 12, rows[1], 9);
    return bytes;
}

constexpr Size PICTURE_SIZES[PETAL_PICTURE_COUNT] = {
    {133, 81}, {119, 66}, {150, 218}, {150, 218}, {150, 218}, {153, 214}, {206, 172}, {96, 103},
};

class ImageSetTest : public ::testing::Test {
protected:
    void SetUp() override { StartGdiplus(); }
};

} // namespace

TEST_F(ImageSetTest, GdiplusIsStartedOnce) {
    const ULONG_PTR token = gdiplusToken;
    ASSERT_NE(token, 0u);
    StartGdiplus();
    EXPECT_EQ(gdiplusToken, token);
    // A token already set means started: nothing is called that could overwrite it.
    gdiplusToken = token ^ 0x5A5A;
    StartGdiplus();
    EXPECT_EQ(gdiplusToken, token ^ 0x5A5A);
    gdiplusToken = token;
}

TEST_F(ImageSetTest, FillsTheTableWithTheEightPicturesInOrder) {
    AllocatePetalTables();
    imageCount = 0;
    LoadImageSet();
    EXPECT_EQ(imageCount, 8);
    for (int entry = 0; entry < PETAL_PICTURE_COUNT; ++entry) {
        SCOPED_TRACE("entry " + std::to_string(entry + 1));
        const PetalRecord& record = images[entry];
        ASSERT_NE(record.image, 0u);
        EXPECT_EQ(record.width, PICTURE_SIZES[entry].width);
        EXPECT_EQ(record.height, PICTURE_SIZES[entry].height);
        EXPECT_EQ(record.x, 0);
        EXPECT_EQ(record.y, 0);
        const Size decoded = ImageSize(record.image);
        EXPECT_EQ(decoded.width, record.width);
        EXPECT_EQ(decoded.height, record.height);
        for (int other = 0; other < entry; ++other) {
            EXPECT_NE(images[other].image, record.image);
        }
    }
    ReleasePetalTables();
}

TEST_F(ImageSetTest, DecodesWithoutSizesAskedFor) {
    const std::vector<std::uint8_t> bytes = PictureBytes(7);
    const ImageHandle image =
        LoadImageFromBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    ASSERT_NE(image, 0u);
    const Size size = ImageSize(image);
    EXPECT_EQ(size.width, 96);
    EXPECT_EQ(size.height, 103);
}

TEST_F(ImageSetTest, WritesOnlyTheSizeAskedFor) {
    const std::vector<std::uint8_t> bytes = PictureBytes(0);
    std::int32_t width = -1;
    std::int32_t height = -1;
    ASSERT_NE(LoadImageFromBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &width),
              0u);
    EXPECT_EQ(width, 133);
    ASSERT_NE(LoadImageFromBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()), nullptr,
                                 &height),
              0u);
    EXPECT_EQ(height, 81);
}

TEST_F(ImageSetTest, DecodesAValidPictureOfAnotherFormat) {
    const std::vector<std::uint8_t> bmp = SmallBmp();
    std::int32_t width = -1;
    std::int32_t height = -1;
    const ImageHandle image =
        LoadImageFromBytes(bmp.data(), static_cast<std::uint32_t>(bmp.size()), &width, &height);
    ASSERT_NE(image, 0u);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    const std::vector<std::uint32_t> pixels = DrawnPixels(AsImage(image), {3, 2});
    EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                                  0xFF000000, 0xFF808080}));
}

TEST_F(ImageSetTest, BuffersWithoutAReadablePictureGiveNothingAndLeaveTheSizes) {
    const std::vector<std::uint8_t> png = PictureBytes(1);
    std::vector<std::uint8_t> randomBytes(4096);
    std::uint32_t state = 12345;
    for (std::uint8_t& value : randomBytes) {
        state = state * 1103515245u + 12345u;
        value = static_cast<std::uint8_t>(state >> 16);
    }
    std::vector<std::uint8_t> truncated(png.begin(), png.begin() + png.size() / 2);
    // The middle of the file lies inside the compressed pixels.
    std::vector<std::uint8_t> damagedPixels = png;
    damagedPixels[png.size() / 2] ^= 0x01;
    const std::string ppmText = "P6\n2 1\n255\n";
    std::vector<std::uint8_t> ppm(ppmText.begin(), ppmText.end());
    ppm.insert(ppm.end(), {255, 0, 0, 0, 0, 255});
    const std::uint8_t oneByte = 0x89;

    struct Case {
        const char* what;
        const std::uint8_t* data;
        std::size_t size;
    };
    const Case cases[] = {
        {"no bytes", nullptr, 0},
        {"an empty buffer", &oneByte, 0},
        {"random bytes", randomBytes.data(), randomBytes.size()},
        {"half a PNG", truncated.data(), truncated.size()},
        {"the PNG signature alone", png.data(), 8},
        {"a PNG with one bit of its compressed pixels changed", damagedPixels.data(),
         damagedPixels.size()},
        {"a portable pixmap, which GDI+ does not read", ppm.data(), ppm.size()},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.what);
        std::int32_t width = -7;
        std::int32_t height = -9;
        EXPECT_EQ(
            LoadImageFromBytes(bad.data, static_cast<std::uint32_t>(bad.size), &width, &height),
            0u);
        EXPECT_EQ(width, -7);
        EXPECT_EQ(height, -9);
    }
}

// Windows' GDI+ reads an image's stream again whenever it needs the pixels; Wine's copies them
// at load, so there this guards the drawing path rather than the block's lifetime.
TEST_F(ImageSetTest, EachImageKeepsItsPictureAfterItsBuffersAreGone) {
    const std::vector<ImageHandle> loaded = LoadFromTemporaryBuffers();
    ChurnMemory();
    ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
    for (int entry = 0; entry < PETAL_PICTURE_COUNT; ++entry) {
        SCOPED_TRACE("picture " + std::to_string(entry + 1));
        ASSERT_NE(loaded[entry], 0u);
        const Size size = PICTURE_SIZES[entry];
        const std::vector<std::uint32_t> drawn = DrawnPixels(AsImage(loaded[entry]), size);
        const std::vector<std::uint32_t> fresh = FreshlyDecodedPixels(PictureBytes(entry), size);
        // Not a blank surface: the rose covers some pixels and the transparent ground others.
        std::size_t covered = 0;
        for (const std::uint32_t pixel : fresh) {
            covered += (pixel >> 24) != 0 ? 1 : 0;
        }
        EXPECT_GT(covered, 0u);
        EXPECT_LT(covered, fresh.size());
        EXPECT_TRUE(drawn == fresh);
    }
}

// Holds only under Wine, whose decoder skips chunk checksums and trusts the compressed
// stream's own check: a file whose only fault is its checksums still gives the whole picture,
// sizes and all. Windows' decoder may refuse such a file.
TEST_F(ImageSetTest, WrongChunkChecksumsAloneDoNotStopWinesDecoder) {
    if (!RunsUnderWine()) {
        GTEST_SKIP() << "holds only under Wine: Windows' PNG decoder may refuse a file whose "
                        "chunk checksums are wrong";
    }
    const std::vector<std::uint8_t> intact = PictureBytes(1);
    std::vector<std::uint8_t> png = intact;
    png[29] ^= 0xFF;              // the header chunk's checksum
    png[png.size() - 16] ^= 0xFF; // the data chunk's, just before the 12-byte end chunk
    std::int32_t width = -7;
    std::int32_t height = -9;
    const ImageHandle image =
        LoadImageFromBytes(png.data(), static_cast<std::uint32_t>(png.size()), &width, &height);
    ASSERT_NE(image, 0u);
    EXPECT_EQ(width, 119);
    EXPECT_EQ(height, 66);
    EXPECT_TRUE(DrawnPixels(AsImage(image), {119, 66}) == FreshlyDecodedPixels(intact, {119, 66}));
}
