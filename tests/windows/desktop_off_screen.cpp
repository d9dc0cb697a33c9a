// Takes the place of the imports of OpenInputDesktop and BitBlt. Linked only into test
// programs.

#include <windows.h>

#include "tests/windows/desktop_off_screen.h"

#include "tests/windows/import_seam.h"

namespace {

int otherDesktopLooks = 0;
int refusedLooks = 0;
int failingCopies = 0;

HDESK WINAPI OpenInputDesktopOrAnother(DWORD flags, BOOL inherit, ACCESS_MASK access) {
    if (otherDesktopLooks > 0) {
        --otherDesktopLooks;
        // The desktop a screen saver that asks for a password runs on.
        return CreateDesktopA("Screen-saver", nullptr, nullptr, 0, access, nullptr);
    }
    if (refusedLooks > 0) {
        --refusedLooks;
        // A secure desktop (Winlogon's) does not open for a user's program.
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    static const auto real =
        import_seam::Real<decltype(&OpenInputDesktop)>("user32.dll", "OpenInputDesktop");
    return real(flags, inherit, access);
}

BOOL WINAPI FailOrCopy(HDC target, int x, int y, int width, int height, HDC source, int sourceX,
                       int sourceY, DWORD operation) {
    // A copy of the screen reads a window's device context; the frames copy between memory ones.
    if (failingCopies > 0 && source != nullptr && GetObjectType(source) == OBJ_DC) {
        --failingCopies;
        PatBlt(target, x, y, width, height, BLACKNESS);
        return FALSE;
    }
    static const auto real = import_seam::Real<decltype(&BitBlt)>("gdi32.dll", "BitBlt");
    return real(target, x, y, width, height, source, sourceX, sourceY, operation);
}

} // namespace

REPLACE_IMPORT(OpenInputDesktop, 12, OpenInputDesktopOrAnother);
REPLACE_IMPORT(BitBlt, 36, FailOrCopy);

namespace desktop_off_screen {

void HideDesktop(int otherDesktop, int refused, int failedCopies) {
    otherDesktopLooks = otherDesktop;
    refusedLooks = refused;
    failingCopies = failedCopies;
}

int FailuresLeft() {
    return otherDesktopLooks + refusedLooks + failingCopies;
}

} // namespace desktop_off_screen
