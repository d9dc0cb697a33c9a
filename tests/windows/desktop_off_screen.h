#pragma once
// The user's desktop off the screen, for the programs this is linked into, as when the session
// is locked or a UAC prompt is shown: the next looks at the desktop that takes the input find
// another one in front, or none that can be opened, and the next copies of the screen fail and
// come back black. Every other call goes to the real function.

namespace desktop_off_screen {

// The next otherDesktop looks find a desktop of another name in front, the next refused ones
// are refused, and the next failedCopies copies from the screen fail.
void HideDesktop(int otherDesktop, int refused, int failedCopies);

// Looks and copies still to fail; 0 once the program has met every one.
int FailuresLeft();

} // namespace desktop_off_screen
