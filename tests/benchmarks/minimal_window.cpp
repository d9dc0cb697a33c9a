// The smallest program the start-up figures are compared with: it opens one full-screen
// window, reports how long after its process was created the window was shown, and ends
// after the given number of seconds.
// Usage: minimal_window [seconds]

#include <windows.h>

#include "tests/benchmarks/startup_clock.h"

#include <cstdlib>

static LRESULT CALLBACK MinimalProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_TIMER) {
        PostQuitMessage(0);
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

int main(int argc, char** argv) {
    const UINT seconds = argc > 1 ? static_cast<UINT>(std::atoi(argv[1])) : 5;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MinimalProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "MinimalWindow";
    RegisterClassExA(&windowClass);
    const HWND window = CreateWindowExA(
        WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "MinimalWindow", "Minimal", WS_POPUP | WS_VISIBLE, 0, 0,
        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
        windowClass.hInstance, nullptr);
    UpdateWindow(window);
    ReportStartupTime("window shown");
    SetTimer(window, 1, seconds * 1000, nullptr);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) != 0) {
        DispatchMessageA(&msg);
    }
    return 0;
}
