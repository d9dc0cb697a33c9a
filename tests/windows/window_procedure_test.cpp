// The overlay's window procedure, driven by real messages sent to the real overlay: ticks,
// commands, keys, the tray icon's events, the taskbar's return, painting and destruction.

#include <windows.h>
#include <shellapi.h>

#include "app/start_routine.h"
#include "shell/popup_menu.h"
#include "shell/window_procedure.h"

#include "tests/windows/busy_shell.h"
#include "tests/windows/look_again.h"
#include "tests/windows/overlay_session.h"
#include "tests/windows/pixel_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

using namespace look_again;
using namespace overlay_session;
using namespace pixels;

namespace {

// What the watch saw of a popup menu opened while a message was being handled.
struct MenuSeen {
    bool opened = false;
    HMENU menu = nullptr;
    RECT bounds{};
};

MenuSeen menuSeen;

// Runs in the menu's own modal loop: records the open menu window and closes it.
void CALLBACK RecordAndCloseMenu(HWND, UINT, UINT_PTR, DWORD) {
    const HWND popup = FindWindowA("#32768", nullptr);
    if (popup == nullptr || !IsWindowVisible(popup)) {
        return;
    }
    menuSeen.opened = true;
    menuSeen.menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    GetWindowRect(popup, &menuSeen.bounds);
    EndMenu();
}

// Sends the message and reports the popup menu it opened, if any. TrackPopupMenu only returns
// once the menu closes, so a thread timer closes it from inside the menu's loop.
MenuSeen SendWatchingForMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    menuSeen = MenuSeen{};
    const UINT_PTR watch = SetTimer(nullptr, 0, 20, RecordAndCloseMenu);
    SendMessageA(window, message, wParam, lParam);
    KillTimer(nullptr, watch);
    return menuSeen;
}

// The menu state bits that the click-through command changes.
UINT ClickThroughMarks() {
    return GetMenuState(popupMenu, CMD_CLICK_THROUGH, MF_BYPOSITION) &
           (MF_CHECKED | MF_DISABLED | MF_GRAYED);
}

LONG ExStyle() {
    return GetWindowLongA(overlayWindow, GWL_EXSTYLE);
}

bool CloseRequested() {
    MSG taken{};
    if (!TakePosted(overlayWindow, WM_SYSCOMMAND, taken)) {
        return false;
    }
    EXPECT_EQ(taken.wParam, static_cast<WPARAM>(SC_CLOSE));
    return true;
}

// One overlay shared by the suite (Wine takes seconds to take a shown window off the X
// display); each test starts with an empty petal list and an empty queue. Nothing here
// switches the overlay to the layered mode or destroys it.
class WindowProcedureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Start();
        WritePattern(desktopSnapshot, screenWidth, screenHeight);
    }
    static void TearDownTestSuite() { End(); }

    void SetUp() override {
        ASSERT_NE(overlayWindow, nullptr);
        petals->clear();
        DrainMessages();
    }

    // Counts the pixels of the frame surface, outside every petal and the pixel around it,
    // that are not the snapshot's.
    static int FrameChangesOutsidePetals() {
        const std::vector<Argb> frame = ReadColours(workSurface, screenWidth, screenHeight);
        const auto onPetal = [](int x, int y) {
            for (const PetalRecord& petal : *petals) {
                if (x >= petal.x - 1 && x <= petal.x + petal.width && y >= petal.y - 1 &&
                    y <= petal.y + petal.height) {
                    return true;
                }
            }
            return false;
        };
        int changed = 0;
        for (int y = 0; y < screenHeight; ++y) {
            for (int x = 0; x < screenWidth; ++x) {
                if (frame[static_cast<std::size_t>(y) * screenWidth + x] != PatternAt(x, y) &&
                    !onPetal(x, y)) {
                    ++changed;
                }
            }
        }
        return changed;
    }

    static void FillFrameSurface(Argb colour) {
        FillColour(workSurface, RECT{0, 0, screenWidth, screenHeight}, colour);
    }
};

TEST_F(WindowProcedureTest, TimerOfAnyIdStepsThePetalsAndComposesAFrame) {
    const PetalRecord picture = images[0];
    petals->push_back(PetalRecord{picture.image, 50, 100, picture.width, picture.height});
    int expectedY = 100;
    for (const WPARAM timerId : {WPARAM{1}, WPARAM{0}, WPARAM{777}}) {
        FillFrameSurface(0xFF00FF);
        SendMessageA(overlayWindow, WM_TIMER, timerId, 0);
        expectedY += 5;
        ASSERT_EQ(petals->size(), 20u) << "timer id " << timerId;
        EXPECT_EQ((*petals)[0].x, 50);
        EXPECT_EQ((*petals)[0].y, expectedY);
        EXPECT_EQ(FrameChangesOutsidePetals(), 0) << "timer id " << timerId;
    }
}

TEST_F(WindowProcedureTest, DoubleClickAddsOnePetalCentredOnThePointAndComposesAFrame) {
    FillFrameSurface(0xFF00FF);
    SendMessageA(overlayWindow, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 200));
    ASSERT_EQ(petals->size(), 1u);
    const PetalRecord& petal = (*petals)[0];
    EXPECT_LE(std::abs(petal.x + petal.width / 2 - 300), 1);
    EXPECT_LE(std::abs(petal.y + petal.height / 2 - 200), 1);
    EXPECT_EQ(FrameChangesOutsidePetals(), 0);
}

TEST_F(WindowProcedureTest, EscapeAndEnterAskToCloseAndOtherKeysDoNothing) {
    for (const WPARAM key : {WPARAM{VK_ESCAPE}, WPARAM{VK_RETURN}}) {
        SendMessageA(overlayWindow, WM_KEYDOWN, key, 0);
        EXPECT_TRUE(CloseRequested()) << "key " << key;
    }
    for (const WPARAM key : {WPARAM{VK_SPACE}, WPARAM{'A'}, WPARAM{VK_F4}, WPARAM{VK_BACK}}) {
        SendMessageA(overlayWindow, WM_KEYDOWN, key, 0);
        EXPECT_FALSE(CloseRequested()) << "key " << key;
    }
    EXPECT_TRUE(IsWindow(overlayWindow)) << "keys only ask; the window is never destroyed here";
}

TEST_F(WindowProcedureTest, ExitCommandAsksToClose) {
    SendMessageA(overlayWindow, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_TRUE(CloseRequested());
    EXPECT_TRUE(IsWindow(overlayWindow));
}

TEST_F(WindowProcedureTest, CommandsNotFromTheMenuOrWithAHighWordDoNothing) {
    const LONG exStyleBefore = ExStyle();
    const struct {
        WPARAM wParam;
        LPARAM lParam;
    } ignored[] = {
        {CMD_CLICK_THROUGH, 1},
        {CMD_EXIT, 1},
        {CMD_EXIT, -1},
        {MAKEWPARAM(CMD_CLICK_THROUGH, 1), 0},
        {MAKEWPARAM(CMD_EXIT, 1), 0},
        {MAKEWPARAM(CMD_EXIT, 0xFFFF), 0},
        {1, 0},
        {3, 0},
    };
    for (const auto& command : ignored) {
        SendMessageA(overlayWindow, WM_COMMAND, command.wParam, command.lParam);
        EXPECT_FALSE(CloseRequested()) << std::hex << command.wParam << " " << command.lParam;
        EXPECT_EQ(layeredMode, 0) << std::hex << command.wParam << " " << command.lParam;
        EXPECT_EQ(ExStyle(), exStyleBefore) << std::hex << command.wParam;
        EXPECT_EQ(ClickThroughMarks(), 0u) << std::hex << command.wParam;
    }
}

// The click comes in the overlay's own coordinates. Off the screen's origin, where Windows
// leaves it when another monitor becomes the main one, the menu still opens at the pointer.
TEST_F(WindowProcedureTest, RightClickOpensTheMenuAtTheClickPointWhereverTheOverlayLies) {
    for (const POINT overlayAt : {POINT{0, 0}, POINT{150, 90}}) {
        SetWindowPos(overlayWindow, nullptr, overlayAt.x, overlayAt.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const MenuSeen seen =
            SendWatchingForMenu(overlayWindow, WM_RBUTTONUP, 0, MAKELPARAM(300, 200));
        ASSERT_TRUE(seen.opened) << "overlay at " << overlayAt.x << "," << overlayAt.y;
        EXPECT_EQ(seen.menu, popupMenu);
        EXPECT_EQ(seen.bounds.left, overlayAt.x + 300);
        EXPECT_EQ(seen.bounds.top, overlayAt.y + 200);
    }
    SetWindowPos(overlayWindow, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST_F(WindowProcedureTest, TrayButtonReleasesOpenTheMenuAtThePointer) {
    SetCursorPos(400, 300);
    POINT pointer{};
    GetCursorPos(&pointer);
    for (const LPARAM event : {LPARAM{WM_LBUTTONUP}, LPARAM{WM_RBUTTONUP}}) {
        const MenuSeen seen =
            SendWatchingForMenu(overlayWindow, trayCallbackMessage, TRAY_ICON_ID, event);
        ASSERT_TRUE(seen.opened) << "event " << std::hex << event;
        EXPECT_EQ(seen.menu, popupMenu);
        EXPECT_EQ(seen.bounds.left, pointer.x);
        EXPECT_EQ(seen.bounds.top, pointer.y);
        // The message posted after the menu, so that the next click on the icon works.
        MSG after{};
        EXPECT_TRUE(TakePosted(overlayWindow, WM_NULL, after));
    }
    EXPECT_EQ(GetForegroundWindow(), overlayWindow);
}

TEST_F(WindowProcedureTest, OtherTrayEventsOpenNoMenu) {
    for (const LPARAM event : {LPARAM{WM_LBUTTONDOWN}, LPARAM{WM_RBUTTONDOWN}, LPARAM{WM_MOUSEMOVE},
                               LPARAM{WM_LBUTTONDBLCLK}, LPARAM{WM_RBUTTONDBLCLK},
                               LPARAM{WM_MBUTTONUP}, LPARAM{WM_LBUTTONUP} | (LPARAM{1} << 16)}) {
        const MenuSeen seen =
            SendWatchingForMenu(overlayWindow, trayCallbackMessage, TRAY_ICON_ID, event);
        EXPECT_FALSE(seen.opened) << "event " << std::hex << event;
    }
}

TEST_F(WindowProcedureTest, TaskbarCreatedAddsTheIconAgain) {
    ASSERT_TRUE(TrayIconShown());
    // The shell forgets the icon, as when it restarts.
    Shell_NotifyIconA(NIM_DELETE, trayData);
    ASSERT_FALSE(TrayIconShown());
    SendMessageA(overlayWindow, taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(TrayIconShown());
    EXPECT_STREQ(trayData->szTip, "Lorvane");
}

TEST_F(WindowProcedureTest, EraseBackgroundCopiesTheFrameAndSkipsTheDefaultFill) {
    WritePattern(workSurface, screenWidth, screenHeight);
    DibCanvas target(screenWidth, screenHeight);
    FillColour(target.Dc(), RECT{0, 0, screenWidth, screenHeight}, 0x123456);
    const LRESULT result =
        SendMessageA(overlayWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(target.Dc()), 0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(target.Colours(), Pattern(screenWidth, screenHeight));
}

TEST_F(WindowProcedureTest, PaintCopiesTheWholeFrameToTheWindow) {
    WritePattern(workSurface, screenWidth, screenHeight);
    InvalidateRect(overlayWindow, nullptr, FALSE);
    UpdateWindow(overlayWindow);
    EXPECT_FALSE(GetUpdateRect(overlayWindow, nullptr, FALSE)) << "the paint was not ended";
    const HDC windowDc = GetDC(overlayWindow);
    const std::vector<Argb> shown = ReadColours(windowDc, screenWidth, screenHeight);
    ReleaseDC(overlayWindow, windowDc);
    EXPECT_EQ(shown, Pattern(screenWidth, screenHeight));
}

TEST_F(WindowProcedureTest, HalvesOfAMessageParameter) {
    EXPECT_EQ(LowWord(MAKELPARAM(300, 200)), 300);
    EXPECT_EQ(HighWord(MAKELPARAM(300, 200)), 200);
    EXPECT_EQ(LowWord(static_cast<LPARAM>(0xFFFF8001u)), 0x8001);
    EXPECT_EQ(HighWord(static_cast<LPARAM>(0xFFFF8001u)), -1);
    EXPECT_EQ(HighWord(static_cast<LPARAM>(0x80000000u)), -32768);
    EXPECT_EQ(HighWord(static_cast<LPARAM>(0x7FFF0000)), 32767);
}

// Each test here changes the overlay for good, so each gets an overlay of its own.
class OverlayLifetimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        Start();
        DrainMessages();
    }
    void TearDown() override { End(); }
};

TEST_F(OverlayLifetimeTest, ClickThroughSwitchesToTheLayeredModeOnce) {
    const LONG exStyleBefore = ExStyle();
    SendMessageA(overlayWindow, WM_COMMAND, CMD_CLICK_THROUGH, 0);
    EXPECT_EQ(layeredMode, 1);
    EXPECT_EQ(ExStyle(), exStyleBefore | WS_EX_LAYERED | WS_EX_TRANSPARENT);
    EXPECT_EQ(ClickThroughMarks(), static_cast<UINT>(MF_CHECKED | MF_DISABLED | MF_GRAYED));
    EXPECT_EQ(GetMenuState(popupMenu, CMD_EXIT, MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED), 0u);
    EXPECT_EQ(GetPropA(overlayWindow, "NonRudeHWND"), reinterpret_cast<HANDLE>(TRUE))
        << "the not-full-screen mark is gone in the layered mode";

    // Sent again by hand: nothing further changes.
    SendMessageA(overlayWindow, WM_COMMAND, CMD_CLICK_THROUGH, 0);
    EXPECT_EQ(layeredMode, 1);
    EXPECT_EQ(ExStyle(), exStyleBefore | WS_EX_LAYERED | WS_EX_TRANSPARENT);
    EXPECT_EQ(ClickThroughMarks(), static_cast<UINT>(MF_CHECKED | MF_DISABLED | MF_GRAYED));
    MSG posted{};
    EXPECT_FALSE(TakePosted(overlayWindow, WM_SYSCOMMAND, posted));
}

TEST_F(OverlayLifetimeTest, LayeredFramesLeaveTheFrameSurfaceAlone) {
    SendMessageA(overlayWindow, WM_COMMAND, CMD_CLICK_THROUGH, 0);
    FillColour(workSurface, RECT{0, 0, screenWidth, screenHeight}, 0xFF00FF);
    SendMessageA(overlayWindow, WM_TIMER, OVERLAY_TIMER_ID, 0);
    EXPECT_EQ(petals->size(), 20u);
    const std::vector<Argb> frame = ReadColours(workSurface, screenWidth, screenHeight);
    EXPECT_EQ(frame, std::vector<Argb>(frame.size(), 0xFF00FF));
}

TEST_F(OverlayLifetimeTest, ClickThroughShowsThePetalsAtOnceWithoutTheSnapshot) {
    StartGdiplus();
    const ImageHandle red = MakeSolidPicture(40, 30, OPAQUE_RED);
    *petals = {PetalRecord{red, 200, 150, 40, 30}};
    WritePattern(desktopSnapshot, screenWidth, screenHeight);
    // No tick may compose the frame for the command while the screen is looked at.
    KillTimer(overlayWindow, OVERLAY_TIMER_ID);
    SendMessageA(overlayWindow, WM_COMMAND, CMD_CLICK_THROUGH, 0);
    const auto at = [](const std::vector<Argb>& shown, int x, int y) {
        return shown[static_cast<std::size_t>(y) * screenWidth + x];
    };
    // Between the petals the frozen desktop picture is gone.
    const auto snapshotPixels = [&](const std::vector<Argb>& shown) {
        int count = 0;
        for (const auto& [x, y] : {std::pair{10, 10}, {600, 400}, {1000, 50}, {100, 700}}) {
            count += at(shown, x, y) == PatternAt(x, y) ? 1 : 0;
        }
        return count;
    };
    const std::vector<Argb> shown = LookAgain(
        [] { return ReadScreen(screenWidth, screenHeight); },
        [&](const std::vector<Argb>& seen) {
            return at(seen, 220, 165) == (OPAQUE_RED & 0xFFFFFF) && snapshotPixels(seen) == 0;
        });
    EXPECT_EQ(at(shown, 220, 165), OPAQUE_RED & 0xFFFFFF);
    EXPECT_EQ(snapshotPixels(shown), 0);
}

QUERY_USER_NOTIFICATION_STATE NotificationState() {
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    SHQueryUserNotificationState(&state);
    return state;
}

// The shell's states that hold the user's notifications back for a full-screen program.
bool HeldBackForFullScreen(QUERY_USER_NOTIFICATION_STATE state) {
    return state == QUNS_BUSY || state == QUNS_RUNNING_D3D_FULL_SCREEN ||
           state == QUNS_PRESENTATION_MODE;
}

bool NotHeldBack(QUERY_USER_NOTIFICATION_STATE state) {
    return !HeldBackForFullScreen(state);
}

// A window of the overlay's styles, size and place, without the not-full-screen mark, shown
// in front. Returns how long the shell took to report a full-screen program, or -1 when it did
// not within the deadline. The window is gone again when it returns.
long ShellNoticesUnmarkedScreenSizedWindow() {
    const HWND unmarked = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "",
                                          WS_POPUP | WS_VISIBLE, 0, 0, screenWidth, screenHeight,
                                          nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(unmarked);
    const DWORD start = GetTickCount();
    const bool noticed = LookAgain(NotificationState, [](QUERY_USER_NOTIFICATION_STATE state) {
                             return state == QUNS_BUSY;
                         }) == QUNS_BUSY;
    const DWORD took = GetTickCount() - start;
    DestroyWindow(unmarked);
    return noticed ? static_cast<long>(took) : -1;
}

// Windows only: it skips itself where the shell is not seen taking a window like the overlay,
// but without the mark, for a full-screen program (Wine's shell never does). The shell notices
// such windows on its own time, so in each mode the overlay is watched for twice as long as the
// unmarked window took to be noticed, and a second more.
TEST_F(OverlayLifetimeTest, ShellNeverTakesTheOverlayForAFullScreenProgramInEitherMode) {
    for (const bool clickThrough : {false, true}) {
        const char* mode = clickThrough ? "click-through mode" : "snapshot mode";
        if (clickThrough) {
            SendMessageA(overlayWindow, WM_COMMAND, CMD_CLICK_THROUGH, 0);
        }
        const long noticedAfterMs = ShellNoticesUnmarkedScreenSizedWindow();
        if (noticedAfterMs < 0) {
            GTEST_SKIP() << "the shell here did not say QUNS_BUSY for a top-most window of the "
                         << "screen's size without the mark (" << mode << "), so nothing here "
                         << "shows whether it would take the overlay for a full-screen program: "
                         << "Wine's shell always accepts notifications, and some Windows shells "
                         << "do not look for full-screen windows";
        }
        SetForegroundWindow(overlayWindow);
        EXPECT_TRUE(NotHeldBack(LookAgain(NotificationState, NotHeldBack)))
            << mode << ": still held back once the overlay is in front";
        const DWORD watchMs = 2 * static_cast<DWORD>(noticedAfterMs) + 1000;
        const QUERY_USER_NOTIFICATION_STATE seen =
            LookAgain(NotificationState, HeldBackForFullScreen, watchMs);
        EXPECT_TRUE(NotHeldBack(seen)) << mode << ": the shell said " << seen;
    }
}

TEST_F(OverlayLifetimeTest, DestroyStopsTheTimerRemovesTheIconAndBothPropertiesAndQuits) {
    ASSERT_TRUE(TrayIconShown());
    // The procedure's own handling, without taking the window away, so the timer can be asked.
    SendMessageA(overlayWindow, WM_DESTROY, 0, 0);
    EXPECT_FALSE(KillTimer(overlayWindow, OVERLAY_TIMER_ID)) << "the timer still runs";
    EXPECT_FALSE(TrayIconShown());
    for (const char* property : {"Vozid_NotifyIcon", "NonRudeHWND"}) {
        EXPECT_EQ(GetPropA(overlayWindow, property), nullptr)
            << "the window's property " << property << " outlives it";
    }
    MSG quit{};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

// Ends the loop with its own code if the overlay never quits, instead of hanging the test.
void CALLBACK QuitIfStillRunning(HWND, UINT, UINT_PTR, DWORD) {
    PostQuitMessage(99);
}

// The lParam of a key press as the keyboard sends it: one stroke, the key's scan code, and
// bit 30 set when the key was already down (an auto-repeat).
LPARAM KeyData(WPARAM key, bool alreadyDown) {
    const LPARAM scanCode = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    return 1 | (scanCode << 16) | (alreadyDown ? LPARAM{1} << 30 : 0);
}

// Handles every message waiting for this thread, as the message loop would, and whatever
// handling them posts in turn.
void DispatchWaiting() {
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
}

// A key held since before the overlay had the keyboard (the Enter that started the program or
// chose a tray command) reaches it only as auto-repeats: they leave the run alone.
TEST_F(OverlayLifetimeTest, HeldEscapeAndEnterRepeatHarmlesslyAndAFreshPressEndsTheRun) {
    const HWND window = overlayWindow;
    for (const WPARAM key : {WPARAM{VK_ESCAPE}, WPARAM{VK_RETURN}}) {
        PostMessageA(window, WM_KEYDOWN, key, KeyData(key, true));
        PostMessageA(window, WM_KEYDOWN, key, KeyData(key, true));
    }
    DispatchWaiting();
    ASSERT_TRUE(IsWindow(window)) << "a held key ended the run";

    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, KeyData(VK_ESCAPE, false));
    const UINT_PTR guard = SetTimer(nullptr, 0, 10000, QuitIfStillRunning);
    EXPECT_EQ(RunMessageLoop(), 0);
    KillTimer(nullptr, guard);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(OverlayLifetimeTest, ExitCommandClosesTheWindowAndEndsTheMessageLoop) {
    const HWND window = overlayWindow;
    SendMessageA(window, WM_COMMAND, CMD_EXIT, 0);
    const UINT_PTR guard = SetTimer(nullptr, 0, 10000, QuitIfStillRunning);
    EXPECT_EQ(RunMessageLoop(), 0);
    KillTimer(nullptr, guard);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(TrayIconShown());
}

// The shell refuses the add of the icon at start, as a shell busy at logon does: the shell's
// call times out and no "TaskbarCreated" follows, since the taskbar was there all along.
class BusyShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        busy_shell::FailNextAdds(1, busy_shell::FailedAdd::Refused);
        Start();
        DrainMessages();
    }
    void TearDown() override {
        busy_shell::FailNextAdds(0, busy_shell::FailedAdd::Refused);
        End();
    }

    // Stops the retry, if it runs; true when it ran.
    static bool StopRetry() { return KillTimer(overlayWindow, TRAY_RETRY_TIMER_ID) != FALSE; }
};

TEST_F(BusyShellTest, RetryTimerAddsTheIconOnceTheShellTakesIt) {
    EXPECT_FALSE(TrayIconShown());
    EXPECT_TRUE(LookAgain(TrayIconShown, Held, 3 * TRAY_RETRY_PERIOD_MS));
    EXPECT_FALSE(StopRetry()) << "the retry goes on with the icon there";
}

TEST_F(BusyShellTest, RetryTicksLeaveThePetalsAndTheTaskbarsReturnEndsTheRetry) {
    const std::int32_t firstPetalY = (*petals)[0].y;
    busy_shell::FailNextAdds(1, busy_shell::FailedAdd::Refused);
    SendMessageA(overlayWindow, WM_TIMER, TRAY_RETRY_TIMER_ID, 0);
    EXPECT_FALSE(TrayIconShown());
    EXPECT_EQ((*petals)[0].y, firstPetalY) << "a retry tick moved the petals";
    EXPECT_EQ(petals->size(), 6u);

    SendMessageA(overlayWindow, taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(TrayIconShown());
    EXPECT_FALSE(StopRetry()) << "the retry goes on with the icon there";
}

TEST_F(BusyShellTest, AddCarriedOutAfterItsTimeOutCountsAsAddedAtTheNextRetry) {
    busy_shell::FailNextAdds(1, busy_shell::FailedAdd::Late);
    SendMessageA(overlayWindow, WM_TIMER, TRAY_RETRY_TIMER_ID, 0);
    ASSERT_TRUE(TrayIconShown());
    // The shell refuses to add the icon it holds; the retry finds it there and stops.
    SendMessageA(overlayWindow, WM_TIMER, TRAY_RETRY_TIMER_ID, 0);
    EXPECT_FALSE(StopRetry()) << "the retry goes on with the icon there";
    EXPECT_TRUE(TrayIconShown());
}

// A busy shell that answers an add only after a long wait, and no: asking it at once whether
// it holds the icon after all could keep the overlay from its messages past the 5 seconds after
// which Windows calls it "Not Responding". The question waits for the next retry.
TEST_F(BusyShellTest, SlowRefusalLeavesTheCheckForTheIconToTheNextRetry) {
    // The shell takes the icon after its time-out, so that the slow refusal below is its answer
    // to an icon it holds.
    busy_shell::FailNextAdds(1, busy_shell::FailedAdd::Late);
    SendMessageA(overlayWindow, WM_TIMER, TRAY_RETRY_TIMER_ID, 0);
    ASSERT_TRUE(TrayIconShown());

    busy_shell::FailNextAdds(1, busy_shell::FailedAdd::SlowRefusal);
    const int callsBefore = busy_shell::Calls();
    SendMessageA(overlayWindow, WM_TIMER, TRAY_RETRY_TIMER_ID, 0);
    EXPECT_EQ(busy_shell::Calls() - callsBefore, 1) << "the shell was asked again at once";
    EXPECT_TRUE(StopRetry()) << "no retry follows the slow refusal";

    // The retry's tick, as the timer would send it: the shell answers at once now.
    SendMessageA(overlayWindow, WM_TIMER, TRAY_RETRY_TIMER_ID, 0);
    EXPECT_FALSE(StopRetry()) << "the retry goes on with the icon there";
    EXPECT_TRUE(TrayIconShown());
}

} // namespace
