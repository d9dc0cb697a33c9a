// Creating the overlay window. The class, the menu and the icon live until the process ends.

#include "shell/overlay_window.h"

#include "assets/embedded_assets.h"
#include "shell/popup_menu.h"
#include "shell/tray_icon.h"
#include "shell/window_procedure.h"
#include "simulation/petal_field.h"

HWND overlayWindow = nullptr;
UINT taskbarCreatedMessage = 0;

// Read by the shell of Windows 7 and later; older ones ignore it.
constexpr char NOT_FULL_SCREEN_PROPERTY[] = "NonRudeHWND";

static void RegisterOverlayClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    // CS_DBLCLKS makes a double click arrive as WM_LBUTTONDBLCLK.
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = OverlayWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = OVERLAY_CLASS_NAME;
    RegisterClassExA(&windowClass);
}

bool CreateOverlayWindow() {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterOverlayClass(instance);
    // No caption and no border, so the client area is the whole screen; the tool
    // window style keeps it off the taskbar.
    const HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, OVERLAY_CLASS_NAME,
                                        DISPLAY_TEXT, WS_POPUP | WS_VISIBLE, 0, 0, screenWidth,
                                        screenHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return false;
    }
    SetTimer(window, OVERLAY_TIMER_ID, OVERLAY_TIMER_PERIOD_MS, nullptr);
    BuildPopupMenu();
    overlayWindow = window;
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    // The shell runs at a lower integrity level than an elevated copy of this program, and
    // Windows drops its broadcasts to such a window unless they are let through: the icon would
    // then be gone for good after the shell restarts.
    ChangeWindowMessageFilterEx(window, taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
    const HICON icon = IconFromIcoData(TRAY_ICON_FILE.data, TRAY_ICON_FILE.size);
    AddTrayIcon(DISPLAY_TEXT, icon);
    return true;
}

// A top-most window over the whole screen looks to the shell like a game or a presentation: the
// shell would hold back the user's notifications and keep an auto-hidden taskbar below the
// overlay, and with it the tray icon, the click-through mode's only way to the menu.
void MarkNotFullScreen(HWND window) {
    SetPropA(window, NOT_FULL_SCREEN_PROPERTY, reinterpret_cast<HANDLE>(TRUE));
}

void RemoveNotFullScreenMark(HWND window) {
    // Windows asks that every property be removed before its window is destroyed.
    RemovePropA(window, NOT_FULL_SCREEN_PROPERTY);
}
