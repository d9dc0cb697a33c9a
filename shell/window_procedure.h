#pragma once
// The overlay's window procedure: after start-up all work happens here.

#include <windows.h>

#include <cstdint>

// The low half of a message parameter, 0 to 65535.
std::int32_t LowWord(LPARAM value);
// The high half with its sign, -32768 to 32767.
std::int32_t HighWord(LPARAM value);

LRESULT CALLBACK OverlayWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
