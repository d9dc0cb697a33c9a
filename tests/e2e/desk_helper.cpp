// A small helper that the end-to-end scripts start inside the test's virtual desktop. It shows
// coloured windows that record clicks, draws reference texts, runs the program and keeps its
// exit code, and plays the shell's part around the tray icon. Results go to files, because a
// program started through the virtual desktop has no console and no exit code of its own.
//
//   window TITLE RRGGBB X Y W H LOG   a window of one colour; each left click appends "x y"
//   menu-texts X Y                    the two menu texts in the menu font, one per 40-pixel band
//   run EXE RESULT [FOLDER]           runs EXE (in FOLDER), waits for it, writes its exit code
//   load DLL                          loads DLL by its path
//   close TITLE                       asks the window with this title to close
//   close-all                         asks the program's overlay and every helper window to close
//   forget-icon                       removes the program's tray icon, as a restarted shell would
//   announce-taskbar                  broadcasts "TaskbarCreated", as a new taskbar does
//   has-icon RESULT                   writes 1 if the shell knows the program's icon, else 0

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

constexpr char HELPER_CLASS[] = "LorvaneE2eHelper";
constexpr char OVERLAY_CLASS[] = "VozidFrame";
constexpr UINT TRAY_ICON_ID = 1;
constexpr int TEXT_BAND_HEIGHT = 40;

COLORREF windowColour = RGB(0, 0, 0);
const char* clickLog = nullptr;

void AppendLine(const char* path, const char* mode, const char* text) {
    FILE* file = std::fopen(path, mode);
    if (file != nullptr) {
        std::fputs(text, file);
        std::fclose(file);
    }
}

void RecordClick(LPARAM lParam) {
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    char line[64];
    std::snprintf(line, sizeof(line), "%ld %ld\n", point.x, point.y);
    AppendLine(clickLog, "ab", line);
}

void PaintColour(HWND hWnd) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(hWnd, &paint);
    const HBRUSH brush = CreateSolidBrush(windowColour);
    FillRect(dc, &paint.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(hWnd, &paint);
}

// The same font the menu draws with, so that the two renderings can be compared pixel for pixel.
HFONT CreateMenuFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMenuFont);
}

void PaintMenuTexts(HWND hWnd) {
    static const wchar_t* const texts[] = {L"启用鼠标穿透", L"退出"};
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(hWnd, &paint);
    RECT client{};
    GetClientRect(hWnd, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const HFONT font = CreateMenuFont();
    const HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    for (int band = 0; band < 2; ++band) {
        TextOutW(dc, 10, band * TEXT_BAND_HEIGHT + 10, texts[band],
                 static_cast<int>(std::wcslen(texts[band])));
    }
    SelectObject(dc, oldFont);
    DeleteObject(font);
    EndPaint(hWnd, &paint);
}

bool drawsMenuTexts = false;

LRESULT CALLBACK HelperWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_LBUTTONDOWN:
        if (clickLog != nullptr) {
            RecordClick(lParam);
        }
        return 0;
    case WM_PAINT:
        if (drawsMenuTexts) {
            PaintMenuTexts(hWnd);
        } else {
            PaintColour(hWnd);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

int ShowWindowUntilClosed(const char* title, int x, int y, int width, int height) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = HelperWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = HELPER_CLASS;
    RegisterClassExA(&windowClass);
    CreateWindowExA(0, HELPER_CLASS, title, WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                    nullptr, windowClass.hInstance, nullptr);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

int ShowColourWindow(char** args) {
    const unsigned long rgb = std::strtoul(args[1], nullptr, 16);
    windowColour = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    clickLog = args[6];
    AppendLine(clickLog, "wb", "");
    return ShowWindowUntilClosed(args[0], std::atoi(args[2]), std::atoi(args[3]),
                                 std::atoi(args[4]), std::atoi(args[5]));
}

int ShowMenuTexts(char** args) {
    drawsMenuTexts = true;
    return ShowWindowUntilClosed("menu texts", std::atoi(args[0]), std::atoi(args[1]), 300,
                                 2 * TEXT_BAND_HEIGHT);
}

int RunAndKeepExitCode(char** args, const char* folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    char commandLine[MAX_PATH + 2];
    std::snprintf(commandLine, sizeof(commandLine), "\"%s\"", args[0]);
    const auto start = [&] {
        return CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder,
                              &startup, &process) != FALSE;
    };
    // Once in many runs Wine's start of a process failed as the test desktops came and went,
    // with the program sound; one more try a second later keeps that from failing a test.
    bool started = start();
    if (!started) {
        Sleep(1000);
        started = start();
    }
    if (!started) {
        char line[64];
        std::snprintf(line, sizeof(line), "not started, error %lu\n", GetLastError());
        AppendLine(args[1], "wb", line);
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    char line[32];
    std::snprintf(line, sizeof(line), "%lu\n", code);
    AppendLine(args[1], "wb", line);
    return 0;
}

BOOL CALLBACK CloseOurWindow(HWND hWnd, LPARAM) {
    char className[64] = "";
    GetClassNameA(hWnd, className, sizeof(className));
    if (std::strcmp(className, OVERLAY_CLASS) == 0 || std::strcmp(className, HELPER_CLASS) == 0) {
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

// Only the identity fields: enough for the shell to find, delete or re-check the icon.
NOTIFYICONDATAA ProgramIconIdentity() {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = FindWindowA(OVERLAY_CLASS, nullptr);
    data.uID = TRAY_ICON_ID;
    return data;
}

int ForgetIcon() {
    NOTIFYICONDATAA data = ProgramIconIdentity();
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
}

int AnnounceTaskbar() {
    SendNotifyMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    return 0;
}

// A modification that changes nothing succeeds only for an icon the shell holds.
int ReportIcon(const char* result) {
    NOTIFYICONDATAA data = ProgramIconIdentity();
    const bool known = data.hWnd != nullptr && Shell_NotifyIconA(NIM_MODIFY, &data);
    AppendLine(result, "wb", known ? "1\n" : "0\n");
    return 0;
}

int RunMode(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    char** args = argv + 2;
    const int count = argc - 2;
    if (std::strcmp(mode, "window") == 0 && count == 7) {
        return ShowColourWindow(args);
    }
    if (std::strcmp(mode, "menu-texts") == 0 && count == 2) {
        return ShowMenuTexts(args);
    }
    if (std::strcmp(mode, "run") == 0 && (count == 2 || count == 3)) {
        return RunAndKeepExitCode(args, count == 3 ? args[2] : nullptr);
    }
    if (std::strcmp(mode, "load") == 0 && count == 1) {
        return LoadLibraryA(args[0]) != nullptr ? 0 : 1;
    }
    if (std::strcmp(mode, "close") == 0 && count == 1) {
        PostMessageA(FindWindowA(nullptr, args[0]), WM_CLOSE, 0, 0);
        return 0;
    }
    if (std::strcmp(mode, "close-all") == 0) {
        EnumWindows(CloseOurWindow, 0);
        return 0;
    }
    if (std::strcmp(mode, "forget-icon") == 0) {
        return ForgetIcon();
    }
    if (std::strcmp(mode, "announce-taskbar") == 0) {
        return AnnounceTaskbar();
    }
    if (std::strcmp(mode, "has-icon") == 0 && count == 1) {
        return ReportIcon(args[0]);
    }
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    return RunMode(argc, argv);
}
