#pragma once
// Start-up as the program runs it, up to the message loop, and its undoing, for the tests that
// need the real overlay window with its timer, menu and tray icon.

#include <windows.h>
#include <shellapi.h>

#include "app/globals.h"
#include "pictures/image_set.h"
#include "render/frame.h"
#include "render/surfaces.h"
#include "shell/overlay_window.h"
#include "shell/tray_icon.h"
#include "simulation/petal_field.h"
#include "simulation/petal_spawning.h"

namespace overlay_session {

// Every step of start-up before the message loop, in the program's order.
inline void Start() {
    AllocateGlobals();
    PrepareSurfaces();
    LoadImageSet();
    ScatterPetals();
    CreateOverlayWindow();
    ComposeFrame();
}

// Removes every posted message waiting for this thread, timer ticks and the quit message too,
// without handling any. A pending paint is no posted message: PM_REMOVE would return it again
// and again until the window is validated, so it is left alone.
inline void DrainMessages() {
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
    }
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// Destroys the overlay, which takes its tray icon along, and frees the global tables. The
// surfaces, pictures and menu stay, as they do in the program.
inline void End() {
    DestroyWindow(overlayWindow);
    DrainMessages();
    overlayWindow = nullptr;
    layeredMode = 0;
    ReleaseGlobals();
}

// Whether the shell holds the icon of trayData: only a known icon can be modified.
inline bool TrayIconShown() {
    NOTIFYICONDATAA probe = *trayData;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

// Takes the first message of the given kind posted to the window, if there is one.
inline bool TakePosted(HWND window, UINT message, MSG& taken) {
    return PeekMessageA(&taken, window, message, message, PM_REMOVE) != FALSE;
}

} // namespace overlay_session
