// Linked into a copy of the program for the end-to-end tests: it starts while the user's
// desktop is off the screen. For five and a half seconds of looks every half second, the
// desktop in front is another one, then none that opens, then the screen cannot be copied.

#include "tests/windows/desktop_off_screen.h"

static const bool offScreenAtStart = (desktop_off_screen::HideDesktop(4, 4, 4), true);
