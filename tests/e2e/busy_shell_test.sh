#!/usr/bin/env bash
# A shell too busy to take the tray icon at start, as at logon, where no "TaskbarCreated"
# follows: a copy of the program whose shell refuses the first three adds, the one at start and
# the retries 5 and 10 seconds later. The roses fall meanwhile; the next retry adds the icon,
# once; and "退出" from it ends the program and takes the icon away.
. "$(dirname "$0")/lib.sh"
e2e_init "$(dirname "$2")/busy-shell/lorvane.exe" "$2"

e2e_start_desktop
e2e_start_program
[ "$(shell_has_icon)" = 0 ] || fail "the shell holds the icon it refused"

# After the first retry, which the shell refused too, and well before the third: the roses'
# fall is measured after this, since on a busy machine measuring it takes seconds.
left=$((OVERLAY_SEEN_MS + 5500 - $(now_ms)))
[ "$left" -le 0 ] || sleep "$((left / 1000)).$(printf '%03d' $((left % 1000)))"
[ "$(shell_has_icon)" = 0 ] || fail "the shell holds the icon it refused again"
expect_roses_falling
expect_shell_icon 1

# The taskbar shows through the layered overlay: one rose icon in the tray, the slots beside
# it empty, and the tray's menu ends the program.
click_at 500 300 3
expect_menu_at 500 300
choose_item 1
wait_for 100 has_no_menu || fail "the menu stayed open"
wait_for 100 tray_shows_icon || fail "no rose icon in the tray"
click_at $TRAY_X $TRAY_Y 1
expect_menu_at $TRAY_X $TRAY_Y
choose_item 2
e2e_expect_exit_code_zero
expect_shell_icon 0
wait_for 100 tray_shows_no_icon || fail "the tray icon is still shown"
