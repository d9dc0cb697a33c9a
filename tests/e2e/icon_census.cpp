// Counts the program's overlays on this desktop and the tray icons the shell holds for them,
// and writes "<overlays> <icons>" to the file given. An icon is held when a modification
// that changes nothing succeeds for it.
// Usage: icon_census RESULT_FILE

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

int overlays = 0;
int icons = 0;

BOOL CALLBACK CountOverlay(HWND hWnd, LPARAM) {
    char className[64] = "";
    GetClassNameA(hWnd, className, sizeof(className));
    if (std::strcmp(className, "VozidFrame") != 0) {
        return TRUE;
    }
    ++overlays;
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = hWnd;
    data.uID = 1;
    icons += Shell_NotifyIconA(NIM_MODIFY, &data) ? 1 : 0;
    return TRUE;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    EnumWindows(CountOverlay, 0);
    std::FILE* result = std::fopen(argv[1], "wb");
    if (result == nullptr) {
        return 1;
    }
    std::fprintf(result, "%d %d\n", overlays, icons);
    std::fclose(result);
    return 0;
}
