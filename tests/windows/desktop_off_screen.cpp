// Takes the place of the imports of OpenInputDesktop, BitBlt and GetSystemMetrics. Linked only
// into test programs.

#include <windows.h>

#include "tests/windows/desktop_off_screen.h"

#include "tests/windows/import_seam.h"

namespace {

// What the last look at the input desktop found in front of the user's own.
enum class InFront { OWN_DESKTOP, OTHER_DESKTOP, SECURE_DESKTOP };

int otherDesktopLooks = 0;
int refusedLooks = 0;
int failingCopies = 0;
InFront inFront = InFront::OWN_DESKTOP;

// The size of the screen the session had before it was disconnected.
constexpr int EARLIER_SCREEN_WIDTH = 800;
constexpr int EARLIER_SCREEN_HEIGHT = 600;

HDESK WINAPI OpenInputDesktopOrAnother(DWORD flags, BOOL inherit, ACCESS_MASK access) {
    if (otherDesktopLooks > 0) {
        --otherDesktopLooks;
        inFront = InFront::OTHER_DESKTOP;
        // The desktop a screen saver that asks for a password runs on.
        return CreateDesktopA("Screen-saver", nullptr, nullptr, 0, access, nullptr);
    }
    if (refusedLooks > 0) {
        --refusedLooks;
        inFront = InFront::SECURE_DESKTOP;
        // A secure desktop (Winlogon's) does not open for a user's program.
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    inFront = InFront::OWN_DESKTOP;
    static const auto real =
        import_seam::Real<decltype(&OpenInputDesktop)>("user32.dll", "OpenInputDesktop");
    return real(flags, inherit, access);
}

BOOL WINAPI BlackOrFailOrCopy(HDC target, int x, int y, int width, int height, HDC source,
                              int sourceX, int sourceY, DWORD operation) {
    // A copy of the screen reads a window's device context; the frames copy between memory ones.
    const bool fromScreen = source != nullptr && GetObjectType(source) == OBJ_DC;
    // Behind the lock screen or a UAC prompt the copy succeeds, and the picture is black.
    if (fromScreen && inFront == InFront::SECURE_DESKTOP) {
        return PatBlt(target, x, y, width, height, BLACKNESS);
    }
    if (fromScreen && failingCopies > 0) {
        --failingCopies;
        PatBlt(target, x, y, width, height, BLACKNESS);
        return FALSE;
    }
    static const auto real = import_seam::Real<decltype(&BitBlt)>("gdi32.dll", "BitBlt");
    return real(target, x, y, width, height, source, sourceX, sourceY, operation);
}

int WINAPI EarlierOrRealMetrics(int index) {
    // A remote session may come back at another size than it had while it was away.
    if (inFront != InFront::OWN_DESKTOP && index == SM_CXSCREEN) {
        return EARLIER_SCREEN_WIDTH;
    }
    if (inFront != InFront::OWN_DESKTOP && index == SM_CYSCREEN) {
        return EARLIER_SCREEN_HEIGHT;
    }
    static const auto real =
        import_seam::Real<decltype(&GetSystemMetrics)>("user32.dll", "GetSystemMetrics");
    return real(index);
}

} // namespace

REPLACE_IMPORT(OpenInputDesktop, 12, OpenInputDesktopOrAnother);
REPLACE_IMPORT(BitBlt, 36, BlackOrFailOrCopy);
REPLACE_IMPORT(GetSystemMetrics, 4, EarlierOrRealMetrics);

namespace desktop_off_screen {

void HideDesktop(int otherDesktop, int refused, int failedCopies) {
    otherDesktopLooks = otherDesktop;
    refusedLooks = refused;
    failingCopies = failedCopies;
    inFront = otherDesktop > 0 ? InFront::OTHER_DESKTOP
              : refused > 0    ? InFront::SECURE_DESKTOP
                               : InFront::OWN_DESKTOP;
}

int FailuresLeft() {
    return otherDesktopLooks + refusedLooks + failingCopies;
}

} // namespace desktop_off_screen
