// Decoding the built-in pictures with GDI+.

#include <windows.h>
#include <gdiplus.h>

#include "pictures/image_set.h"

#include "assets/embedded_assets.h"
#include "pictures/memory_stream.h"
#include "simulation/petal_field.h"
#include "simulation/random.h"

using namespace Gdiplus::DllExports;

static_assert(sizeof(ImageHandle) == sizeof(Gdiplus::GpImage*),
              "a petal must hold a whole image pointer in both builds");

ULONG_PTR gdiplusToken = 0;

void StartGdiplus() {
    if (gdiplusToken != 0) {
        return;
    }
    Gdiplus::GdiplusStartupInput input{};
    input.GdiplusVersion = 1;
    Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
}

// Null when the stream holds no picture that can be drawn. GDI+ on Windows may read no more
// than a picture's header at load and find the damage only when the picture is first drawn;
// forcing the whole decode here finds it at once.
static Gdiplus::GpImage* DecodeWholePicture(IStream* stream) {
    Gdiplus::GpImage* image = nullptr;
    if (stream == nullptr || GdipLoadImageFromStream(stream, &image) != Gdiplus::Ok) {
        return nullptr;
    }
    if (GdipImageForceValidation(image) != Gdiplus::Ok) {
        GdipDisposeImage(image);
        return nullptr;
    }
    return image;
}

ImageHandle LoadImageFromBytes(const std::uint8_t* data, std::uint32_t size, std::int32_t* width,
                               std::int32_t* height) {
    // Kept for the life of the image: GDI+ may read the picture's bytes again whenever it
    // needs its pixels, so the block under the stream must never be freed.
    auto* memory = new MemoryStream;
    IStream* stream = memory->CreateStream(data, size);
    Gdiplus::GpImage* image = DecodeWholePicture(stream);
    if (image == nullptr) {
        if (stream != nullptr) {
            stream->Release();
        }
        delete memory;
        return 0;
    }
    if (width != nullptr || height != nullptr) {
        Gdiplus::REAL w = 0.0f;
        Gdiplus::REAL h = 0.0f;
        GdipGetImageDimension(image, &w, &h);
        if (width != nullptr) {
            *width = FloatToInt(w);
        }
        if (height != nullptr) {
            *height = FloatToInt(h);
        }
    }
    return reinterpret_cast<ImageHandle>(image);
}

void LoadImageSet() {
    StartGdiplus();
    for (int entry = 0; entry < PETAL_PICTURE_COUNT; ++entry) {
        const EmbeddedFile& picture = PETAL_PICTURES[entry];
        images[entry].image =
            LoadImageFromBytes(picture.data, static_cast<std::uint32_t>(picture.size),
                               &images[entry].width, &images[entry].height);
    }
    imageCount = IMAGE_TABLE_SIZE;
}
