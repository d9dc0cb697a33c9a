// Creation and release of the global tables.

#include <windows.h>

#include "app/globals.h"

#include "shell/tray_icon.h"
#include "simulation/petal_field.h"

void AllocateGlobals() {
    AllocatePetalTables();
    trayData = new NOTIFYICONDATAA{};
}

void ReleaseGlobals() {
    ReleasePetalTables();
    delete trayData;
    trayData = nullptr;
}
