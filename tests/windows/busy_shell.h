#pragma once
// A busy shell, for the programs this is linked into: the next adds of a tray icon fail as
// they fail on Windows when the shell does not answer in time. Every other call of
// Shell_NotifyIconA, and every add once those have failed, goes to the real shell.

namespace busy_shell {

enum class FailedAdd {
    Refused,     // the shell never adds the icon
    Late,        // the shell adds it after the caller has stopped waiting
    SlowRefusal, // the shell refuses it, without a time-out, but only after a long wait
};

// Makes the next count adds fail in the given way; 0 ends the failures.
void FailNextAdds(int count, FailedAdd how);

// Every call of Shell_NotifyIconA so far, whatever its message.
int Calls();

} // namespace busy_shell
