# shellcheck shell=bash
# Sourced by scripts/run: a desktop that looks lived in (Notepad, WineMine and Clock on a
# coloured background), screenshots of it taken in the background, and the animated GIF made
# from them. Needs a running Wine session (scripts/lib/wine-session.sh) on a headless X server
# of its own, and DEMO_DIR, a folder of its own for the files it makes.
#
# The programs run on Wine's default desktop, the X screen itself, under a compositing manager,
# which blends the click-through overlay's half-transparent edge pixels over the windows below
# as Windows does. Inside Wine's virtual desktop the overlay is a child of a 24-bit X window,
# copied without its alpha, and the roses' soft edges showed as dark fringes. The price is the
# taskbar: Wine shows the tray icon in a small "Wine System Tray" window instead.

DEMO_SIZE=1024x640
DEMO_GIF_WIDTH=640
DEMO_BACKGROUND=2b5876
DEMO_RECORDER_PID=""
DEMO_COMPOSITOR_PID=""

# Fonts for the window frames and the menus, a Chinese fallback for the menu texts, frames
# that Wine draws itself around the three programs (no window manager runs to draw them), and
# where the windows open. Cheap, so every run repeats it.
demo_prepare_prefix() {
    local c="$WINEPREFIX/drive_c"
    # Debian keeps Wine's own fonts outside the prefix, where this Wine does not find them:
    # without Marlett the caption buttons show letters instead of their symbols.
    cp -u /usr/share/wine/fonts/{marlett,tahoma,tahomabd}.ttf "$c/windows/Fonts/"
    mkdir -p "$c/demo"
    printf 'Notes for Friday\r\n\r\n- water the garden\r\n- buy roses\r\n' >"$c/demo/notes.txt"
    cat >"$DEMO_DIR/desktop.reg" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\notepad.exe\\X11 Driver]
"Decorated"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\winemine.exe\\X11 Driver]
"Decorated"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\clock.exe\\X11 Driver]
"Decorated"="N"

[HKEY_CURRENT_USER\\Software\\Microsoft\\Notepad]
"iWindowPosX"=dword:00000030
"iWindowPosY"=dword:00000030
"iWindowPosDX"=dword:00000230
"iWindowPosDY"=dword:00000160
"iPointSize"=dword:00000064
"lfFaceName"="DejaVu Sans Mono"

[HKEY_CURRENT_USER\\Software\\Microsoft\\WinMine]
"Xpos"=dword:00000300
"Ypos"=dword:00000050
EOF
    wine regedit /S "$(winepath -w "$DEMO_DIR/desktop.reg")" >/dev/null 2>&1
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v Tahoma /t REG_MULTI_SZ /d 'wqy-zenhei.ttc,WenQuanYi Zen Hei' /f >/dev/null 2>&1
}

# The X screen's background in a plain colour, then the compositing manager. xcompmgr paints
# the background from the pixmap that the root window's _XROOTPMAP_ID names (where programs
# that set a wallpaper publish it), grey without one; the pixmap must outlive the client that
# made it, hence RetainPermanent.
demo_compose_screen() {
    python3 - "$DEMO_BACKGROUND" <<'PY'
import ctypes, ctypes.util, sys
x = ctypes.CDLL(ctypes.util.find_library("X11"))
x.XOpenDisplay.restype = x.XDefaultGC.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = x.XCreatePixmap.restype = x.XInternAtom.restype = ctypes.c_ulong
XA_PIXMAP, PROP_MODE_REPLACE, RETAIN_PERMANENT = 20, 0, 1
display = ctypes.c_void_p(x.XOpenDisplay(None))
root = ctypes.c_ulong(x.XDefaultRootWindow(display))
pixmap = ctypes.c_ulong(x.XCreatePixmap(display, root, 1, 1, 24))
gc = ctypes.c_void_p(x.XDefaultGC(display, 0))
x.XSetForeground(display, gc, ctypes.c_ulong(int(sys.argv[1], 16)))
x.XFillRectangle(display, pixmap, gc, 0, 0, 1, 1)
atom = ctypes.c_ulong(x.XInternAtom(display, b"_XROOTPMAP_ID", 0))
x.XChangeProperty(display, root, atom, ctypes.c_ulong(XA_PIXMAP), 32, PROP_MODE_REPLACE,
                  ctypes.byref(pixmap), 1)
x.XSetWindowBackgroundPixmap(display, root, pixmap)
x.XClearWindow(display, root)
x.XSetCloseDownMode(display, RETAIN_PERMANENT)
x.XCloseDisplay(display)
PY
    xcompmgr >>"$DEMO_DIR/xcompmgr.log" 2>&1 &
    DEMO_COMPOSITOR_PID=$!
}

demo_compose_stop() {
    [ -n "$DEMO_COMPOSITOR_PID" ] || return 0
    kill "$DEMO_COMPOSITOR_PID" 2>/dev/null || true
    wait "$DEMO_COMPOSITOR_PID" 2>/dev/null || true
    DEMO_COMPOSITOR_PID=""
}

demo_start() {
    wine "$@" >>"$DEMO_DIR/wine.log" 2>&1 &
}

demo_wait_window() {
    for _ in $(seq 300); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "no window named '$1' appeared" >&2
    return 1
}

demo_wait_window_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "the window named '$1' did not close" >&2
    return 1
}

demo_open_windows() {
    demo_start notepad 'C:\demo\notes.txt'
    demo_wait_window 'Notepad$'
    demo_start winemine
    demo_wait_window '^WineMine$'
    demo_start clock
    demo_wait_window '^Clock$'
    # Clock opens at the top-left corner and keeps no position: drag it by its title bar.
    xdotool mousemove 60 12 mousedown 1 sleep 0.2 mousemove 400 200 sleep 0.2 \
        mousemove 780 352 sleep 0.2 mouseup 1
    sleep 0.5
}

# Prints the centre of the first icon in Wine's "Wine System Tray" window.
demo_tray_icon() {
    local w
    w=$(xdotool search --onlyvisible --name '^Wine System Tray$' | head -n1)
    xwininfo -id "$w" | awk '/Absolute upper-left X/ { x = $NF }
        /Absolute upper-left Y/ { y = $NF } /Height:/ { h = $NF }
        END { print x + int(h / 2), y + int(h / 2) }'
}

demo_visible_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }

# Prints "left top width height" of the popup menu that opened after the window list in
# file $1 was taken: a new window taller than a tooltip.
demo_find_new_menu() {
    local w geometry
    for _ in $(seq 30); do
        for w in $(comm -13 "$1" <(demo_visible_windows)); do
            geometry=$(xwininfo -id "$w" | awk '/Absolute upper-left X/ { x = $NF }
                /Absolute upper-left Y/ { y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF }
                END { if (h > 30) print x, y, w, h }')
            [ -n "$geometry" ] && echo "$geometry" && return 0
        done
        sleep 0.1
    done
    echo "no popup menu opened" >&2
    return 1
}

# Clicks the mouse button $3 at ($1, $2) and then the menu item that opens: "first" or
# "last", after $4 seconds of showing the open menu.
demo_menu_choose() {
    local before="$DEMO_DIR/windows-before" x y w h
    demo_visible_windows >"$before"
    xdotool mousemove "$1" "$2" click "$3"
    read -r x y w h < <(demo_find_new_menu "$before")
    xdotool mousemove $((x + w / 3)) $((y + h / 2))
    sleep "$4"
    case "$5" in
    first) xdotool mousemove $((x + w / 3)) $((y + 12)) ;;
    last) xdotool mousemove $((x + w / 3)) $((y + h - 12)) ;;
    esac
    sleep 0.4
    xdotool click 1
}

# Screenshots of the whole screen, scaled to the GIF's width, about eight a second, each
# listed with the time it was taken, until demo_record_stop.
demo_record_start() {
    rm -rf "$DEMO_DIR/frames" "$DEMO_DIR/stop"
    mkdir -p "$DEMO_DIR/frames"
    (
        i=0
        while [ ! -e "$DEMO_DIR/stop" ]; do
            f=$(printf '%s/frames/%05d.miff' "$DEMO_DIR" "$i")
            import -window root -resize "${DEMO_GIF_WIDTH}x" -depth 8 "$f"
            echo "$(date +%s%N) $f" >>"$DEMO_DIR/frames/list"
            i=$((i + 1))
            sleep 0.07
        done
    ) &
    DEMO_RECORDER_PID=$!
}

demo_record_stop() {
    [ -n "$DEMO_RECORDER_PID" ] || return 0
    touch "$DEMO_DIR/stop"
    wait "$DEMO_RECORDER_PID" || true
    DEMO_RECORDER_PID=""
}

# Each frame is shown for as long as it was on the screen; the last one for two seconds.
# One colour table for all frames and no dithering, so that still parts stay still and
# the optimiser stores only what moved.
demo_make_gif() {
    local out="$1" args=() prev="" last="" t f
    while read -r t f; do
        [ -n "$prev" ] && args+=(-delay "$(((t - prev) / 10000000))" "$last")
        prev="$t"
        last="$f"
    done <"$DEMO_DIR/frames/list"
    args+=(-delay 200 "$last")
    mkdir -p "$(dirname "$out")"
    convert "${args[@]}" +dither +remap -layers Optimize -loop 0 "$out"
}
