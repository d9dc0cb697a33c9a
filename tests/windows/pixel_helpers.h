#pragma once
// Pictures of one colour, known pixel patterns and pixel read-back, shared by the Windows-side
// tests of frames and painting. Colours are 0xAARRGGBB, the layout of a 32-bit DIB pixel.

#include <windows.h>
#include <gdiplus.h>

#include "simulation/petal_record.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pixels {

using Argb = std::uint32_t;

constexpr Argb OPAQUE_RED = 0xFFFF0000;
constexpr Argb OPAQUE_BLUE = 0xFF0000FF;
constexpr Argb HALF_GREEN = 0x8000FF00;

inline int Alpha(Argb c) {
    return static_cast<int>(c >> 24);
}
inline int Red(Argb c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
inline int Green(Argb c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline int Blue(Argb c) {
    return static_cast<int>(c & 0xFF);
}

// True when the three colour channels differ by at most tolerance; alpha is not compared.
inline bool ColourNear(Argb a, Argb b, int tolerance) {
    return std::abs(Red(a) - Red(b)) <= tolerance && std::abs(Green(a) - Green(b)) <= tolerance &&
           std::abs(Blue(a) - Blue(b)) <= tolerance;
}

// A picture of one colour as a petal image, straight (not premultiplied) ARGB. It lives as long
// as the test program, like the real pictures.
inline ImageHandle MakeSolidPicture(int width, int height, Argb colour) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr,
                                                   &bitmap);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Gdiplus::DllExports::GdipBitmapSetPixel(bitmap, x, y, colour);
        }
    }
    return reinterpret_cast<ImageHandle>(bitmap);
}

// A petal showing its picture at its own size.
inline PetalRecord PetalOf(ImageHandle image, int x, int y, int width, int height) {
    return PetalRecord{image, x, y, width, height};
}

// One pixel of a picture, straight ARGB.
inline Argb PicturePixel(ImageHandle image, int x, int y) {
    Gdiplus::ARGB colour = 0;
    Gdiplus::DllExports::GdipBitmapGetPixel(reinterpret_cast<Gdiplus::GpBitmap*>(image), x, y,
                                            &colour);
    return colour;
}

// A top-down 32-bit DIB section of width by height in a memory DC, for moving pixels between
// plain memory and any device context.
class DibCanvas {
public:
    DibCanvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~DibCanvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC Dc() const { return dc_; }
    // Direct access to a pixel; call GdiFlush first when GDI has drawn into the canvas.
    Argb& At(int x, int y) { return static_cast<Argb*>(bits_)[y * width_ + x]; }

    // Every pixel with its alpha, top row first.
    std::vector<Argb> Pixels() {
        GdiFlush();
        const auto* first = static_cast<const Argb*>(bits_);
        return std::vector<Argb>(first, first + width_ * height_);
    }

    // The colour channels only: a device-dependent surface keeps no alpha.
    std::vector<Argb> Colours() {
        std::vector<Argb> colours = Pixels();
        for (Argb& c : colours) {
            c &= 0x00FFFFFF;
        }
        return colours;
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void* bits_ = nullptr;
};

// Colour channels of width by height pixels of a device context from its origin, top row first.
inline std::vector<Argb> ReadColours(HDC source, int width, int height, DWORD operation = SRCCOPY) {
    DibCanvas canvas(width, height);
    BitBlt(canvas.Dc(), 0, 0, width, height, source, 0, 0, operation);
    return canvas.Colours();
}

// Colour channels of width by height pixels of the screen from its origin, as it shows them at
// this moment, layered windows included: without CAPTUREBLT Windows leaves them out of a copy
// of the screen (Wine does not), and a layered frame would not be seen.
inline std::vector<Argb> ReadScreen(int width, int height) {
    const HDC screen = GetDC(nullptr);
    std::vector<Argb> colours = ReadColours(screen, width, height, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    return colours;
}

// A pattern that differs from pixel to pixel and from the test pictures' pure colours.
inline Argb PatternAt(int x, int y) {
    return static_cast<Argb>(((x * 7) & 0xFF) << 16 | ((y * 11) & 0xFF) << 8 | 0x40);
}

inline std::vector<Argb> Pattern(int width, int height) {
    std::vector<Argb> colours(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            colours[static_cast<std::size_t>(y) * width + x] = PatternAt(x, y);
        }
    }
    return colours;
}

// Fills width by height pixels of a device context from its origin with the pattern.
inline void WritePattern(HDC target, int width, int height) {
    DibCanvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            canvas.At(x, y) = PatternAt(x, y);
        }
    }
    BitBlt(target, 0, 0, width, height, canvas.Dc(), 0, 0, SRCCOPY);
}

inline void FillColour(HDC target, const RECT& area, Argb colour) {
    const HBRUSH brush = CreateSolidBrush(RGB(Red(colour), Green(colour), Blue(colour)));
    FillRect(target, &area, brush);
    DeleteObject(brush);
}

} // namespace pixels
