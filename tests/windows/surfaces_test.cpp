// The screen size and the two surfaces, made from the real desktop with a window of a known
// colour on it, once the desktop is back on the screen.

#include <windows.h>

#include "render/surfaces.h"
#include "simulation/petal_field.h"

#include "tests/windows/desktop_off_screen.h"
#include "tests/windows/overlay_session.h"
#include "tests/windows/pixel_helpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace pixels;

namespace {

constexpr Argb WINDOW_COLOUR = 0x002080E0;
constexpr RECT WINDOW_AREA{100, 80, 300, 230};

BITMAP SelectedBitmap(HDC surface) {
    BITMAP bitmap{};
    GetObjectA(GetCurrentObject(surface, OBJ_BITMAP), sizeof(bitmap), &bitmap);
    return bitmap;
}

// Set while PrepareSurfaces runs; whether a message sent from another thread meanwhile was
// answered before it returned.
std::atomic<bool> preparing{false};
std::atomic<bool> answeredWhilePreparing{false};

DWORD WINAPI SendWhilePreparing(LPVOID window) {
    Sleep(200);
    SendMessageA(static_cast<HWND>(window), WM_NULL, 0, 0);
    answeredWhilePreparing = preparing.load();
    return 0;
}

// Waits for the thread, answering its message if it is still waiting for that.
void JoinAnswering(HANDLE thread) {
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) !=
           WAIT_OBJECT_0) {
        MSG msg{};
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(thread);
}

// PrepareSurfaces once, with a plain window of WINDOW_COLOUR shown on the desktop before it,
// started while the user's desktop is off the screen (first another desktop in front, then a
// secure one twice, then two failing copies); another thread sends that window a message
// meanwhile.
class SurfacesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        brush_ =
            CreateSolidBrush(RGB(Red(WINDOW_COLOUR), Green(WINDOW_COLOUR), Blue(WINDOW_COLOUR)));
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = brush_;
        windowClass.lpszClassName = "SurfacesTestWindow";
        RegisterClassExA(&windowClass);
        window_ = CreateWindowExA(
            WS_EX_TOPMOST, "SurfacesTestWindow", "", WS_POPUP | WS_VISIBLE, WINDOW_AREA.left,
            WINDOW_AREA.top, WINDOW_AREA.right - WINDOW_AREA.left,
            WINDOW_AREA.bottom - WINDOW_AREA.top, nullptr, nullptr, windowClass.hInstance, nullptr);
        UpdateWindow(window_);

        desktop_off_screen::HideDesktop(1, 2, 2);
        preparing = true;
        const HANDLE sender = CreateThread(nullptr, 0, SendWhilePreparing, window_, 0, nullptr);
        PrepareSurfaces();
        preparing = false;
        failuresLeft_ = desktop_off_screen::FailuresLeft();
        JoinAnswering(sender);
    }

    static void TearDownTestSuite() {
        DestroyWindow(window_);
        UnregisterClassA("SurfacesTestWindow", GetModuleHandleA(nullptr));
        DeleteObject(brush_);
    }

    static inline HBRUSH brush_ = nullptr;
    static inline HWND window_ = nullptr;
    static inline int failuresLeft_ = 0;
};

// The first looks find another desktop in front, then a secure one that does not open and hides
// the screen behind black, then copies of the screen fail: the picture is taken once they have all
// passed, and the wait stops no other program that sends this thread's windows a message.
TEST_F(SurfacesTest, WaitsForTheDesktopOnTheScreenAnsweringMessagesMeanwhile) {
    EXPECT_EQ(failuresLeft_, 0) << "the picture was taken while the desktop was off the screen";
    EXPECT_TRUE(answeredWhilePreparing) << "a message sent during the wait had to wait for it";
}

// Measured once the desktop is back: while it was away, the screen had an earlier session's size.
TEST_F(SurfacesTest, MeasuresThePrimaryScreen) {
    EXPECT_EQ(screenWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screenHeight, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(screenWidth, 0);
    EXPECT_GT(screenHeight, 0);
}

TEST_F(SurfacesTest, BothSurfacesAreScreenSizedInTheDisplaysFormat) {
    ASSERT_NE(desktopSnapshot, nullptr);
    ASSERT_NE(workSurface, nullptr);
    EXPECT_NE(desktopSnapshot, workSurface);
    const BITMAP snapshot = SelectedBitmap(desktopSnapshot);
    const BITMAP work = SelectedBitmap(workSurface);
    EXPECT_NE(GetCurrentObject(desktopSnapshot, OBJ_BITMAP),
              GetCurrentObject(workSurface, OBJ_BITMAP));

    const HDC screen = GetDC(nullptr);
    const int displayBits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    for (const BITMAP& bitmap : {snapshot, work}) {
        EXPECT_EQ(bitmap.bmWidth, screenWidth);
        EXPECT_EQ(bitmap.bmHeight, screenHeight);
        EXPECT_EQ(bitmap.bmBitsPixel, displayBits);
    }
}

// Only the test's own window is looked at: elsewhere a real desktop may change at any time (a
// caret, the clock, a notification).
TEST_F(SurfacesTest, SnapshotHoldsTheDesktopAsItWasWithTheWindowsOnIt) {
    const std::vector<Argb> snapshot = ReadColours(desktopSnapshot, screenWidth, screenHeight);
    int notShown = 0;
    for (int y = WINDOW_AREA.top; y < WINDOW_AREA.bottom; ++y) {
        for (int x = WINDOW_AREA.left; x < WINDOW_AREA.right; ++x) {
            const Argb pictured = snapshot[static_cast<std::size_t>(y) * screenWidth + x];
            notShown += pictured != WINDOW_COLOUR ? 1 : 0;
        }
    }
    EXPECT_EQ(notShown, 0) << "pixels of the test's window missing from the picture";
}

TEST_F(SurfacesTest, SnapshotKeepsThePictureWhenTheDesktopChanges) {
    const std::vector<Argb> before = ReadColours(desktopSnapshot, screenWidth, screenHeight);
    const HDC windowDc = GetDC(window_);
    FillColour(windowDc, RECT{0, 0, 200, 150}, 0x00FFFF00);
    ReleaseDC(window_, windowDc);
    EXPECT_EQ(ReadColours(desktopSnapshot, screenWidth, screenHeight), before);
}

// The overlay is shown, and erased, as it is made: before the first frame is composed and,
// with a busy shell, seconds before. It covers the screen at the size it has now.
TEST_F(SurfacesTest, OverlayErasedBeforeAnyFrameShowsTheDesktopPicture) {
    AllocateGlobals();
    CreateOverlayWindow();
    RECT covered{};
    GetWindowRect(overlayWindow, &covered);
    EXPECT_EQ(covered.left, 0);
    EXPECT_EQ(covered.top, 0);
    EXPECT_EQ(covered.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(covered.bottom, GetSystemMetrics(SM_CYSCREEN));
    DibCanvas erased(screenWidth, screenHeight);
    SendMessageA(overlayWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(erased.Dc()), 0);
    EXPECT_EQ(erased.Colours(), ReadColours(desktopSnapshot, screenWidth, screenHeight));
    overlay_session::End();
}

} // namespace
