// The menu's items. The texts are wide so that they read right whatever the system's code
// page.

#include "shell/popup_menu.h"

HMENU popupMenu = nullptr;

constexpr wchar_t CLICK_THROUGH_TEXT[] = L"启用鼠标穿透";
constexpr wchar_t EXIT_TEXT[] = L"退出";

void BuildPopupMenu() {
    popupMenu = CreatePopupMenu();
    AppendMenuW(popupMenu, MF_BYPOSITION | MF_STRING, CMD_CLICK_THROUGH, CLICK_THROUGH_TEXT);
    AppendMenuW(popupMenu, MF_BYPOSITION | MF_SEPARATOR, 1, nullptr);
    AppendMenuW(popupMenu, MF_BYPOSITION | MF_STRING, CMD_EXIT, EXIT_TEXT);
}
