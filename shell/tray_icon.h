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

// Makes an icon from image number index of a whole .ico file held in memory, and reports the
// directory's width and height for it. Null, with the sizes untouched, when the file does not
// hold such an image wholly inside its bytes.
HICON IconFromIcoData(const std::uint8_t* data, std::size_t size, std::int32_t index = 0,
                      std::int32_t* width = nullptr, std::int32_t* height = nullptr);

// Fills the tray record for the overlay and adds the icon with the given tip, cut to fit.
bool AddTrayIcon(const char* tipText, HICON icon);

// Opens the popup menu at the pointer, on behalf of the tray icon.
void ShowTrayMenu();
