// Takes the place of the import of Shell_NotifyIconA: the program's calls go through the
// import's address, so defining that address here sends them to FailOrPassOn, which reaches
// the real function through shell32 itself. Linked only into test programs.

#include <windows.h>
#include <shellapi.h>

#include "tests/windows/busy_shell.h"

namespace {

int addsToFail = 0;
busy_shell::FailedAdd failure = busy_shell::FailedAdd::Refused;

BOOL CallRealShell(DWORD message, PNOTIFYICONDATAA data) {
    using ShellNotifyIcon = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
    static const auto real = reinterpret_cast<ShellNotifyIcon>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("shell32.dll"), "Shell_NotifyIconA")));
    return real(message, data);
}

BOOL WINAPI FailOrPassOn(DWORD message, PNOTIFYICONDATAA data) {
    if (message != NIM_ADD || addsToFail == 0) {
        return CallRealShell(message, data);
    }
    --addsToFail;
    if (failure == busy_shell::FailedAdd::Late) {
        CallRealShell(message, data);
    }
    // What a shell that did not answer within its time leaves behind.
    SetLastError(ERROR_TIMEOUT);
    return FALSE;
}

} // namespace

// The import's address under the name the linker looks for; being defined here, the import
// library's own is never linked in.
#if defined(_WIN64)
extern "C" decltype(&FailOrPassOn) importedShellNotifyIcon __asm__("__imp_Shell_NotifyIconA");
#else
extern "C" decltype(&FailOrPassOn) importedShellNotifyIcon __asm__("__imp__Shell_NotifyIconA@8");
#endif
decltype(&FailOrPassOn) importedShellNotifyIcon = FailOrPassOn;

namespace busy_shell {

void FailNextAdds(int count, FailedAdd how) {
    addsToFail = count;
    failure = how;
}

} // namespace busy_shell
