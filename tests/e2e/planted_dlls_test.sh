#!/usr/bin/env bash
# DLLs planted beside the program, as a web page may leave them in Downloads where the user
# unzips it: started from that folder, the program takes the DLLs that it and the system DLLs
# load by name from the system folder, so none of the planted ones runs inside it, and it
# works as ever: roses, the menu, click-through, the tray menu and exit.
# Usage: planted_dlls_test.sh PROGRAM HELPER PLANTED_DLL
. "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"
planted="$(readlink -f "$3")"

# The names that Wine loads from the program's folder for this program, if they are there:
# shcore with shell32 and GDI+ at start, propsys while the pictures are decoded.
NAMES="shcore propsys"
# Wine only: Wine's GDI+ reaches its imaging codecs, and they propsys, through delay imports
# that Wine's loader resolves without the program's DLL search folders. Windows' GDI+ does not
# load them, so that one is reported, not failed.
WINE_ONLY="propsys"

# A fresh folder on drive C:, holding the program and the planted DLLs.
folder="$WINEPREFIX/drive_c/$(basename "$WORK")"
mkdir "$folder"
cp "$PROGRAM" "$folder/lorvane.exe"
for name in $NAMES; do cp "$planted" "$folder/$name.dll"; done
PROGRAM="$folder/lorvane.exe"

roses_shown() {
    shot "$WORK/roses.png"
    [ "$(count_pixels "$WORK/roses.png" "${E2E_WIDTH}x$((E2E_HEIGHT - TASKBAR_H))+0+0" \
        "$ROSE_RED")" -gt 100 ]
}

e2e_start_desktop
# The planted DLL leaves its mark when a program of its bitness loads it.
cp "$planted" "$WORK/control.dll"
helper load "$(win_path "$WORK/control.dll")"
wait_for 100 has_file_or_empty "$WORK/control.dll.ran" || fail "a loaded planted DLL leaves no mark"

e2e_start_program "$folder"
wait_for 50 roses_shown || fail "no roses on the screen"
click_at 500 300 3
expect_menu_at 500 300
choose_item 1
wait_for 30 has_no_menu || fail "the menu stayed open"
click_at 140 115 1
wait_for 30 has_file "$WORK/clicks.txt" || fail "the click did not pass through to the target window"
wait_for 30 tray_shows_icon || fail "no rose icon in the tray"
click_at $TRAY_X $TRAY_Y 3
expect_menu_at $TRAY_X $TRAY_Y
choose_item 2
e2e_expect_exit_code_zero

ran=""
for name in $NAMES; do
    if [ -e "$folder/$name.dll.ran" ]; then ran="$ran $name"; fi
done
note "planted DLLs that ran in the program:${ran:- none}"
for name in $ran; do
    [[ " $WINE_ONLY " == *" $name "* ]] || fail "the planted $name.dll ran inside the program"
    note "$name.dll ran through Wine's own delay imports (Wine only)"
done
rm -rf "$folder"
