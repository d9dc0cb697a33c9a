// Frames: each one is composed from scratch with every petal, in list order, so a petal
// later in the list is drawn over those before it.

#include <windows.h>
#include <gdiplus.h>

#include "render/frame.h"

#include "render/surfaces.h"
#include "shell/overlay_window.h"
#include "simulation/petal_field.h"
#include "simulation/random.h"

#include <cstddef>

using namespace Gdiplus::DllExports;

std::int32_t layeredMode = 0;

// Draws every petal at its picture's own size; GDI+ clips what lies outside the surface.
// Sizes and places are whole pixels, so nothing needs resampling: these settings have GDI+
// copy each picture pixel for pixel rather than filter it.
static void DrawPetals(Gdiplus::GpGraphics* graphics) {
    GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeNearestNeighbor);
    GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
    for (const PetalRecord& petal : *petals) {
        GdipDrawImageRect(graphics, reinterpret_cast<Gdiplus::GpImage*>(petal.image),
                          static_cast<Gdiplus::REAL>(petal.x), static_cast<Gdiplus::REAL>(petal.y),
                          static_cast<Gdiplus::REAL>(petal.width),
                          static_cast<Gdiplus::REAL>(petal.height));
    }
}

static void DrawPetalsOnDc(HDC target) {
    Gdiplus::GpGraphics* graphics = nullptr;
    GdipCreateFromHDC(target, &graphics);
    DrawPetals(graphics);
    // Deleting the graphics object flushes all drawing into the surface.
    GdipDeleteGraphics(graphics);
}

// Draws straight into the pixels of a bottom-up 32-bit surface, read by GDI+ as premultiplied
// ARGB: a graphics object made on a device context may not keep the alpha channel on every
// version of Windows, and the layered window needs it.
void DrawPetalsOnPixels(void* bits, std::int32_t width, std::int32_t height) {
    if (bits == nullptr || width <= 0 || height <= 0) {
        return;
    }
    const INT stride = width * 4;
    auto* lastRow = static_cast<BYTE*>(bits) + static_cast<std::ptrdiff_t>(height - 1) * stride;
    Gdiplus::GpBitmap* canvas = nullptr;
    GdipCreateBitmapFromScan0(width, height, -stride, PixelFormat32bppPARGB, lastRow, &canvas);
    Gdiplus::GpGraphics* graphics = nullptr;
    GdipGetImageGraphicsContext(canvas, &graphics);
    DrawPetals(graphics);
    GdipDeleteGraphics(graphics);
    GdipDisposeImage(canvas);
}

void ComposeFrame() {
    if (layeredMode != 0) {
        ComposeLayeredFrame();
        return;
    }
    CopyWholeScreen(workSurface, desktopSnapshot);
    DrawPetalsOnDc(workSurface);
    // No erase: the paint copies a whole frame, so the background would only flicker.
    InvalidateRgn(overlayWindow, nullptr, FALSE);
}

void ComposeLayeredFrame() {
    RECT bounds{};
    GetWindowRect(overlayWindow, &bounds);
    const std::int32_t width = FloatToInt(static_cast<double>(bounds.right) - bounds.left);
    const std::int32_t height = FloatToInt(static_cast<double>(bounds.bottom) - bounds.top);
    const HDC windowDc = GetDC(overlayWindow);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage =
        static_cast<DWORD>(FloatToInt(static_cast<double>(width) * height * 32 / 8));

    const HDC memoryDc = CreateCompatibleDC(windowDc);
    // A new DIB section is all zero: fully transparent wherever no petal is drawn.
    void* bits = nullptr;
    const HBITMAP surface = CreateDIBSection(memoryDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memoryDc, surface);
    DrawPetalsOnPixels(bits, width, height);

    SIZE size{width, height};
    POINT origin{0, 0};
    BLENDFUNCTION blend{};
    blend.BlendOp = AC_SRC_OVER;
    blend.SourceConstantAlpha = 255;
    blend.AlphaFormat = AC_SRC_ALPHA;
    UpdateLayeredWindow(overlayWindow, windowDc, nullptr, &size, memoryDc, &origin, 0, &blend,
                        ULW_ALPHA);

    SelectObject(memoryDc, previous);
    DeleteObject(surface);
    DeleteDC(memoryDc);
    ReleaseDC(overlayWindow, windowDc);
}

void CopyFrameTo(HDC target) {
    CopyWholeScreen(target, workSurface);
}
