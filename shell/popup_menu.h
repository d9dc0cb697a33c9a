#pragma once
// The popup menu of the tray icon and the overlay: click-through, a separator, exit.

#include <windows.h>

// Built once at start and never destroyed.
extern HMENU popupMenu;

// Command ids, equal to the items' positions.
constexpr UINT CMD_CLICK_THROUGH = 0;
constexpr UINT CMD_EXIT = 2;

void BuildPopupMenu();
