// Linked into a copy of the program for the end-to-end tests: the shell refuses the first
// three adds of the tray icon, the one at start and two retries, as a shell busy at logon does.

#include "tests/windows/busy_shell.h"

static const bool busyAtStart = (busy_shell::FailNextAdds(3, busy_shell::FailedAdd::Refused), true);
