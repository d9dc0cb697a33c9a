// The overlay as start-up makes it: the window with its class and properties, the timer, the
// popup menu and the tray record; and AddTrayIcon on a window of the test's own.

#include <windows.h>
#include <shellapi.h>

#include "shell/popup_menu.h"
#include "shell/window_procedure.h"

#include "tests/windows/call_recorder.h"
#include "tests/windows/look_again.h"
#include "tests/windows/overlay_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace look_again;
using namespace overlay_session;

namespace {

// The overlay's not-full-screen mark as it was when the overlay was first shown, which is when
// the shell looks for it.
struct FirstShow {
    bool seen = false;
    HANDLE mark = nullptr;
};

FirstShow firstShow;

// A hook on the messages sent to the thread's windows, run before each window procedure.
LRESULT CALLBACK RecordMarkAtFirstShow(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    char name[32] = {};
    if (code == HC_ACTION && sent->message == WM_SHOWWINDOW && sent->wParam != FALSE &&
        !firstShow.seen && GetClassNameA(sent->hwnd, name, sizeof(name)) != 0 &&
        std::strcmp(name, "VozidFrame") == 0) {
        firstShow.seen = true;
        firstShow.mark = GetPropA(sent->hwnd, "NonRudeHWND");
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// One overlay for the suite: Wine takes seconds to take a shown window off the X display.
class OverlayWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const HHOOK hook =
            SetWindowsHookExA(WH_CALLWNDPROC, RecordMarkAtFirstShow, nullptr, GetCurrentThreadId());
        Start();
        UnhookWindowsHookEx(hook);
    }
    static void TearDownTestSuite() { End(); }
};

TEST_F(OverlayWindowTest, CoversThePrimaryScreenFromTheOrigin) {
    ASSERT_NE(overlayWindow, nullptr);
    EXPECT_EQ(screenWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screenHeight, GetSystemMetrics(SM_CYSCREEN));
    RECT bounds{};
    GetWindowRect(overlayWindow, &bounds);
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.right, screenWidth);
    EXPECT_EQ(bounds.bottom, screenHeight);
    // No frame: client coordinates are screen coordinates.
    POINT origin{0, 0};
    ClientToScreen(overlayWindow, &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
}

TEST_F(OverlayWindowTest, IsAVisibleFramelessTopmostToolWindowNamedLorvane) {
    const LONG style = GetWindowLongA(overlayWindow, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_VISIBLE), static_cast<LONG>(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_CHILD), 0);
    const LONG exStyle = GetWindowLongA(overlayWindow, GWL_EXSTYLE);
    EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    EXPECT_EQ(exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT), 0) << "starts in the snapshot mode";
    EXPECT_EQ(layeredMode, 0);

    char text[64] = {};
    GetWindowTextA(overlayWindow, text, sizeof(text));
    EXPECT_STREQ(text, "Lorvane");
}

TEST_F(OverlayWindowTest, ClassTakesDoubleClicksShowsTheArrowAndRunsTheOverlayProcedure) {
    char name[64] = {};
    GetClassNameA(overlayWindow, name, sizeof(name));
    EXPECT_STREQ(name, "VozidFrame");
    const DWORD classStyle = GetClassLongA(overlayWindow, GCL_STYLE);
    EXPECT_EQ(classStyle, static_cast<DWORD>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(overlayWindow, GCLP_HCURSOR)),
              LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(GetClassLongPtrA(overlayWindow, GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
    EXPECT_EQ(GetWindowLongPtrA(overlayWindow, GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(OverlayWindowProc));
}

// Without the mark, the shell takes the overlay for a full-screen program (Wine's shell never
// does): it holds back notifications, and an auto-hidden taskbar stays down, tray icon and all.
TEST_F(OverlayWindowTest, IsMarkedNotFullScreenFromItsFirstShowAndCarriesTheNotifyIconProperty) {
    ASSERT_TRUE(firstShow.seen) << "no WM_SHOWWINDOW reached the overlay";
    EXPECT_EQ(firstShow.mark, reinterpret_cast<HANDLE>(TRUE)) << "not marked yet when first shown";
    EXPECT_EQ(GetPropA(overlayWindow, "NonRudeHWND"), reinterpret_cast<HANDLE>(TRUE));
    EXPECT_EQ(GetPropA(overlayWindow, "Vozid_NotifyIcon"), reinterpret_cast<HANDLE>(1));
}

TEST_F(OverlayWindowTest, RegistersTheTaskbarCreatedMessage) {
    EXPECT_NE(taskbarCreatedMessage, 0u);
    EXPECT_EQ(taskbarCreatedMessage, RegisterWindowMessageA("TaskbarCreated"));
}

// Wine has no integrity levels and ignores the filter, so the call is checked as the recorder
// saw it: a copy run as administrator hears the shell's broadcast only if this very message is
// let through to this very window.
TEST_F(OverlayWindowTest, LetsTheTaskbarsReturnThroughToAnElevatedCopy) {
    const auto& changes = call_recorder::MessageFilterChanges();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].window, overlayWindow);
    EXPECT_EQ(changes[0].message, taskbarCreatedMessage);
    EXPECT_EQ(changes[0].action, static_cast<DWORD>(MSGFLT_ALLOW));
}

TEST_F(OverlayWindowTest, MenuHoldsClickThroughASeparatorAndExit) {
    ASSERT_NE(popupMenu, nullptr);
    ASSERT_EQ(GetMenuItemCount(popupMenu), 3);
    EXPECT_EQ(GetMenuItemID(popupMenu, 0), CMD_CLICK_THROUGH);
    EXPECT_EQ(GetMenuItemID(popupMenu, 2), CMD_EXIT);
    EXPECT_NE(GetMenuState(popupMenu, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);

    wchar_t text[32] = {};
    GetMenuStringW(popupMenu, 0, text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, L"启用鼠标穿透");
    GetMenuStringW(popupMenu, 2, text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, L"退出");

    // Both commands start enabled and unchecked.
    const UINT marks = MF_CHECKED | MF_DISABLED | MF_GRAYED;
    EXPECT_EQ(GetMenuState(popupMenu, 0, MF_BYPOSITION) & marks, 0u);
    EXPECT_EQ(GetMenuState(popupMenu, 2, MF_BYPOSITION) & marks, 0u);
}

TEST_F(OverlayWindowTest, TrayRecordDescribesTheIconOfTheOverlay) {
    EXPECT_EQ(trayData->cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
    EXPECT_EQ(trayData->hWnd, overlayWindow);
    EXPECT_EQ(trayData->uID, 1u);
    EXPECT_EQ(trayData->uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(trayData->uCallbackMessage, 0x8B5Eu);
    EXPECT_NE(trayData->hIcon, nullptr) << "the built-in icon was not made";
    EXPECT_STREQ(trayData->szTip, "Lorvane");
    // Everything after the tip (balloon text, state, version) stays zero.
    const auto* bytes = reinterpret_cast<const unsigned char*>(trayData);
    for (std::size_t i = offsetof(NOTIFYICONDATAA, dwState); i < sizeof(NOTIFYICONDATAA); ++i) {
        ASSERT_EQ(bytes[i], 0) << "tray record byte " << i;
    }
    EXPECT_TRUE(TrayIconShown());
}

// Runs last in the suite, as it lets a timer tick move the petals.
TEST_F(OverlayWindowTest, TimerOneTicksForTheOverlay) {
    // A bounded wait for the first tick; it says nothing of the period.
    const MSG tick = LookAgain(
        [] {
            MSG taken{};
            TakePosted(overlayWindow, WM_TIMER, taken);
            return taken;
        },
        [](const MSG& taken) { return taken.message == WM_TIMER; });
    ASSERT_EQ(tick.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(tick.wParam, OVERLAY_TIMER_ID);
}

// AddTrayIcon on a hidden window of the test's own, with a fresh tray record for each test.
// The icon is removed once, at the end: Wine's tray takes seconds to hide when it empties.
class AddTrayIconTest : public ::testing::Test {
protected:
    static constexpr unsigned char SENTINEL = 0xA7;

    static void SetUpTestSuite() {
        window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    }

    static void TearDownTestSuite() {
        NOTIFYICONDATAA added{};
        added.cbSize = NOTIFYICONDATAA_V2_SIZE;
        added.hWnd = window_;
        added.uID = TRAY_ICON_ID;
        Shell_NotifyIconA(NIM_DELETE, &added);
        DestroyWindow(window_);
    }

    void SetUp() override {
        AllocateGlobals();
        overlayWindow = window_;
        icon_ = LoadIconA(nullptr, IDI_APPLICATION);
    }

    void TearDown() override {
        overlayWindow = nullptr;
        ReleaseGlobals();
    }

    // Fills every byte of the record after the tip with the sentinel.
    void MarkBytesAfterTheTip() {
        auto* bytes = reinterpret_cast<unsigned char*>(trayData);
        const std::size_t afterTip = offsetof(NOTIFYICONDATAA, szTip) + sizeof(trayData->szTip);
        std::memset(bytes + afterTip, SENTINEL, sizeof(NOTIFYICONDATAA) - afterTip);
    }

    std::size_t BytesChangedAfterTheTip() const {
        const auto* bytes = reinterpret_cast<const unsigned char*>(trayData);
        std::size_t changed = 0;
        for (std::size_t i = offsetof(NOTIFYICONDATAA, szTip) + sizeof(trayData->szTip);
             i < sizeof(NOTIFYICONDATAA); ++i) {
            changed += bytes[i] != SENTINEL ? 1 : 0;
        }
        return changed;
    }

    static inline HWND window_ = nullptr;
    HICON icon_ = nullptr;
};

TEST_F(AddTrayIconTest, AddsTheIconAndMarksTheWindow) {
    EXPECT_TRUE(AddTrayIcon("Lorvane", icon_));
    EXPECT_EQ(trayData->hWnd, overlayWindow);
    EXPECT_EQ(trayData->hIcon, icon_);
    EXPECT_EQ(GetPropA(overlayWindow, "Vozid_NotifyIcon"), reinterpret_cast<HANDLE>(1));
    EXPECT_TRUE(TrayIconShown());
}

TEST_F(AddTrayIconTest, LongTipIsCutToTheFieldAndNothingAfterItIsWritten) {
    MarkBytesAfterTheTip();
    const std::string longTip(300, 'x');
    EXPECT_TRUE(AddTrayIcon(longTip.c_str(), icon_));
    EXPECT_EQ(BytesChangedAfterTheTip(), 0u);
    EXPECT_EQ(std::string(trayData->szTip, strnlen(trayData->szTip, sizeof(trayData->szTip))),
              longTip.substr(0, sizeof(trayData->szTip) - 1));
}

TEST_F(AddTrayIconTest, TipOfExactly127BytesIsKeptWhole) {
    MarkBytesAfterTheTip();
    const std::string tip(127, 'y');
    AddTrayIcon(tip.c_str(), icon_);
    EXPECT_EQ(std::string(trayData->szTip), tip);
    EXPECT_EQ(BytesChangedAfterTheTip(), 0u);
}

TEST_F(AddTrayIconTest, NullIconKeepsTheIconAlreadyInTheRecord) {
    trayData->hIcon = icon_;
    AddTrayIcon("Lorvane", nullptr);
    EXPECT_EQ(trayData->hIcon, icon_);
}

} // namespace
