#pragma once
// Whether a test program runs under Wine, for the few expectations that hold only there: such a
// test skips itself elsewhere, saying why.

#include <windows.h>

// Wine's ntdll exports its version; Windows' does not.
inline bool RunsUnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}
