#pragma once
// The user's desktop off the screen, for the programs this is linked into, as when the session
// is locked, a UAC prompt is shown or a remote session is away: the next looks at the desktop
// that takes the input find another one in front, or a secure one that cannot be opened, behind
// which a copy of the screen succeeds and comes back black; then the next copies of the screen
// fail and come back black. Until a look finds the user's own desktop, the screen measures the
// size an earlier session had. Every other call goes to the real function.

namespace desktop_off_screen {

// The next otherDesktop looks find a desktop of another name in front, the next refused ones
// are refused, and then the next failedCopies copies from the screen fail.
void HideDesktop(int otherDesktop, int refused, int failedCopies);

// Looks and copies still to fail; 0 once the program has met every one.
int FailuresLeft();

} // namespace desktop_off_screen
