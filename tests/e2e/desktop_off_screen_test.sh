#!/usr/bin/env bash
# Started while the user's desktop is off the screen, as in a locked session: a copy of the
# program that for its first twelve seconds finds another desktop in front, then a secure one
# it may not open, then a screen it cannot copy. No overlay covers the screen meanwhile; once the desktop is
# back, the still picture is that desktop, with a window opened while the program waited, and
# not black. Escape then ends the program.
. "$(dirname "$0")/lib.sh"
e2e_init "$(dirname "$2")/desktop-off-screen/lorvane.exe" "$2"

LATER_TITLE=Later
LATER="200x150+600+300"
has_later_window() { xwininfo -root -tree 2>/dev/null | grep -qF "\"$LATER_TITLE\""; }

e2e_start_desktop
rm -f "$WORK/exit.txt"
helper run "$(win_path "$PROGRAM")" "$(win_path "$WORK/exit.txt")"
helper window "$LATER_TITLE" 00FFFF 600 300 200 150 "$(win_path "$WORK/later-clicks.txt")"
wait_for 100 has_later_window || fail "the later window did not open"
has_no_overlay || fail "the overlay came while the desktop was off the screen"

wait_for 300 has_overlay || fail "the overlay did not come once the desktop was back"
e2e_expect_roses_moving
picture_shows_both_windows() {
    shot "$WORK/picture.png"
    cyan="$(count_pixels "$WORK/picture.png" "$LATER" 'r<0.05 && g>0.95 && b>0.95')"
    yellow="$(count_pixels "$WORK/picture.png" "${TARGET_W}x$TARGET_H+$TARGET_X+$TARGET_Y" \
        "$YELLOW")"
    [ "$cyan" -gt $((200 * 150 / 2)) ] && [ "$yellow" -gt $((TARGET_W * TARGET_H / 2)) ]
}
wait_for 100 picture_shows_both_windows ||
    fail "the picture lacks a window: $cyan pixels of the later window, $yellow of the target"

click_at 400 500 1
key Escape
e2e_expect_exit_code_zero
