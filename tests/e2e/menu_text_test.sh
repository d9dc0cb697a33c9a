#!/usr/bin/env bash
# A right click opens the menu at the pointer, and under a Western locale its two items read
# "启用鼠标穿透" and "退出": each item's text matches, pixel for pixel, the same characters
# drawn by the helper in the menu font, and those drawings are real glyphs, not the boxes of a
# missing font (which all look alike). Escape closes the menu, a second Escape ends the program.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"

# Text pixels only, cut to their bounding box.
ink() {
    convert "$1" -crop "$2" +repage -colorspace gray -threshold 50% -trim +repage "$3"
}

# The glyphs of a line, left to right, as column ranges "first last" separated by blank columns.
glyph_columns() {
    convert "$1" -negate -scale "$(identify -format %w "$1")x1!" -threshold 0 txt:- \
        | awk -F'[,:]' 'NR > 1 { ink = ($0 !~ /#000000|black|gray\(0\)/);
              if (ink && start < 0) start = $1;
              if (!ink && start >= 0) { print start, $1 - 1; start = -1 } }
              BEGIN { start = -1 } END { if (start >= 0) print start, $1 }'
}

glyph() {
    local first last
    read -r first last <<<"$(glyph_columns "$1" | sed -n "${2}p")"
    convert "$1" -crop "$((last - first + 1))x1000+$first+0" +repage "$3"
}

# The reference texts, taken before the roses can fall over them: the first has six characters.
references_drawn() {
    shot "$WORK/reference.png"
    ink "$WORK/reference.png" "300x40+600+100" "$WORK/reference-1.png"
    ink "$WORK/reference.png" "300x40+600+140" "$WORK/reference-2.png"
    glyphs="$(glyph_columns "$WORK/reference-1.png" | wc -l)"
    [ "$glyphs" -ge 5 ]
}

# Whether both items of the open menu show the reference texts, pixel for pixel.
items_show_texts() {
    local geometry
    shot "$WORK/menu.png"
    geometry="$(menu_geometry)"
    ink "$WORK/menu.png" "$(first_item_band "$geometry")" "$WORK/menu-1.png"
    ink "$WORK/menu.png" "$(second_item_band "$geometry")" "$WORK/menu-2.png"
    for item in 1 2; do
        sizes="$(identify -format '%wx%h ' "$WORK/menu-$item.png" "$WORK/reference-$item.png")"
        differing="$(compare -metric AE "$WORK/menu-$item.png" "$WORK/reference-$item.png" \
            null: 2>&1 || true)"
        [ "$differing" = 0 ] || return 1
    done
}

e2e_start_desktop
helper menu-texts 600 100
wait_for 100 references_drawn || fail "too few glyphs in the text: $glyphs"
e2e_start_program

click_at 300 420 3
expect_menu_at 300 420
wait_for 100 items_show_texts || fail "item $item does not show its text ($sizes, $differing differ)"
note "item texts and references: $sizes"
glyph "$WORK/reference-1.png" 1 "$WORK/glyph-1.png"
glyph "$WORK/reference-1.png" 2 "$WORK/glyph-2.png"
alike="$(compare -metric AE "$WORK/glyph-1.png" "$WORK/glyph-2.png" null: 2>&1 || true)"
[ "$alike" != 0 ] || fail "the first two characters look alike: boxes of a missing font"

key Escape
wait_for 100 has_no_menu || fail "Escape did not close the menu"
has_overlay || fail "the first Escape ended the program"
click_at 300 420 1
key Escape
e2e_expect_exit_code_zero
