// Linked into a copy of the program for the end-to-end tests: it starts while the user's
// desktop is off the screen. For twelve seconds of looks every half second (long enough for
// the test to open a window meanwhile on a busy machine), the desktop in front is another one,
// then a secure one that does not open, then the screen cannot be copied.

#include "tests/windows/desktop_off_screen.h"

static const bool offScreenAtStart = (desktop_off_screen::HideDesktop(8, 8, 8), true);
