#!/usr/bin/env bash
# A double click adds a rose centred on the pointer: once the fall between two screenshots is
# taken out, what is new in the later one is a rose around the clicked point. "退出" from the
# overlay's menu then ends the program with exit code 0.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"

# Bounding box WxH+X+Y, within a region, of what the later shot adds to the earlier one moved
# down by dy.
added_box() {
    local earlier="$1" later="$2" dy="$3" region="$4" w h x y
    w="$(geometry_part "$region" 1)" h="$(geometry_part "$region" 2)"
    x="$(geometry_part "$region" 3)" y="$(geometry_part "$region" 4)"
    convert \( "$earlier" -crop "${w}x$h+$x+$((y - dy))" +repage \) \
        \( "$later" -crop "${w}x$h+$x+$y" +repage \) \
        -compose difference -composite -colorspace gray -threshold 10% -format '%@' info:
}

e2e_start_desktop
e2e_start_program
px=620 py=430
move_to $px $py
shot "$WORK/before.png"
xdotool click --repeat 2 --delay 80 1
rose_added() {
    shot "$WORK/after.png"
    read -r fall rest <<<"$(best_fall "$WORK/before.png" "$WORK/after.png")"
    box="$(added_box "$WORK/before.png" "$WORK/after.png" "$fall" \
        "440x440+$((px - 220))+$((py - 220))")"
    w="$(geometry_part "$box" 1)" h="$(geometry_part "$box" 2)"
    [ "$w" -ge 50 ] && [ "$h" -ge 50 ]
}
wait_for 100 rose_added || fail "no rose added at the point: $box"
note "fall $fall px; added $box in the region around the point"
cx=$((px - 220 + $(geometry_part "$box" 3) + w / 2))
cy=$((py - 220 + $(geometry_part "$box" 4) + h / 2))
note "the new rose is centred at $cx,$cy"
# Within the pictures' transparent margins, and lower by the fall since the click.
[ $((cx - px)) -ge -12 ] && [ $((cx - px)) -le 12 ] || fail "rose centre x $cx, clicked $px"
[ $((cy - py)) -ge -12 ] && [ $((cy - py)) -le $((fall + 12)) ] || fail "rose centre y $cy, clicked $py"

click_at 300 300 3
expect_menu_at 300 300
choose_item 2
e2e_expect_exit_code_zero
