// Takes the place of the import of Shell_NotifyIconA, and passes on to the real function every
// call that is not to fail. Linked only into test programs.

#include <windows.h>
#include <shellapi.h>

#include "tests/windows/busy_shell.h"

#include "shell/tray_icon.h"
#include "tests/windows/import_seam.h"

namespace {

int addsToFail = 0;
busy_shell::FailedAdd failure = busy_shell::FailedAdd::Refused;
int calls = 0;

BOOL CallRealShell(DWORD message, PNOTIFYICONDATAA data) {
    static const auto real =
        import_seam::Real<decltype(&Shell_NotifyIconA)>("shell32.dll", "Shell_NotifyIconA");
    return real(message, data);
}

BOOL WINAPI FailOrPassOn(DWORD message, PNOTIFYICONDATAA data) {
    ++calls;
    if (message != NIM_ADD || addsToFail == 0) {
        return CallRealShell(message, data);
    }
    --addsToFail;
    switch (failure) {
    case busy_shell::FailedAdd::SlowRefusal:
        // An answer, without a time-out, but only after the overlay has stopped counting on one.
        Sleep(TRAY_CONFIRM_LIMIT_MS + 300);
        return FALSE;
    case busy_shell::FailedAdd::Late:
        CallRealShell(message, data);
        break;
    case busy_shell::FailedAdd::Refused:
        break;
    }
    // What a shell that did not answer within its time leaves behind.
    SetLastError(ERROR_TIMEOUT);
    return FALSE;
}

} // namespace

REPLACE_IMPORT(Shell_NotifyIconA, 8, FailOrPassOn);

namespace busy_shell {

void FailNextAdds(int count, FailedAdd how) {
    addsToFail = count;
    failure = how;
}

int Calls() {
    return calls;
}

} // namespace busy_shell
