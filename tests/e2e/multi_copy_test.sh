#!/usr/bin/env bash
# Two copies at once: both run, each with its own tray icon, and ending one through its tray
# menu leaves the other running with its icon. The shell is asked which icons it holds.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
CENSUS="$(dirname "$HELPER")/icon_census.exe"

# Prints "<overlays> <icons held by the shell>" as seen inside the test's desktop.
census() {
    rm -f "$WORK/census.txt"
    wine explorer "/desktop=$DESKTOP,${E2E_WIDTH}x$E2E_HEIGHT" "$CENSUS" \
        "$(win_path "$WORK/census.txt")" >>"$WORK/wine.log" 2>&1 &
    wait_for 100 has_file "$WORK/census.txt" || fail "no census"
    cat "$WORK/census.txt"
}
census_is() {
    seen="$(census)"
    [ "$seen" = "$1" ]
}
exit_count() { find "$WORK" -name 'exit-*.txt' -size +0 | wc -l; }
ended() { [ "$(exit_count)" = "$1" ]; }

e2e_start_desktop
helper run "$(win_path "$PROGRAM")" "$(win_path "$WORK/exit-first.txt")"
wait_for 150 has_overlay || fail "the first copy's overlay did not appear"
helper run "$(win_path "$PROGRAM")" "$(win_path "$WORK/exit-second.txt")"
wait_for 100 census_is "2 2" || fail "two copies with two icons expected, seen: $seen"

# The copy on top takes the keyboard: Escape ends it alone.
click_at 500 300 1
key Escape
wait_for 100 ended 1 || fail "no copy ended"
[ "$(cat "$WORK"/exit-*.txt)" = 0 ] || fail "the ended copy's exit code is not 0"
sleep 2
ended 1 || fail "the other copy ended too"
wait_for 100 census_is "1 1" || fail "the other copy should run on with its icon, seen: $seen"

click_at 500 300 1
key Escape
wait_for 100 ended 2 || fail "the remaining copy did not end"
wait_for 100 census_is "0 0" || fail "an overlay or icon is left, seen: $seen"
