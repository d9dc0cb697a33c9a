#pragma once
// Waiting for what happens outside the test's own call: a frame reaching the X server, the
// shell taking an icon, a timer's tick. The check reads again until its condition holds or the
// deadline passes, handling the thread's messages between reads as the message loop does.

#include <windows.h>

namespace look_again {

// Long enough for a freshly made Wine prefix on a machine with every core busy; a check that
// passes returns as soon as its condition holds.
constexpr DWORD DEADLINE_MS = 10000;

// Reads until holds(value read) or the deadline passes, and returns the last value read, so
// that the check made on it shows what was seen last. A message that came during the wait is
// read before it is dispatched.
template <typename Read, typename Holds>
auto LookAgain(Read read, Holds holds, DWORD deadlineMs = DEADLINE_MS) {
    const DWORD start = GetTickCount();
    auto seen = read();
    while (!holds(seen) && GetTickCount() - start < deadlineMs) {
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // Waiting on the queue is also when Wine hands the windows' drawing to the X server.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        seen = read();
    }
    return seen;
}

// For a read that is itself the condition.
inline bool Held(bool seen) {
    return seen;
}

} // namespace look_again
