// The desktop picture and the frame surface. Both device contexts, with their bitmaps
// selected for good, live until the process ends; the system reclaims them then.

#include "render/surfaces.h"

#include "simulation/petal_field.h"

#include <array>
#include <cstring>

HDC desktopSnapshot = nullptr;
HDC workSurface = nullptr;

// The user's desktop may be off the screen as the program starts: the session locked, a UAC
// prompt or Ctrl+Alt+Del shown, a remote session disconnected, a logon not finished. A copy of
// the screen then fails or comes back black, and that picture would stay for the whole run, so
// the picture waits for the desktop, looking again every half second, for about a minute.
constexpr DWORD DESKTOP_LOOK_PERIOD_MS = 500;
constexpr DWORD DESKTOP_WAIT_LIMIT_MS = 60000;

using DesktopName = std::array<char, 256>;

// Empty when it cannot be read; the last byte stays 0 whatever the name's length.
static DesktopName NameOf(HDESK desktop) {
    DesktopName name{};
    DWORD needed = 0;
    GetUserObjectInformationA(desktop, UOI_NAME, name.data(), name.size() - 1, &needed);
    return name;
}

// Whether the desktop that gets the user's input is this thread's own. Names are compared, not
// a fixed one: a program may run on a desktop of another name. A secure desktop (the lock
// screen, a UAC prompt) cannot be opened at all.
static bool OwnDesktopIsOnScreen() {
    const HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (input == nullptr) {
        return false;
    }
    const DesktopName inputName = NameOf(input);
    CloseDesktop(input);
    const DesktopName ownName = NameOf(GetThreadDesktop(GetCurrentThreadId()));
    return std::strcmp(inputName.data(), ownName.data()) == 0;
}

// Waits the given time, answering meanwhile what other programs send to this thread's windows:
// COM keeps a hidden one, and a program that broadcasts a message waits for every window.
// Posted messages stay queued.
static void WaitAnsweringSentMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; waited < milliseconds; waited = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - waited, QS_SENDMESSAGE);
        MSG msg{};
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Looks again and again until the condition holds, or until the wait that began at start has
// lasted its limit.
template <typename Condition> static void WaitForDesktop(DWORD start, Condition holds) {
    while (!holds() && GetTickCount() - start < DESKTOP_WAIT_LIMIT_MS) {
        WaitAnsweringSentMessages(DESKTOP_LOOK_PERIOD_MS);
    }
}

bool CopyWholeScreen(HDC target, HDC source) {
    return BitBlt(target, 0, 0, screenWidth, screenHeight, source, 0, 0, SRCCOPY) != FALSE;
}

// The whole screen's device context, given back with ReleaseDesktopDc.
static HDC GetDesktopDc() {
    return GetDC(GetDesktopWindow());
}

static void ReleaseDesktopDc(HDC desktopDc) {
    ReleaseDC(GetDesktopWindow(), desktopDc);
}

static HDC CreateScreenSizedSurface(HDC desktopDc) {
    const HDC surface = CreateCompatibleDC(desktopDc);
    SelectObject(surface, CreateCompatibleBitmap(desktopDc, screenWidth, screenHeight));
    return surface;
}

static bool CopyScreenInto(HDC target) {
    const HDC desktopDc = GetDesktopDc();
    const bool copied = CopyWholeScreen(target, desktopDc);
    ReleaseDesktopDc(desktopDc);
    return copied;
}

void PrepareSurfaces() {
    const DWORD start = GetTickCount();
    // Measured once the desktop is there: a disconnected session may come back at another size.
    WaitForDesktop(start, OwnDesktopIsOnScreen);
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);

    const HDC desktopDc = GetDesktopDc();
    desktopSnapshot = CreateScreenSizedSurface(desktopDc);
    workSurface = CreateScreenSizedSurface(desktopDc);
    ReleaseDesktopDc(desktopDc);
    WaitForDesktop(start, [] { return OwnDesktopIsOnScreen() && CopyScreenInto(desktopSnapshot); });
    // The overlay is painted from the frame surface from its first erase on, which comes before
    // the first frame is composed (and, with a busy shell, seconds before): until then it shows
    // the desktop picture rather than a black screen.
    CopyWholeScreen(workSurface, desktopSnapshot);
}
