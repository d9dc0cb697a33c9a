#!/usr/bin/env bash
# "启用鼠标穿透" from the overlay's menu: the live desktop shows between the roses, clicks reach
# the window below, and the tray icon, now reachable through the overlay, opens the menu with
# a left and a right click, the item checked and greyed. "退出" ends with exit code 0 and the
# tray icon goes with the program.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start_desktop
e2e_start_program

click_at 500 300 3
expect_menu_at 500 300
expect_menu_drawn "$WORK/menu-before.png"
item_before="$(first_item_band "$(menu_geometry)")"
choose_item 1
wait_for 100 has_no_menu || fail "the menu stayed open"

# A window opened after start shows through the layered overlay.
later="200x150+600+200"
helper window Later FF00FF 600 200 200 150 "$(win_path "$WORK/later-clicks.txt")"
later_shows_through() {
    shot "$WORK/layered.png"
    magenta="$(count_pixels "$WORK/layered.png" "$later" 'r>0.95 && g<0.05 && b>0.95')"
    [ "$magenta" -gt $((200 * 150 / 3)) ]
}
wait_for 100 later_shows_through ||
    fail "the live desktop does not show through ($magenta magenta pixels of the later window)"

# Clicks pass through the overlay, roses included, to the window below.
click_at 140 115 1
wait_for 100 has_file "$WORK/clicks.txt" || fail "the click did not reach the target window"
[ "$(cat "$WORK/clicks.txt")" = "100 75" ] || fail "target got clicks: $(cat "$WORK/clicks.txt")"

# The tray icon is visible at the taskbar's end and opens the menu at the pointer.
expect_shell_icon 1
wait_for 100 tray_shows_icon || fail "no rose icon in the tray"
click_at $TRAY_X $TRAY_Y 1
expect_menu_at $TRAY_X $TRAY_Y
expect_menu_drawn "$WORK/menu-after.png"
item_after="$(first_item_band "$(menu_geometry)")"

# The first item is now greyed with a check mark in front of it.
dark_before="$(count_pixels "$WORK/menu-before.png" "$item_before" "$DARK")"
dark_after="$(count_pixels "$WORK/menu-after.png" "$item_after" "$DARK")"
grey_after="$(count_pixels "$WORK/menu-after.png" "$item_after" "$GREY")"
note "first item: dark pixels $dark_before before, $dark_after after; grey after $grey_after"
[ "$dark_before" -gt 40 ] || fail "the first item had no text before"
[ "$dark_after" -lt 5 ] && [ "$grey_after" -gt 40 ] || fail "the first item is not greyed"
check_region() {
    local band="$1" h x y
    h="$(geometry_part "$band" 2)" x="$(geometry_part "$band" 3)" y="$(geometry_part "$band" 4)"
    echo "${MENU_CHECK_COLUMNS}x$h+$x+$y"
}
mark_before="$(count_pixels "$WORK/menu-before.png" "$(check_region "$item_before")" "$NOT_WHITE")"
mark_after="$(count_pixels "$WORK/menu-after.png" "$(check_region "$item_after")" "$NOT_WHITE")"
note "check mark pixels: $mark_before before, $mark_after after"
[ "$mark_before" = 0 ] && [ "$mark_after" -gt 5 ] || fail "no check mark on the first item"

# The greyed item cannot be chosen: the click is ignored and Escape closes the menu.
choose_item 1
has_menu || fail "clicking the greyed item closed the menu"
key Escape
wait_for 100 has_no_menu || fail "Escape did not close the menu"
has_overlay || fail "the program ended"

click_at $TRAY_X $TRAY_Y 3
expect_menu_at $TRAY_X $TRAY_Y
choose_item 2
e2e_expect_exit_code_zero
expect_shell_icon 0
wait_for 100 tray_shows_no_icon || fail "the tray icon is still shown"
