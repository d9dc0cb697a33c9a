#pragma once
// The notification-area icon: its record, the icon picture and the menu it opens.

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdint>

// The one tray record of the run, created zeroed at start and filled by AddTrayIcon.
extern NOTIFYICONDATAA* trayData;

constexpr UINT TRAY_ICON_ID = 1;
// Sent by the shell for the icon's mouse events, the event in lParam.
constexpr UINT trayCallbackMessage = 0x8B5E;
// The overlay's timer for adding the icon again while the shell has not taken it.
constexpr UINT_PTR TRAY_RETRY_TIMER_ID = 2;
// A busy shell makes each call wait about 4 seconds before it fails; the next try comes 5
// seconds after the last one ended, so the overlay never stops answering for long.
constexpr UINT TRAY_RETRY_PERIOD_MS = 5000;
// An add refused after this long is not followed by a check that the icon is there after all:
// that call may wait 4 seconds more, and Windows calls a window that has read no messages for
// 5 seconds "Not Responding". Half a second keeps a try below 4.5 seconds in all.
constexpr DWORD TRAY_CONFIRM_LIMIT_MS = 500;

// Makes an icon from image number index of a whole .ico file held in memory, and reports the
// directory's width and height for it. Null, with the sizes untouched, when the file does not
// hold such an image wholly inside its bytes.
HICON IconFromIcoData(const std::uint8_t* data, std::size_t size, std::int32_t index = 0,
                      std::int32_t* width = nullptr, std::int32_t* height = nullptr);

// Fills the tray record for the overlay and shows the icon with the given tip, cut to fit.
// True when the shell holds the icon; otherwise it keeps being retried, as ShowTrayIcon does.
bool AddTrayIcon(const char* tipText, HICON icon);

// Asks the shell to show the icon of the tray record. True when the shell holds it; then any
// pending retry stops. Otherwise the overlay's retry timer runs and tries again: the shell
// may be busy (at logon) or not there yet, and without the icon a user of the click-through
// mode has no way to the menu.
bool ShowTrayIcon();

// Takes the icon out of the tray and its mark off the overlay, as the run ends.
void RemoveTrayIcon();

// Opens the popup menu at the pointer, on behalf of the tray icon.
void ShowTrayMenu();
