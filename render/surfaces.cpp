// The desktop picture and the frame surface. Both device contexts, with their bitmaps
// selected for good, live until the process ends; the system reclaims them then.

#include "render/surfaces.h"

#include "simulation/petal_field.h"

HDC desktopSnapshot = nullptr;
HDC workSurface = nullptr;

static HDC CreateScreenSizedSurface(HDC desktopDc) {
    const HDC surface = CreateCompatibleDC(desktopDc);
    SelectObject(surface, CreateCompatibleBitmap(desktopDc, screenWidth, screenHeight));
    return surface;
}

void PrepareSurfaces() {
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);

    const HWND desktop = GetDesktopWindow();
    const HDC desktopDc = GetDC(desktop);
    desktopSnapshot = CreateScreenSizedSurface(desktopDc);
    workSurface = CreateScreenSizedSurface(desktopDc);
    BitBlt(desktopSnapshot, 0, 0, screenWidth, screenHeight, desktopDc, 0, 0, SRCCOPY);
    ReleaseDC(desktop, desktopDc);
    // The overlay is painted from the frame surface from its first erase on, which comes before
    // the first frame is composed (and, with a busy shell, seconds before): until then it shows
    // the desktop picture rather than a black screen.
    BitBlt(workSurface, 0, 0, screenWidth, screenHeight, desktopSnapshot, 0, 0, SRCCOPY);
}
