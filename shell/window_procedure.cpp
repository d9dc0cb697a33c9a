// Dispatch of the overlay's messages to small handlers. Each message but WM_ERASEBKGND also
// gets the default handling, before or after its own work, and the procedure returns the
// default result; the erase is wholly the overlay's own.

#include "shell/window_procedure.h"

#include "render/frame.h"
#include "shell/overlay_window.h"
#include "shell/popup_menu.h"
#include "shell/tray_icon.h"
#include "simulation/petal_motion.h"
#include "simulation/petal_spawning.h"

std::int32_t LowWord(LPARAM value) {
    return static_cast<std::int32_t>(value & 0xFFFF);
}

std::int32_t HighWord(LPARAM value) {
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(value) >> 16);
}

static void RequestClose(HWND hWnd) {
    PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

static void EndRun(HWND hWnd) {
    KillTimer(hWnd, OVERLAY_TIMER_ID);
    RemoveTrayIcon();
    RemoveNotFullScreenMark(hWnd);
    PostQuitMessage(0);
}

// One-way: the item stays checked and greyed, and nothing clears the styles again.
static void EnableClickThrough(HWND hWnd) {
    CheckMenuItem(popupMenu, CMD_CLICK_THROUGH, MF_BYPOSITION | MF_CHECKED);
    EnableMenuItem(popupMenu, CMD_CLICK_THROUGH, MF_BYPOSITION | MF_DISABLED | MF_GRAYED);
    layeredMode = 1;
    const LONG style = GetWindowLongA(hWnd, GWL_EXSTYLE);
    SetWindowLongA(hWnd, GWL_EXSTYLE, style | WS_EX_TRANSPARENT | WS_EX_LAYERED);
    // A layered window shows nothing until it is given a frame: give it one at once rather
    // than leave the petals gone until the next tick.
    ComposeFrame();
}

// Only commands from a menu (lParam 0), compared on the whole wParam.
static void HandleCommand(HWND hWnd, WPARAM wParam, LPARAM lParam) {
    if (lParam != 0) {
        return;
    }
    if (wParam == CMD_CLICK_THROUGH) {
        EnableClickThrough(hWnd);
    } else if (wParam == CMD_EXIT) {
        RequestClose(hWnd);
    }
}

// The click's point is in the overlay's client coordinates, the menu's in screen ones. They
// differ once the overlay is off the screen's origin: Windows keeps it on its monitor when
// another monitor becomes the main one, and numbers the screen from there.
static void ShowMenuAtClick(HWND hWnd, LPARAM lParam) {
    POINT point{LowWord(lParam), HighWord(lParam)};
    ClientToScreen(hWnd, &point);
    TrackPopupMenu(popupMenu, 0, point.x, point.y, 0, hWnd, nullptr);
}

// Bit 30 of a key's lParam: the key was already down, and this is its auto-repeat. A key held
// since before the overlay had the keyboard arrives only as such repeats: the Enter that started
// the program in Explorer, or that chose a command of the tray menu.
constexpr LPARAM KEY_WAS_DOWN = LPARAM{1} << 30;

// Only a fresh press ends the run.
static void HandleKeyDown(HWND hWnd, WPARAM key, LPARAM keyData) {
    if ((keyData & KEY_WAS_DOWN) != 0) {
        return;
    }
    if (key == VK_ESCAPE || key == VK_RETURN) {
        RequestClose(hWnd);
    }
}

static void Paint(HWND hWnd) {
    PAINTSTRUCT paint{};
    const HDC target = BeginPaint(hWnd, &paint);
    CopyFrameTo(target);
    EndPaint(hWnd, &paint);
}

// Every tick but those of the tray icon's retry moves the petals, whatever its id.
static void HandleTimer(WPARAM timerId) {
    if (timerId == TRAY_RETRY_TIMER_ID) {
        ShowTrayIcon();
    } else {
        StepPetals();
    }
}

static void HandleTrayEvent(LPARAM event) {
    // Only button releases open the menu, so the press does not reach the menu just opened.
    if (event == WM_LBUTTONUP || event == WM_RBUTTONUP) {
        ShowTrayMenu();
    }
}

LRESULT CALLBACK OverlayWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const auto defaultHandling = [&] { return DefWindowProcA(hWnd, uMsg, wParam, lParam); };
    LRESULT result = 0;
    switch (uMsg) {
    case WM_CREATE:
        // During creation, so that the mark is there when WS_VISIBLE shows the window.
        MarkNotFullScreen(hWnd);
        return defaultHandling();
    case WM_DESTROY:
        EndRun(hWnd);
        return defaultHandling();
    case WM_RBUTTONUP:
        result = defaultHandling();
        ShowMenuAtClick(hWnd, lParam);
        return result;
    case WM_LBUTTONDBLCLK:
        result = defaultHandling();
        AddPetals(1, ScreenPoint{LowWord(lParam), HighWord(lParam)});
        return result;
    case WM_KEYDOWN:
        result = defaultHandling();
        HandleKeyDown(hWnd, wParam, lParam);
        return result;
    case WM_COMMAND:
        result = defaultHandling();
        HandleCommand(hWnd, wParam, lParam);
        return result;
    case WM_ERASEBKGND:
        // The frame is the background: the default fill would only flash grey before the
        // paint that follows.
        CopyFrameTo(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT:
        Paint(hWnd);
        return defaultHandling();
    case WM_TIMER:
        HandleTimer(wParam);
        return defaultHandling();
    case trayCallbackMessage:
        HandleTrayEvent(lParam);
        return defaultHandling();
    default:
        if (uMsg == taskbarCreatedMessage && taskbarCreatedMessage != 0) {
            // The shell was restarted and forgot the icon: add it again, unchanged.
            ShowTrayIcon();
        }
        return defaultHandling();
    }
}
