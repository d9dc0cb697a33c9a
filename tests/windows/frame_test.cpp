// Frames with real GDI+ and real pixels: the snapshot frame composed in workSurface, the
// premultiplied petals of a layered frame, and a layered frame on a real window with the call
// that hands it over.

#include <windows.h>

#include "pictures/image_set.h"
#include "render/frame.h"
#include "render/surfaces.h"
#include "shell/overlay_window.h"
#include "simulation/petal_field.h"
#include "simulation/platform_hooks.h"

#include "tests/windows/call_recorder.h"
#include "tests/windows/look_again.h"
#include "tests/windows/pixel_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

using namespace look_again;
using namespace pixels;

namespace {

// Petal pictures of a plain colour, made once for the whole program.
struct TestPictures {
    ImageHandle red;
    ImageHandle blue;
    ImageHandle halfGreen;
};

const TestPictures& Pictures() {
    static const TestPictures pictures = [] {
        StartGdiplus();
        return TestPictures{MakeSolidPicture(12, 10, OPAQUE_RED),
                            MakeSolidPicture(12, 10, OPAQUE_BLUE),
                            MakeSolidPicture(12, 10, HALF_GREEN)};
    }();
    return pictures;
}

PetalRecord RedPetal(int x, int y) {
    return PetalOf(Pictures().red, x, y, 12, 10);
}
PetalRecord BluePetal(int x, int y) {
    return PetalOf(Pictures().blue, x, y, 12, 10);
}
PetalRecord HalfGreenPetal(int x, int y) {
    return PetalOf(Pictures().halfGreen, x, y, 12, 10);
}

// The rectangle a petal covers, grown by one pixel: GDI+ may soften a picture's edge into the
// pixels next to it, so only what lies outside this is sure to be untouched.
RECT Footprint(const PetalRecord& petal) {
    return RECT{petal.x - 1, petal.y - 1, petal.x + petal.width + 1, petal.y + petal.height + 1};
}

bool InsideAny(int x, int y, const std::vector<RECT>& areas) {
    for (const RECT& area : areas) {
        if (x >= area.left && x < area.right && y >= area.top && y < area.bottom) {
            return true;
        }
    }
    return false;
}

// Counts the pixels outside every petal's footprint that differ from the expected frame.
int ChangesOutsidePetals(const std::vector<Argb>& frame, const std::vector<Argb>& expected,
                         int width, int height) {
    std::vector<RECT> footprints;
    for (const PetalRecord& petal : *petals) {
        footprints.push_back(Footprint(petal));
    }
    int changed = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            if (!InsideAny(x, y, footprints) && frame[i] != expected[i]) {
                ++changed;
            }
        }
    }
    return changed;
}

// Pixels whose colour bytes lie above their alpha: a colour that is not premultiplied.
int CountNotPremultiplied(const std::vector<Argb>& frame) {
    return static_cast<int>(std::count_if(frame.begin(), frame.end(), [](Argb c) {
        return Red(c) > Alpha(c) || Green(c) > Alpha(c) || Blue(c) > Alpha(c);
    }));
}

// A screen-sized surface like the program's own: a memory DC with a display-format bitmap.
struct Surface {
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;
    HBITMAP bitmap = nullptr;
};

Surface MakeSurface(int width, int height) {
    const HDC screen = GetDC(nullptr);
    Surface surface;
    surface.dc = CreateCompatibleDC(screen);
    surface.bitmap = CreateCompatibleBitmap(screen, width, height);
    surface.previous = SelectObject(surface.dc, surface.bitmap);
    ReleaseDC(nullptr, screen);
    return surface;
}

void FreeSurface(Surface& surface) {
    SelectObject(surface.dc, surface.previous);
    DeleteObject(surface.bitmap);
    DeleteDC(surface.dc);
    surface = Surface{};
}

class SnapshotFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        AllocatePetalTables();
        layeredMode = 0;
        // A hidden window stands in for the overlay that the frame invalidates.
        overlayWindow = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
        UseScreen(64, 48);
    }

    void TearDown() override {
        FreeSurface(snapshot_);
        FreeSurface(work_);
        desktopSnapshot = nullptr;
        workSurface = nullptr;
        DestroyWindow(overlayWindow);
        overlayWindow = nullptr;
        ReleasePetalTables();
    }

    // Surfaces of the given screen size: the snapshot holds the pattern, the frame surface a
    // leftover colour that a new frame must cover.
    void UseScreen(int width, int height) {
        if (snapshot_.dc != nullptr) {
            FreeSurface(snapshot_);
            FreeSurface(work_);
        }
        screenWidth = width;
        screenHeight = height;
        snapshot_ = MakeSurface(width, height);
        work_ = MakeSurface(width, height);
        desktopSnapshot = snapshot_.dc;
        workSurface = work_.dc;
        WritePattern(desktopSnapshot, width, height);
        FillColour(workSurface, RECT{0, 0, width, height}, 0xFF00FF);
    }

    std::vector<Argb> ComposeAndRead() {
        ComposeFrame();
        return ReadColours(workSurface, screenWidth, screenHeight);
    }

    Argb At(const std::vector<Argb>& frame, int x, int y) const {
        return frame[static_cast<std::size_t>(y) * screenWidth + x];
    }

private:
    Surface snapshot_;
    Surface work_;
};

TEST_F(SnapshotFrameTest, EmptyListGivesTheBareSnapshot) {
    EXPECT_EQ(ComposeAndRead(), Pattern(64, 48));
}

TEST_F(SnapshotFrameTest, OpaquePetalCoversItsRectangleOverTheSnapshot) {
    petals->push_back(RedPetal(20, 15));
    const std::vector<Argb> frame = ComposeAndRead();
    for (int y = 16; y < 24; ++y) {
        for (int x = 21; x < 31; ++x) {
            ASSERT_EQ(At(frame, x, y), OPAQUE_RED & 0xFFFFFF) << x << "," << y;
        }
    }
    EXPECT_EQ(ChangesOutsidePetals(frame, Pattern(64, 48), 64, 48), 0);
}

TEST_F(SnapshotFrameTest, TranslucentPetalIsBlendedWithTheSnapshotBelow) {
    petals->push_back(HalfGreenPetal(30, 20));
    const std::vector<Argb> frame = ComposeAndRead();
    // Half of the petal's green over half of the pattern below it.
    const Argb below = PatternAt(35, 25);
    const Argb blended = static_cast<Argb>((Red(below) / 2) << 16 |
                                           ((255 + Green(below)) / 2) << 8 | (Blue(below) / 2));
    EXPECT_TRUE(ColourNear(At(frame, 35, 25), blended, 3))
        << std::hex << At(frame, 35, 25) << " expected near " << blended;
    EXPECT_EQ(ChangesOutsidePetals(frame, Pattern(64, 48), 64, 48), 0);
}

TEST_F(SnapshotFrameTest, LastPetalOfTheListIsOnTop) {
    *petals = {RedPetal(10, 10), BluePetal(16, 14)};
    std::vector<Argb> frame = ComposeAndRead();
    EXPECT_EQ(At(frame, 19, 17), OPAQUE_BLUE & 0xFFFFFF);
    EXPECT_EQ(At(frame, 12, 12), OPAQUE_RED & 0xFFFFFF);
    EXPECT_EQ(At(frame, 26, 22), OPAQUE_BLUE & 0xFFFFFF);

    *petals = {BluePetal(16, 14), RedPetal(10, 10)};
    frame = ComposeAndRead();
    EXPECT_EQ(At(frame, 19, 17), OPAQUE_RED & 0xFFFFFF);
    EXPECT_EQ(At(frame, 26, 22), OPAQUE_BLUE & 0xFFFFFF);
}

TEST_F(SnapshotFrameTest, PetalsAreClippedAtTheEdgesOfTheScreen) {
    // Entering above the top-left corner, past the right edge, and wholly below the screen.
    *petals = {RedPetal(-4, -5), BluePetal(64 - 5, 20), RedPetal(10, 48 + 3)};
    const std::vector<Argb> frame = ComposeAndRead();
    for (const auto& [x, y] : {std::pair{0, 0}, {6, 0}, {0, 3}, {6, 3}}) {
        EXPECT_EQ(At(frame, x, y), OPAQUE_RED & 0xFFFFFF) << x << "," << y;
    }
    for (const auto& [x, y] : {std::pair{63, 21}, {60, 21}, {63, 28}, {60, 28}}) {
        EXPECT_EQ(At(frame, x, y), OPAQUE_BLUE & 0xFFFFFF) << x << "," << y;
    }
    // Nothing wraps round to the opposite edges, and the rest is the snapshot.
    EXPECT_EQ(ChangesOutsidePetals(frame, Pattern(64, 48), 64, 48), 0);
}

TEST_F(SnapshotFrameTest, RealPicturesCoverWhereOpaqueAndShowTheSnapshotWhereTransparent) {
    LoadImageSet();
    UseScreen(220, 230);
    const std::vector<Argb> expectedBare = Pattern(220, 230);
    for (int entry = 0; entry < IMAGE_TABLE_SIZE; ++entry) {
        SCOPED_TRACE(entry);
        const PetalRecord picture = images[entry];
        ASSERT_NE(picture.image, 0u);
        *petals = {PetalOf(picture.image, 5, 7, picture.width, picture.height)};
        const std::vector<Argb> frame = ComposeAndRead();

        int opaque = 0;
        int transparent = 0;
        for (int y = 1; y + 1 < picture.height; ++y) {
            for (int x = 1; x + 1 < picture.width; ++x) {
                // Judge only pixels whose neighbours agree, so that a softened edge or a
                // half-pixel shift in the drawing cannot matter.
                int lowAlpha = 255;
                int highAlpha = 0;
                int maxStep = 0;
                const Argb centre = PicturePixel(picture.image, x, y);
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const Argb neighbour = PicturePixel(picture.image, x + dx, y + dy);
                        lowAlpha = std::min(lowAlpha, Alpha(neighbour));
                        highAlpha = std::max(highAlpha, Alpha(neighbour));
                        maxStep = std::max({maxStep, std::abs(Red(neighbour) - Red(centre)),
                                            std::abs(Green(neighbour) - Green(centre)),
                                            std::abs(Blue(neighbour) - Blue(centre))});
                    }
                }
                const Argb shown = At(frame, 5 + x, 7 + y);
                if (lowAlpha == 255 && maxStep <= 6) {
                    ++opaque;
                    ASSERT_TRUE(ColourNear(shown, centre, 6)) << x << "," << y;
                } else if (highAlpha == 0) {
                    ++transparent;
                    ASSERT_EQ(shown, PatternAt(5 + x, 7 + y)) << x << "," << y;
                }
            }
        }
        EXPECT_GT(opaque, 100);
        EXPECT_GT(transparent, 100);
        EXPECT_EQ(ChangesOutsidePetals(frame, expectedBare, 220, 230), 0);
    }
}

// The petals drawn by DrawPetalsOnPixels into a bottom-up buffer with a guard row of known
// bytes before and after it.
class LayeredPixelsTest : public ::testing::Test {
protected:
    static constexpr int W = 64;
    static constexpr int H = 48;
    static constexpr Argb GUARD = 0xA5C3E1F7;

    void SetUp() override {
        AllocatePetalTables();
        Pictures();
        buffer_.assign(static_cast<std::size_t>(W) * (H + 2), 0);
        std::fill_n(buffer_.begin(), W, GUARD);
        std::fill_n(buffer_.end() - W, W, GUARD);
    }

    void TearDown() override { ReleasePetalTables(); }

    void Draw() { DrawPetalsOnPixels(buffer_.data() + W, W, H); }

    // Screen coordinates, top row 0; the buffer holds the bottom row first.
    Argb At(int x, int y) const {
        return buffer_[static_cast<std::size_t>(W) * (1 + H - 1 - y) + x];
    }

    bool GuardsIntact() const {
        for (int x = 0; x < W; ++x) {
            if (buffer_[x] != GUARD || buffer_[buffer_.size() - W + x] != GUARD) {
                return false;
            }
        }
        return true;
    }

    // The surface, top row first.
    std::vector<Argb> Frame() const {
        std::vector<Argb> frame(static_cast<std::size_t>(W) * H);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                frame[static_cast<std::size_t>(y) * W + x] = At(x, y);
            }
        }
        return frame;
    }

    // Every pixel outside the petals' footprints must be zero: fully transparent.
    int NonZeroOutsidePetals() const {
        return ChangesOutsidePetals(Frame(), std::vector<Argb>(W * H, 0), W, H);
    }

    int NotPremultiplied() const { return CountNotPremultiplied(Frame()); }

    std::vector<Argb> buffer_;
};

TEST_F(LayeredPixelsTest, PetalsArePremultipliedAndEverythingElseStaysZero) {
    *petals = {RedPetal(5, 5), HalfGreenPetal(30, 20)};
    Draw();
    for (int y = 6; y < 14; ++y) {
        for (int x = 6; x < 16; ++x) {
            ASSERT_EQ(At(x, y), OPAQUE_RED) << x << "," << y;
        }
    }
    const Argb green = At(35, 25);
    EXPECT_NEAR(Alpha(green), 128, 2);
    EXPECT_NEAR(Green(green), 128, 2) << "full green is not scaled by its alpha";
    EXPECT_EQ(Red(green), 0);
    EXPECT_EQ(Blue(green), 0);
    EXPECT_EQ(NotPremultiplied(), 0);
    EXPECT_EQ(NonZeroOutsidePetals(), 0);
    EXPECT_TRUE(GuardsIntact());
}

TEST_F(LayeredPixelsTest, LastPetalOfTheListIsOnTop) {
    *petals = {RedPetal(10, 10), BluePetal(16, 14), HalfGreenPetal(24, 18)};
    Draw();
    EXPECT_EQ(At(19, 17), OPAQUE_BLUE);
    EXPECT_EQ(At(12, 12), OPAQUE_RED);
    // Half green over opaque blue: still opaque, half of each colour.
    const Argb mixed = At(26, 21);
    EXPECT_EQ(Alpha(mixed), 255);
    EXPECT_NEAR(Green(mixed), 128, 2);
    EXPECT_NEAR(Blue(mixed), 127, 2);
    EXPECT_EQ(NotPremultiplied(), 0);

    *petals = {BluePetal(16, 14), RedPetal(10, 10)};
    std::fill(buffer_.begin() + W, buffer_.end() - W, 0u);
    Draw();
    EXPECT_EQ(At(19, 17), OPAQUE_RED);
    EXPECT_EQ(At(26, 22), OPAQUE_BLUE);
}

TEST_F(LayeredPixelsTest, PetalsAreClippedWithoutTouchingMemoryOutsideTheSurface) {
    // The bottom rows lie at the start of the buffer and the top rows at its end: petals past
    // either edge must not reach the guard rows.
    *petals = {RedPetal(-4, -5), BluePetal(W - 5, 20), RedPetal(-3, H - 4), BluePetal(W + 10, 0),
               RedPetal(0, -30)};
    Draw();
    EXPECT_TRUE(GuardsIntact());
    EXPECT_EQ(At(0, 0), OPAQUE_RED);
    EXPECT_EQ(At(6, 3), OPAQUE_RED);
    EXPECT_EQ(At(W - 1, 21), OPAQUE_BLUE);
    EXPECT_EQ(At(W - 4, 28), OPAQUE_BLUE);
    EXPECT_EQ(At(0, H - 1), OPAQUE_RED);
    EXPECT_EQ(At(7, H - 3), OPAQUE_RED);
    EXPECT_EQ(NonZeroOutsidePetals(), 0);
}

// A layered window over a plain backdrop window, both at the screen origin. Made once for the
// suite: Wine takes seconds to take a shown window off the X display.
class LayeredWindowTest : public ::testing::Test {
protected:
    static constexpr Argb BACKDROP = 0x0030C0A0;

    static void SetUpTestSuite() {
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        backdropBrush_ = CreateSolidBrush(RGB(Red(BACKDROP), Green(BACKDROP), Blue(BACKDROP)));
        WNDCLASSEXA backdropClass{};
        backdropClass.cbSize = sizeof(backdropClass);
        backdropClass.lpfnWndProc = DefWindowProcA;
        backdropClass.hInstance = instance;
        backdropClass.hbrBackground = backdropBrush_;
        backdropClass.lpszClassName = "FrameTestBackdrop";
        RegisterClassExA(&backdropClass);
        backdrop_ = CreateWindowExA(0, "FrameTestBackdrop", "", WS_POPUP | WS_VISIBLE, 0, 0, 160,
                                    120, nullptr, nullptr, instance, nullptr);
        layered_ = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "",
                                   WS_POPUP | WS_VISIBLE, 0, 0, 160, 120, nullptr, nullptr,
                                   instance, nullptr);
        UpdateWindow(backdrop_);
    }

    static void TearDownTestSuite() {
        DestroyWindow(layered_);
        DestroyWindow(backdrop_);
        UnregisterClassA("FrameTestBackdrop", GetModuleHandleA(nullptr));
        DeleteObject(backdropBrush_);
    }

    void SetUp() override {
        AllocatePetalTables();
        Pictures();
        overlayWindow = layered_;
        layeredMode = 1;
    }

    void TearDown() override {
        overlayWindow = nullptr;
        layeredMode = 0;
        ReleasePetalTables();
    }

    // What the screen shows in the windows' rectangle once it holds, or what it showed last:
    // Wine hands a layered frame to the X server on its own time, after the call returns.
    template <typename Holds> static std::vector<Argb> ShownOnceIt(Holds holds) {
        return LookAgain([] { return ReadScreen(160, 120); }, holds);
    }

    static Argb At(const std::vector<Argb>& shown, int x, int y) {
        return shown[static_cast<std::size_t>(y) * 160 + x];
    }

    static inline HBRUSH backdropBrush_ = nullptr;
    static inline HWND backdrop_ = nullptr;
    static inline HWND layered_ = nullptr;
};

TEST_F(LayeredWindowTest, ShowsThePetalsAndLetsTheWindowBelowShowElsewhere) {
    *petals = {RedPetal(20, 30), BluePetal(100, 60)};
    ComposeFrame();
    const struct {
        int x;
        int y;
        Argb colour;
    } expected[] = {{25, 35, OPAQUE_RED & 0xFFFFFF},
                    {105, 65, OPAQUE_BLUE & 0xFFFFFF},
                    {70, 10, BACKDROP},
                    {150, 110, BACKDROP}};
    const std::vector<Argb> shown = ShownOnceIt([&](const std::vector<Argb>& seen) {
        return std::all_of(std::begin(expected), std::end(expected), [&](const auto& point) {
            return At(seen, point.x, point.y) == point.colour;
        });
    });
    for (const auto& point : expected) {
        EXPECT_EQ(At(shown, point.x, point.y), point.colour) << point.x << "," << point.y;
    }

    // The frame never moves or resizes the window.
    RECT bounds{};
    GetWindowRect(overlayWindow, &bounds);
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.right, 160);
    EXPECT_EQ(bounds.bottom, 120);
}

// Windows reads the surface by the blend and the flags given with it, where Wine takes its alpha
// whatever they say: without per-pixel alpha the whole screen would turn black. So the call
// itself is checked, as the recorder saw it on its way to the real function.
TEST_F(LayeredWindowTest, HandsWindowsTheWholeWindowAsPremultipliedPerPixelAlpha) {
    call_recorder::Clear();
    *petals = {RedPetal(20, 30), HalfGreenPetal(100, 60)};
    ComposeFrame();
    ASSERT_EQ(call_recorder::LayeredUpdates().size(), 1u);
    const call_recorder::LayeredUpdate& update = call_recorder::LayeredUpdates()[0];
    EXPECT_EQ(update.window, layered_);
    EXPECT_FALSE(update.movesWindow);
    EXPECT_EQ(update.size.cx, 160);
    EXPECT_EQ(update.size.cy, 120);
    ASSERT_TRUE(update.hasSourcePoint);
    EXPECT_EQ(update.sourcePoint.x, 0);
    EXPECT_EQ(update.sourcePoint.y, 0);
    EXPECT_EQ(update.flags, static_cast<DWORD>(ULW_ALPHA));
    EXPECT_EQ(int{update.blend.BlendOp}, AC_SRC_OVER);
    EXPECT_EQ(int{update.blend.BlendFlags}, 0);
    EXPECT_EQ(int{update.blend.SourceConstantAlpha}, 255);
    EXPECT_EQ(int{update.blend.AlphaFormat}, AC_SRC_ALPHA);

    ASSERT_TRUE(update.sourceIsDib32);
    const std::vector<Argb>& surface = update.pixels;
    EXPECT_EQ(surface[static_cast<std::size_t>(35) * 160 + 25], OPAQUE_RED);
    const Argb green = surface[static_cast<std::size_t>(65) * 160 + 105];
    EXPECT_NEAR(Alpha(green), 128, 2);
    EXPECT_NEAR(Green(green), 128, 2) << "full green is not scaled by its alpha";
    EXPECT_EQ(CountNotPremultiplied(surface), 0);
    EXPECT_EQ(ChangesOutsidePetals(surface, std::vector<Argb>(surface.size(), 0), 160, 120), 0);
}

TEST_F(LayeredWindowTest, EmptyListShowsOnlyTheWindowBelow) {
    // A frame with a petal first, so that the empty one must clear it.
    *petals = {RedPetal(20, 30)};
    ComposeFrame();
    petals->clear();
    ComposeFrame();
    const std::vector<Argb> backdrop(160 * 120, BACKDROP);
    EXPECT_EQ(ShownOnceIt([&](const std::vector<Argb>& shown) { return shown == backdrop; }),
              backdrop);
}

} // namespace
