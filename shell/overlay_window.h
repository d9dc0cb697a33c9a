#pragma once
// The overlay: one frameless, top-most tool window over the whole primary screen, with the
// timer that drives the animation.

#include <windows.h>

extern HWND overlayWindow;
// Id of the shell's "TaskbarCreated" broadcast; 0 until registered.
extern UINT taskbarCreatedMessage;

constexpr UINT_PTR OVERLAY_TIMER_ID = 1;
constexpr UINT OVERLAY_TIMER_PERIOD_MS = 100;
constexpr char OVERLAY_CLASS_NAME[] = "VozidFrame";
// The window title and the tray tip.
constexpr char DISPLAY_TEXT[] = "Lorvane";

// Registers the class, creates the visible overlay, starts its timer, builds the popup menu
// and adds the tray icon. False, with nothing else set up, when the window could not be
// created: without it nothing could end the run.
bool CreateOverlayWindow();

// Tells the shell that the window is no full-screen program, whatever its size and place: to
// be done before the window is first shown. The mark is taken off again before the window is
// destroyed.
void MarkNotFullScreen(HWND window);
void RemoveNotFullScreenMark(HWND window);
