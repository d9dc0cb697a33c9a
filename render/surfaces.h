#pragma once
// The screen size and the two screen-sized drawing surfaces, made once at start.

#include <windows.h>

// The desktop as it looked at start; never changes afterwards.
extern HDC desktopSnapshot;
// Where each frame of the snapshot mode is composed, and painted from.
extern HDC workSurface;

// Measures the primary screen, makes both surfaces in the display's own format and copies the
// desktop into both. Runs before any window of ours exists, so none is in the picture. While
// the user's desktop is off the screen (locked, behind a secure desktop, disconnected) it waits
// for it, for about a minute at most, then takes what the screen gives.
void PrepareSurfaces();

// Copies a whole screen's worth of pixels from source to target, both from their origin.
// True when the copy was made.
bool CopyWholeScreen(HDC target, HDC source);
