// Sends a menu command to the running program's overlay, as its tray menu would: the
// benchmarks switch it to the layered mode (0) and end it (2) this way.
// Usage: post_command COMMAND; exits with 1 when no overlay is found.

#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    const WPARAM command = argc > 1 ? static_cast<WPARAM>(std::atoi(argv[1])) : 0;
    const HWND overlay = FindWindowA("VozidFrame", nullptr);
    if (overlay == nullptr) {
        return 1;
    }
    PostMessageA(overlay, WM_COMMAND, command, 0);
    return 0;
}
