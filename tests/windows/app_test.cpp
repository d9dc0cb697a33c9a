// The global tables and the message loop, with real Windows messages.

#include <windows.h>

#include "app/globals.h"
#include "app/start_routine.h"
#include "shell/overlay_window.h"
#include "shell/tray_icon.h"
#include "simulation/petal_field.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<UINT> dispatched;

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg >= WM_APP) {
        dispatched.push_back(uMsg);
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

HWND MakeRecordingWindow() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "AppTestRecorder";
    RegisterClassExA(&windowClass);
    return CreateWindowExA(0, "AppTestRecorder", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

} // namespace

TEST(GlobalsTest, TablesAreCreatedZeroedAndReleased) {
    AllocateGlobals();
    ASSERT_NE(trayData, nullptr);
    const auto* bytes = reinterpret_cast<const unsigned char*>(trayData);
    for (std::size_t i = 0; i < sizeof(*trayData); ++i) {
        ASSERT_EQ(bytes[i], 0) << "tray record byte " << i;
    }
    ASSERT_NE(images, nullptr);
    ASSERT_TRUE(petals->empty());
    petals->resize(5000);
    ReleaseGlobals();
    EXPECT_EQ(trayData, nullptr);
    EXPECT_EQ(petals, nullptr);
    EXPECT_EQ(images, nullptr);
}

TEST(MessageLoopTest, DispatchesQueuedMessagesInOrderThenReturnsTheQuitCode) {
    const HWND window = MakeRecordingWindow();
    ASSERT_NE(window, nullptr);
    dispatched.clear();
    PostMessageA(window, WM_APP + 1, 0, 0);
    PostMessageA(window, WM_APP + 2, 0, 0);
    PostQuitMessage(7);
    EXPECT_EQ(RunMessageLoop(), 7);
    EXPECT_EQ(dispatched, (std::vector<UINT>{WM_APP + 1, WM_APP + 2}));
    DestroyWindow(window);
}

namespace {

// Vetoes the creation of every window of the thread, as a failing CreateWindowExA would.
LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST(StartRoutineTest, EndsAtOnceWithAnErrorWhenTheOverlayCannotBeMade) {
    AllocateGlobals();
    const HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    // A quit message with code 0 is queued: had the loop been entered, it would end there
    // and the routine would report success.
    PostQuitMessage(0);
    const std::int32_t result = StartRoutine();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(overlayWindow, nullptr);
    // The start-up before the window still ran: six petals over a measured screen.
    EXPECT_EQ(petals->size(), 6u);
    EXPECT_GT(screenWidth, 0);
    EXPECT_EQ(imageCount, IMAGE_TABLE_SIZE);
    MSG pending{};
    EXPECT_TRUE(PeekMessageA(&pending, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    ReleaseGlobals();
}
