#!/usr/bin/env bash
# The first frame shows the desktop as it was at start, with roses over it, and keeps showing
# it after the desktop has changed; Escape then ends the program with exit code 0.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start_desktop
shot "$WORK/before.png"
target="${TARGET_W}x$TARGET_H+$TARGET_X+$TARGET_Y"
target_pixels=$((TARGET_W * TARGET_H))

e2e_start_program
roses_over_the_desktop() {
    shot "$WORK/first.png"
    changed="$(compare -metric AE -fuzz 5% "$WORK/before.png" "$WORK/first.png" null: 2>&1 || true)"
    yellow="$(count_pixels "$WORK/first.png" "$target" "$YELLOW")"
    [ "$changed" -gt $((E2E_WIDTH * E2E_HEIGHT / 100)) ] && [ "$yellow" -gt $((target_pixels / 2)) ]
}
wait_for 100 roses_over_the_desktop ||
    fail "no roses over the desktop picture: $changed pixels changed, $yellow of the target"

# Closed after start, the window stays in the picture: the overlay shows the start-time desktop.
has_no_target() { ! xwininfo -root -tree 2>/dev/null | grep -qF "\"$TARGET_TITLE\""; }
helper close "$TARGET_TITLE"
wait_for 100 has_no_target || fail "the target window did not close"
# The time the picture must hold while the roses fall.
sleep 1.5
shot "$WORK/later.png"
yellow="$(count_pixels "$WORK/later.png" "$target" "$YELLOW")"
[ "$yellow" -gt $((target_pixels / 2)) ] || fail "the picture followed the live desktop"
moved="$(compare -metric AE -fuzz 5% "$WORK/first.png" "$WORK/later.png" null: 2>&1 || true)"
[ "$moved" -gt 1000 ] || fail "the roses do not move"

click_at 600 400 1
key Escape
e2e_expect_exit_code_zero
