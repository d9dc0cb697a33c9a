// The program entry: COM for the memory streams, the global tables, and the run.

#include <windows.h>

#include "app/globals.h"
#include "app/start_routine.h"

#include <cfenv>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    OleInitialize(nullptr);
    // Round to nearest with every exception masked; the one truncating conversion sets its
    // own rounding.
    std::fesetenv(FE_DFL_ENV);
    AllocateGlobals();
    // 0 once the run has ended, whatever the quit message carried; 1 when the overlay could
    // not be made.
    const int exitCode = StartRoutine();
    ReleaseGlobals();
    OleUninitialize();
    return exitCode;
}
