// The order of start-up: the desktop picture is taken before any window of ours exists, and
// the first petals are placed before the overlay and its timer appear.

#include <windows.h>

#include "app/start_routine.h"

#include "pictures/image_set.h"
#include "render/frame.h"
#include "render/surfaces.h"
#include "shell/overlay_window.h"
#include "simulation/petal_spawning.h"

std::int32_t StartRoutine() {
    PrepareSurfaces();
    LoadImageSet();
    ScatterPetals();
    if (!CreateOverlayWindow()) {
        return 1;
    }
    ComposeFrame();
    RunMessageLoop();
    return 0;
}

std::int32_t RunMessageLoop() {
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) != 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<std::int32_t>(msg.wParam);
}
