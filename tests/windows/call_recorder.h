#pragma once
// Records the program's calls of the functions whose arguments Windows acts on and Wine does
// not look at, in the programs this is linked into; each call still goes on to the real
// function. A wrong blend turns the whole screen black on Windows, a wrong message filter
// keeps an elevated copy's tray icon away after the taskbar returns: under Wine, both work.

#include <windows.h>

#include <cstdint>
#include <vector>

namespace call_recorder {

struct LayeredUpdate {
    HWND window;
    bool movesWindow; // a destination point was given
    SIZE size;
    bool hasSourcePoint;
    POINT sourcePoint;
    BLENDFUNCTION blend;
    DWORD flags;
    // The surface selected into the source device context, if it is a 32-bit DIB section:
    // its pixels as 0xAARRGGBB, top row first, as many as size covers.
    bool sourceIsDib32;
    std::vector<std::uint32_t> pixels;
};

struct MessageFilterChange {
    HWND window;
    UINT message;
    DWORD action;
};

// What has been recorded since the last Clear.
const std::vector<LayeredUpdate>& LayeredUpdates();
const std::vector<MessageFilterChange>& MessageFilterChanges();
void Clear();

} // namespace call_recorder
