// The cost of one frame in each display mode, with twenty of the real pictures spread over a
// real full-screen overlay, next to one plain copy of a screen-sized buffer measured in the
// same run, and the parts each frame is made of. Ends with a digest of each mode's pixels, so
// that two builds can be shown to draw the same frames, and with whether a copy of the screen
// without CAPTUREBLT shows the layered frame.
// Usage: frame_benchmark [rounds]; run under Wine at the screen size to be measured.

#include <windows.h>

#include "app/globals.h"
#include "pictures/image_set.h"
#include "render/frame.h"
#include "render/surfaces.h"
#include "shell/overlay_window.h"
#include "shell/window_procedure.h"
#include "simulation/petal_field.h"
#include "tests/windows/pixel_helpers.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int REPEATS_PER_ROUND = 5;
constexpr std::size_t PAGE_BYTES = 4096;

double Now() {
    static LARGE_INTEGER frequency{};
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER count{};
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// One measured operation; its samples are milliseconds per call.
struct Measure {
    const char* name;
    std::function<void()> run;
    std::vector<double> samples;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Four rows of five, each picture used in turn, none touching another.
void SpreadTwentyPetals() {
    petals->clear();
    for (std::int32_t k = 0; k < PETAL_POPULATION; ++k) {
        PetalRecord petal = images[k % imageCount];
        petal.x = 60 + (k % 5) * (screenWidth - 120) / 5;
        petal.y = 30 + (k / 5) * (screenHeight - 60) / 4;
        petals->push_back(petal);
    }
}

// FNV-1a over the colour channels of the pixels.
std::uint32_t DigestOf(const std::vector<pixels::Argb>& colours) {
    std::uint32_t digest = 2166136261u;
    for (const pixels::Argb pixel : colours) {
        for (std::uint32_t byte = 0; byte < 3; ++byte) {
            digest = (digest ^ ((pixel >> (8 * byte)) & 0xFF)) * 16777619u;
        }
    }
    return digest;
}

// How many of the pixels under the petals differ between two reads of the whole screen.
std::size_t DifferencesUnderPetals(const std::vector<pixels::Argb>& one,
                                   const std::vector<pixels::Argb>& other) {
    std::size_t differing = 0;
    for (const PetalRecord& petal : *petals) {
        const std::int32_t right = std::min(petal.x + petal.width, screenWidth);
        const std::int32_t bottom = std::min(petal.y + petal.height, screenHeight);
        for (std::int32_t y = std::max(petal.y, 0); y < bottom; ++y) {
            for (std::int32_t x = std::max(petal.x, 0); x < right; ++x) {
                const std::size_t at = static_cast<std::size_t>(y) * screenWidth + x;
                differing += one[at] != other[at] ? 1 : 0;
            }
        }
    }
    return differing;
}

// Runs the measures in turn, round after round, so that a busy period of the shared machine
// weighs on all of them alike.
void RunInterleaved(std::vector<Measure>& measures, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        for (Measure& measure : measures) {
            for (int k = 0; k < REPEATS_PER_ROUND; ++k) {
                const double start = Now();
                measure.run();
                measure.samples.push_back(Now() - start);
            }
        }
    }
}

void Report(const std::vector<Measure>& measures) {
    const double unit = Median(measures.front().samples);
    std::printf("%-44s %9s %9s\n", "operation", "median ms", "x memcpy");
    for (const Measure& measure : measures) {
        const double median = Median(measure.samples);
        std::printf("%-44s %9.3f %9.2f\n", measure.name, median, median / unit);
    }
}

// A screen-sized 32-bit surface, all zero, rows bottom-up as the layered frame makes it.
HBITMAP CreateFrameSizedSurface(HDC dc, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = screenWidth;
    info.bmiHeader.biHeight = screenHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// Makes a new screen-sized surface as each layered frame does, selected into a new memory
// device context, runs work on its pixels, and releases both.
void OnNewFrameSizedSurface(HDC like, const std::function<void(void*)>& work) {
    const HDC dc = CreateCompatibleDC(like);
    void* bits = nullptr;
    const HBITMAP fresh = CreateFrameSizedSurface(dc, &bits);
    const HGDIOBJ previous = SelectObject(dc, fresh);
    work(bits);
    SelectObject(dc, previous);
    DeleteObject(fresh);
    DeleteDC(dc);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    OleInitialize(nullptr);
    AllocateGlobals();
    PrepareSurfaces();
    LoadImageSet();
    CreateOverlayWindow();
    SpreadTwentyPetals();
    const HWND window = overlayWindow;
    std::printf("screen %dx%d, %zu petals, %d rounds of %d\n", screenWidth, screenHeight,
                petals->size(), rounds, REPEATS_PER_ROUND);

    const std::size_t frameBytes = static_cast<std::size_t>(screenWidth) * screenHeight * 4;
    std::vector<std::uint8_t> from(frameBytes, 1);
    std::vector<std::uint8_t> to(frameBytes, 0);
    const HDC windowDc = GetDC(window);

    // The snapshot frame is the frame itself and the paint it asks for, handled at once.
    std::vector<Measure> snapshot{
        {"memcpy of one screen-sized 32-bit buffer",
         [&] { std::memcpy(to.data(), from.data(), frameBytes); },
         {}},
        {"snapshot frame (compose + paint)",
         [&] {
             ComposeFrame();
             UpdateWindow(window);
             GdiFlush();
         },
         {}},
        {"  part: ComposeFrame alone (copy + petals)",
         [&] {
             ComposeFrame();
             GdiFlush();
         },
         {}},
        {"  part: copy of the desktop picture",
         [&] {
             BitBlt(workSurface, 0, 0, screenWidth, screenHeight, desktopSnapshot, 0, 0, SRCCOPY);
             GdiFlush();
         },
         {}},
        {"  part: copy of the frame to the window",
         [&] {
             CopyFrameTo(windowDc);
             GdiFlush();
         },
         {}},
    };
    RunInterleaved(snapshot, rounds);
    ComposeFrame();
    UpdateWindow(window);
    const std::uint32_t snapshotDigest =
        DigestOf(pixels::ReadColours(workSurface, screenWidth, screenHeight));

    // The click-through command, as the menu sends it; from here on frames are layered.
    SendMessageA(window, WM_COMMAND, 0, 0);
    std::vector<Measure> layered{
        {"memcpy of one screen-sized 32-bit buffer",
         [&] { std::memcpy(to.data(), from.data(), frameBytes); },
         {}},
        {"layered frame (compose + UpdateLayeredWindow)",
         [&] {
             ComposeFrame();
             GdiFlush();
         },
         {}},
    };
    const HDC surfaceDc = CreateCompatibleDC(windowDc);
    void* surfaceBits = nullptr;
    const HBITMAP surface = CreateFrameSizedSurface(surfaceDc, &surfaceBits);
    const HGDIOBJ surfacePrevious = SelectObject(surfaceDc, surface);
    DrawPetalsOnPixels(surfaceBits, screenWidth, screenHeight);
    layered.push_back({"  part: 20 petals on a new 32-bit surface",
                       [&] {
                           OnNewFrameSizedSurface(windowDc, [](void* bits) {
                               DrawPetalsOnPixels(bits, screenWidth, screenHeight);
                           });
                       },
                       {}});
    // What the system charges for memory that a frame is the first to touch, page by page:
    // the new surface's pages are read whole by UpdateLayeredWindow. Far more on some
    // machines than on others.
    layered.push_back({"  part: a new surface, each page touched",
                       [&] {
                           OnNewFrameSizedSurface(windowDc, [&](void* bits) {
                               auto* bytes = static_cast<volatile std::uint8_t*>(bits);
                               for (std::size_t at = 0; bits != nullptr && at < frameBytes;
                                    at += PAGE_BYTES) {
                                   bytes[at] = 0;
                               }
                           });
                       },
                       {}});
    layered.push_back({"  part: UpdateLayeredWindow alone",
                       [&] {
                           SIZE size{screenWidth, screenHeight};
                           POINT origin{0, 0};
                           BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
                           UpdateLayeredWindow(window, windowDc, nullptr, &size, surfaceDc, &origin,
                                               0, &blend, ULW_ALPHA);
                           GdiFlush();
                       },
                       {}});
    RunInterleaved(layered, rounds);
    ComposeFrame();
    SelectObject(surfaceDc, surfacePrevious);
    DeleteObject(surface);
    DeleteDC(surfaceDc);
    // Under Wine nothing else is on this screen, so the digest is the layered frame's alone; on
    // a desktop with other windows it holds them too. The read includes layered windows.
    const std::vector<pixels::Argb> withLayered = pixels::ReadScreen(screenWidth, screenHeight);
    const std::uint32_t layeredDigest = DigestOf(withLayered);
    // The program takes its desktop picture with a plain copy. BitBlt's documentation says that
    // such a copy leaves layered windows out; whether Windows still does is what this shows.
    const HDC screenDc = GetDC(nullptr);
    const std::size_t plainMisses = DifferencesUnderPetals(
        pixels::ReadColours(screenDc, screenWidth, screenHeight), withLayered);
    ReleaseDC(nullptr, screenDc);

    std::printf("\n-- snapshot mode\n");
    Report(snapshot);
    std::printf("\n-- layered mode\n");
    Report(layered);
    std::printf("\npixel digest: snapshot %08x layered %08x\n", snapshotDigest, layeredDigest);
    std::printf("plain SRCCOPY copy of the screen includes the layered overlay: %s (%zu pixels "
                "under the petals differ from the CAPTUREBLT copy)\n",
                plainMisses == 0 ? "yes" : "no", plainMisses);
    ReleaseDC(window, windowDc);
    return 0;
}
