// The tray icon and its menu.

#include "shell/tray_icon.h"

#include "shell/ico_directory.h"
#include "shell/overlay_window.h"
#include "shell/popup_menu.h"

#include <cstring>
#include <vector>

NOTIFYICONDATAA* trayData = nullptr;

// Set on the overlay, value 1, while it owns a tray icon.
constexpr const char* TRAY_ICON_PROPERTY = "Vozid_NotifyIcon";

HICON IconFromIcoData(const std::uint8_t* data, std::size_t size, std::int32_t index,
                      std::int32_t* width, std::int32_t* height) {
    IcoImage image{};
    if (!FindIcoImage(data, size, index, image)) {
        return nullptr;
    }
    if (width != nullptr) {
        *width = image.width;
    }
    if (height != nullptr) {
        *height = image.height;
    }
    // The resource reader wants its bytes DWORD-aligned, and an image inside an .ico file need
    // not start on such a boundary (the built-in one starts at byte 22): it reads a copy.
    std::vector<DWORD> aligned((image.size + sizeof(DWORD) - 1) / sizeof(DWORD));
    std::memcpy(aligned.data(), image.bytes, image.size);
    // Sizes of 0 with LR_DEFAULTCOLOR keep the image's own size: CreateIconFromResource would
    // stretch it to the system's large-icon size.
    return CreateIconFromResourceEx(reinterpret_cast<PBYTE>(aligned.data()), image.size, TRUE,
                                    0x00030000, 0, 0, LR_DEFAULTCOLOR);
}

bool AddTrayIcon(const char* tipText, HICON icon) {
    SetPropA(overlayWindow, TRAY_ICON_PROPERTY, reinterpret_cast<HANDLE>(1));
    if (icon != nullptr) {
        trayData->hIcon = icon;
    }
    trayData->cbSize = NOTIFYICONDATAA_V2_SIZE;
    trayData->hWnd = overlayWindow;
    trayData->uID = TRAY_ICON_ID;
    trayData->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayData->uCallbackMessage = trayCallbackMessage;
    lstrcpynA(trayData->szTip, tipText, sizeof(trayData->szTip));
    return ShowTrayIcon();
}

// An add that timed out may still be carried out by the shell later, and a shell that answers
// refuses to add an icon it already holds: then the icon is there, which a modification that
// changes nothing confirms. The modification can wait as long as the add did, so it is asked
// only of a shell that answered at once: after a slow answer, or a time-out, the shell is busy,
// and the next retry asks again.
static bool ShellHoldsIconAfterAdd() {
    // Cleared first, so that an earlier call's time-out is not read as this one's.
    SetLastError(ERROR_SUCCESS);
    const DWORD asked = GetTickCount();
    if (Shell_NotifyIconA(NIM_ADD, trayData)) {
        return true;
    }
    const bool timedOut = GetLastError() == ERROR_TIMEOUT;
    const bool answeredAtOnce = GetTickCount() - asked < TRAY_CONFIRM_LIMIT_MS;
    return !timedOut && answeredAtOnce && Shell_NotifyIconA(NIM_MODIFY, trayData);
}

bool ShowTrayIcon() {
    if (ShellHoldsIconAfterAdd()) {
        KillTimer(overlayWindow, TRAY_RETRY_TIMER_ID);
        return true;
    }
    // Set anew after each failed try, so that the period counts from the end of the call.
    SetTimer(overlayWindow, TRAY_RETRY_TIMER_ID, TRAY_RETRY_PERIOD_MS, nullptr);
    return false;
}

void RemoveTrayIcon() {
    Shell_NotifyIconA(NIM_DELETE, trayData);
    // Windows asks that every property be removed before its window is destroyed.
    RemovePropA(overlayWindow, TRAY_ICON_PROPERTY);
}

void ShowTrayMenu() {
    POINT pointer{0, 0};
    GetCursorPos(&pointer);
    // Without the foreground the menu would not close when the user clicks elsewhere, and the
    // message posted after it makes the next click on the icon work at once.
    SetForegroundWindow(overlayWindow);
    TrackPopupMenu(popupMenu, TPM_RIGHTBUTTON, pointer.x, pointer.y, 0, overlayWindow, nullptr);
    PostMessageA(overlayWindow, WM_NULL, 0, 0);
}
