#!/usr/bin/env bash
# When the taskbar is re-created the tray icon comes back. Wine's explorer owns the virtual
# desktop, so it cannot be restarted alone; the helper plays a restarted shell instead: it
# removes the icon, as a new shell would not know it, then broadcasts "TaskbarCreated" to the
# top-level windows. The icon is seen in the layered mode, where the taskbar shows through.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start_desktop
e2e_start_program
click_at 500 300 3
expect_menu_at 500 300
choose_item 1
wait_for 100 has_no_menu || fail "the menu stayed open"

expect_shell_icon 1
wait_for 100 tray_shows_icon || fail "no rose icon in the tray"
helper forget-icon
expect_shell_icon 0
wait_for 100 tray_shows_no_icon || fail "the icon was not removed"

helper announce-taskbar
expect_shell_icon 1
wait_for 100 tray_shows_icon || fail "the icon did not come back"
click_at $TRAY_X $TRAY_Y 1
expect_menu_at $TRAY_X $TRAY_Y
choose_item 2
e2e_expect_exit_code_zero
