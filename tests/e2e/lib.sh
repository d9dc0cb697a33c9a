# Sourced by the end-to-end tests: each test runs the real program in a Wine virtual desktop
# of its own on an X display, drives it with xdotool and looks at it with ImageMagick.
#
# Usage: . lib.sh; e2e_init PROGRAM HELPER. Coordinates given to the e2e_ functions are the
# virtual desktop's (the program's screen coordinates); they are moved to the X screen here.

set -euo pipefail

E2E_WIDTH=1024
E2E_HEIGHT=700
# The helper's coloured window that every test starts first: it keeps the desktop open while
# the program starts and ends, and records the clicks that reach it.
TARGET_TITLE=Target
TARGET_X=40
TARGET_Y=40
TARGET_W=200
TARGET_H=150
TASKBAR_H=20
# Menu layout as this Wine draws it: the item bands above and below the separator.
MENU_BORDER=3
MENU_CHECK_COLUMNS=16

E2E_OWN_SESSION=0
E2E_ORIGIN_X=0
E2E_ORIGIN_Y=0

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "-- $*" >&2
}

# A Windows path for a file of ours: drive C: is the prefix's drive_c, and Wine maps drive Z:
# to the Linux root.
win_path() {
    local path="$1" drive=Z
    if [ -n "${WINEPREFIX:-}" ] && [[ $path == "$WINEPREFIX/drive_c/"* ]]; then
        drive=C path="${path#"$WINEPREFIX/drive_c"}"
    fi
    printf '%s:%s' "$drive" "${path//\//\\}"
}

e2e_init() {
    PROGRAM="$(readlink -f "$1")"
    HELPER="$(readlink -f "$2")"
    local root
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
    if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
        # Run on its own: the project's prefix and, when needed, a headless X server.
        . "$root/scripts/lib/wine-session.sh"
        wine_session_start "$root"
        E2E_OWN_SESSION=1
    fi
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # A locale with a Western code page: the menu's Chinese texts must not depend on it.
    export LANG=en_US.UTF-8 LC_ALL=C
    WORK="$(mktemp -d /tmp/lorvane-e2e.XXXXXX)"
    DESKTOP="lorvane-e2e-$(basename "$0" .sh)-$$"
    trap e2e_cleanup EXIT
    use_cjk_fallback_font
}

# Windows links its menu font to a CJK font for the characters the font lacks; Wine's links
# name Windows fonts, so one of them is given the CJK font installed on this machine.
use_cjk_fallback_font() {
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /d 'WenQuanYi Zen Hei' /f \
        >/dev/null 2>&1
}

# Runs the helper inside the test's desktop; returns at once, the helper goes on alone.
helper() {
    wine explorer "/desktop=$DESKTOP,${E2E_WIDTH}x$E2E_HEIGHT" "$HELPER" "$@" \
        >>"$WORK/wine.log" 2>&1 &
}

desktop_line() {
    xwininfo -root -tree 2>/dev/null | grep -F "\"$DESKTOP - Wine desktop\"" || true
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Every check of what the screen shows or of what another process did goes through here: the
# command is tried again until it succeeds or $1 tenths of a second have passed, and fails
# when its last try failed. A command keeps what it saw last in variables of its own, for the
# failure message.
wait_for() {
    local deadline=$(($(now_ms) + $1 * 100))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

has_file() { [ -s "$1" ]; }
has_desktop() { [ -n "$(desktop_line)" ]; }
has_no_desktop() { [ -z "$(desktop_line)" ]; }

# The desktop with the target window; the X screen position of the desktop is kept.
e2e_start_desktop() {
    helper window "$TARGET_TITLE" FFFF00 $TARGET_X $TARGET_Y $TARGET_W $TARGET_H \
        "$(win_path "$WORK/clicks.txt")"
    wait_for 150 has_desktop || fail "the virtual desktop did not appear"
    wait_for 50 has_file_or_empty "$WORK/clicks.txt" || fail "the target window did not start"
    local origin
    origin="$(desktop_line | grep -oE '\+-?[0-9]+\+-?[0-9]+$')"
    E2E_ORIGIN_X="$(echo "$origin" | cut -d+ -f2)"
    E2E_ORIGIN_Y="$(echo "$origin" | cut -d+ -f3)"
    # A desktop's first start on a busy machine takes seconds before its windows are drawn.
    wait_for 300 target_shown ||
        fail "the target window is not drawn ($TARGET_YELLOW yellow pixels)"
}

TARGET_YELLOW=0
target_shown() {
    shot "$WORK/desktop.png"
    TARGET_YELLOW="$(count_pixels "$WORK/desktop.png" "${TARGET_W}x$TARGET_H+$TARGET_X+$TARGET_Y" \
        "$YELLOW")"
    [ "$TARGET_YELLOW" -gt $((TARGET_W * TARGET_H / 2)) ]
}

has_file_or_empty() { [ -e "$1" ]; }

program_windows() {
    xwininfo -root -tree 2>/dev/null | grep -F '("lorvane.exe"' || true
}

has_overlay() { program_windows | grep -qF '"Lorvane"'; }
has_no_overlay() { ! has_overlay; }

# Starts the program through the helper, which keeps its exit code in exit.txt; in the folder
# given, if one is. The time the overlay was first seen, in milliseconds, is kept in
# OVERLAY_SEEN_MS: the program's timers start with its window.
OVERLAY_SEEN_MS=0
e2e_start_program() {
    rm -f "$WORK/exit.txt"
    helper run "$(win_path "$PROGRAM")" "$(win_path "$WORK/exit.txt")" \
        ${1:+"$(win_path "$1")"}
    wait_for 150 has_overlay ||
        fail "the overlay window did not appear ($(cat "$WORK/exit.txt" 2>/dev/null || echo running))"
    OVERLAY_SEEN_MS="$(now_ms)"
    e2e_expect_roses_moving
}

# Waits until the program's frames are on the screen: two screenshots a moment apart differ,
# as only the falling roses make them. Until then the overlay's window may show nothing of its
# own.
MOVED_PIXELS=0
roses_moving() {
    shot "$WORK/moving-1.png"
    sleep 0.2
    shot "$WORK/moving-2.png"
    MOVED_PIXELS="$(compare -metric AE -fuzz 5% "$WORK/moving-1.png" "$WORK/moving-2.png" null: \
        2>&1 || true)"
    [ "$MOVED_PIXELS" -gt 500 ]
}

e2e_expect_roses_moving() {
    wait_for 150 roses_moving || fail "no falling roses on the screen ($MOVED_PIXELS pixels moved)"
}

e2e_expect_exit_code_zero() {
    wait_for 100 has_file "$WORK/exit.txt" || fail "the program did not end"
    [ "$(cat "$WORK/exit.txt")" = 0 ] || fail "exit code $(cat "$WORK/exit.txt"), expected 0"
    wait_for 50 has_no_overlay || fail "the overlay is still there after the end"
}

e2e_cleanup() {
    local status=$?
    if has_desktop; then
        helper close-all
        wait_for 100 has_no_desktop || true
    fi
    # The screenshots of a failed run are kept for a look.
    if [ "$status" = 0 ]; then
        rm -rf "$WORK"
    else
        note "screenshots kept in $WORK"
    fi
    if [ "$E2E_OWN_SESSION" = 1 ]; then
        wine_session_stop
    fi
    exit $status
}

move_to() {
    xdotool mousemove $(($1 + E2E_ORIGIN_X)) $(($2 + E2E_ORIGIN_Y))
}

click_at() {
    move_to "$1" "$2"
    xdotool click "$3"
    sleep 0.3
}

key() {
    xdotool key "$1"
    sleep 0.3
}

# The desktop as it is on the screen now, in the desktop's own coordinates.
shot() {
    import -window root -crop "${E2E_WIDTH}x$E2E_HEIGHT+$E2E_ORIGIN_X+$E2E_ORIGIN_Y" +repage "$1"
}

# Geometry WxH+X+Y (desktop coordinates) of the program's popup menu, empty when none is open.
menu_geometry() {
    program_windows | grep -vF '"Lorvane"' | grep -vF '"Default IME"' \
        | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+  ' | grep -v '^1x1+' | head -n1 \
        | awk -F'[x+ ]' -v ox="$E2E_ORIGIN_X" -v oy="$E2E_ORIGIN_Y" \
            '{ printf "%dx%d+%d+%d", $1, $2, $3 - ox, $4 - oy }'
}

has_menu() { [ -n "$(menu_geometry)" ]; }
has_no_menu() { [ -z "$(menu_geometry)" ]; }

geometry_part() {
    echo "$1" | awk -F'[x+]' -v part="$2" '{ print $part }'
}

# Number of pixels of an image region for which an ImageMagick fx expression holds.
count_pixels() {
    local image="$1" region="$2" condition="$3"
    convert "$image" -crop "$region" +repage -fx "$condition" -format '%[fx:round(mean*w*h)]' \
        info:
}

YELLOW='r>0.95 && g>0.95 && b<0.05'
# The reds of the roses and of the tray icon, never found on the desktop or the taskbar.
ROSE_RED='r>0.6 && g<0.45 && b<0.5 && r-g>0.3'
LUMA='(0.299*r+0.587*g+0.114*b)'
DARK="$LUMA<0.3"
GREY="$LUMA>=0.45 && $LUMA<0.85"
NOT_WHITE="$LUMA<0.85"

# The menu's two item bands (text of the first and the second item) in a screenshot.
first_item_band() {
    local geometry="$1" w h x y
    w="$(geometry_part "$geometry" 1)" h="$(geometry_part "$geometry" 2)"
    x="$(geometry_part "$geometry" 3)" y="$(geometry_part "$geometry" 4)"
    echo "$((w - 2 * MENU_BORDER))x$((h / 2 - MENU_BORDER - 3))+$((x + MENU_BORDER))+$((y + MENU_BORDER))"
}

second_item_band() {
    local geometry="$1" w h x y
    w="$(geometry_part "$geometry" 1)" h="$(geometry_part "$geometry" 2)"
    x="$(geometry_part "$geometry" 3)" y="$(geometry_part "$geometry" 4)"
    echo "$((w - 2 * MENU_BORDER))x$((h / 2 - MENU_BORDER - 3))+$((x + MENU_BORDER))+$((y + h / 2 + 3))"
}

# Centre of an item band, where a click chooses the item.
band_centre() {
    local w h x y
    w="$(geometry_part "$1" 1)" h="$(geometry_part "$1" 2)"
    x="$(geometry_part "$1" 3)" y="$(geometry_part "$1" 4)"
    echo "$((x + w / 2)) $((y + h / 2))"
}

# The menu must open at the pointer: its corner there, or moved just enough to fit the screen.
expect_menu_at() {
    local px="$1" py="$2" geometry w h x y
    wait_for 100 has_menu || fail "no menu opened at $px,$py"
    geometry="$(menu_geometry)"
    w="$(geometry_part "$geometry" 1)" h="$(geometry_part "$geometry" 2)"
    x="$(geometry_part "$geometry" 3)" y="$(geometry_part "$geometry" 4)"
    # Near the bottom the menu may also be kept above the taskbar, out of the work area.
    local fit_x=$((px < E2E_WIDTH - w ? px : E2E_WIDTH - w))
    local fit_y=$((py < E2E_HEIGHT - h ? py : E2E_HEIGHT - h))
    local fit_work_y=$((py < E2E_HEIGHT - TASKBAR_H - h ? py : E2E_HEIGHT - TASKBAR_H - h))
    { [ "$x" = "$fit_x" ] || [ "$x" = $((px - w)) ]; } \
        || fail "menu $geometry does not start at the pointer's x $px"
    { [ "$y" = "$fit_y" ] || [ "$y" = "$fit_work_y" ] || [ "$y" = $((py - h)) ]; } \
        || fail "menu $geometry does not start at the pointer's y $py"
    note "menu $geometry for the pointer at $px,$py"
}

# Waits until the open menu is drawn, its first item on the light ground of a menu, and leaves
# the screenshot in the file given: the menu's window is there a moment before its drawing.
MENU_LIGHT=0
menu_drawn() {
    local band
    shot "$1"
    band="$(first_item_band "$(menu_geometry)")"
    MENU_LIGHT="$(count_pixels "$1" "$band" "$LUMA>=0.85")"
    [ "$MENU_LIGHT" -gt $(($(geometry_part "$band" 1) * $(geometry_part "$band" 2) / 2)) ]
}

expect_menu_drawn() {
    wait_for 100 menu_drawn "$1" ||
        fail "the menu is not drawn ($MENU_LIGHT light pixels in its first item)"
}

# Chooses a menu item (1 or 2) of the open menu with a left click.
choose_item() {
    local geometry band
    geometry="$(menu_geometry)"
    [ -n "$geometry" ] || fail "no menu to choose from"
    if [ "$1" = 1 ]; then band="$(first_item_band "$geometry")"; else band="$(second_item_band "$geometry")"; fi
    # shellcheck disable=SC2046
    click_at $(band_centre "$band") 1
}

# The tray icon's place in Wine's taskbar: the last slot at its right end, one small icon
# with a 2-pixel border on each side, the taskbar being the bottom 20 pixels.
TRAY_SLOT="20x$TASKBAR_H+$((E2E_WIDTH - 20))+$((E2E_HEIGHT - TASKBAR_H))"
TRAY_X=$((E2E_WIDTH - 10))
TRAY_Y=$((E2E_HEIGHT - TASKBAR_H / 2))
# Empty taskbar left of the slot: when roses pass over the tray, red shows there too.
TRAY_NEIGHBOURHOOD="80x$TASKBAR_H+$((E2E_WIDTH - 110))+$((E2E_HEIGHT - TASKBAR_H))"

tray_clear_of_roses() {
    shot "$WORK/tray.png"
    [ "$(count_pixels "$WORK/tray.png" "$TRAY_NEIGHBOURHOOD" "$ROSE_RED")" = 0 ]
}

# Red rose pixels in the tray slot, read at a moment when no rose floats over the taskbar.
tray_icon_red_pixels() {
    wait_for 100 tray_clear_of_roses || fail "roses kept covering the taskbar"
    count_pixels "$WORK/tray.png" "$TRAY_SLOT" "$ROSE_RED"
}

tray_shows_icon() { [ "$(tray_icon_red_pixels)" -gt 20 ]; }
tray_shows_no_icon() { [ "$(tray_icon_red_pixels)" = 0 ]; }

# Asks the shell through the helper whether it holds the program's icon: prints 1 or 0.
shell_has_icon() {
    rm -f "$WORK/icon.txt"
    helper has-icon "$(win_path "$WORK/icon.txt")"
    wait_for 100 has_file "$WORK/icon.txt" || fail "the helper did not answer"
    cat "$WORK/icon.txt"
}

expect_shell_icon() {
    wait_for 300 shell_icon_is "$1" || fail "the shell holds the icon: $SHELL_ICON, expected $1"
}

SHELL_ICON=""
shell_icon_is() {
    SHELL_ICON="$(shell_has_icon)"
    [ "$SHELL_ICON" = "$1" ]
}

# Pixels that differ between a region of the later shot and the same region of the earlier
# shot moved down by dy: the roses' trace when they did not fall by exactly dy.
SHIFT_X=300
SHIFT_Y=260
shift_difference() {
    local earlier="$1" later="$2" dy="$3" w=$((E2E_WIDTH - SHIFT_X)) h=$((E2E_HEIGHT - 40 - SHIFT_Y))
    convert \( "$earlier" -crop "${w}x$h+$SHIFT_X+$((SHIFT_Y - dy))" +repage \) \
        \( "$later" -crop "${w}x$h+$SHIFT_X+$SHIFT_Y" +repage \) \
        -compose difference -composite -colorspace gray -threshold 10% \
        -format '%[fx:round(mean*w*h)]' info:
}

# The fall, a multiple of the 5-pixel step, that best maps the earlier shot onto the later.
best_fall() {
    local earlier="$1" later="$2" best=0 best_difference=-1 difference
    for dy in $(seq 0 5 250); do
        difference="$(shift_difference "$earlier" "$later" "$dy")"
        if [ "$best_difference" -lt 0 ] || [ "$difference" -lt "$best_difference" ]; then
            best=$dy best_difference=$difference
        fi
    done
    echo "$best $best_difference"
}

# A screenshot to the file given; prints the time it was taken, in milliseconds.
timed_shot() {
    local before after
    before="$(now_ms)"
    shot "$1"
    after="$(now_ms)"
    echo $(((before + after) / 2))
}

# The roses fall straight down at about 50 pixels a second: the later of two screenshots is
# the earlier one moved down, by about 50 pixels for each second between them.
expect_roses_falling() {
    local first_time second_time fall rest standing elapsed speed
    first_time="$(timed_shot "$WORK/fall-first.png")"
    sleep 2
    second_time="$(timed_shot "$WORK/fall-second.png")"
    read -r fall rest <<<"$(best_fall "$WORK/fall-first.png" "$WORK/fall-second.png")"
    standing="$(shift_difference "$WORK/fall-first.png" "$WORK/fall-second.png" 0)"
    elapsed=$((second_time - first_time))
    note "fall $fall px in $elapsed ms; $rest pixels left over, $standing without the fall"
    [ "$rest" -lt $((standing / 5)) ] || fail "the later picture is not the earlier one moved down"
    speed=$((fall * 1000 / elapsed))
    [ "$speed" -ge 25 ] && [ "$speed" -le 75 ] || fail "the roses fall $speed pixels a second"
}
