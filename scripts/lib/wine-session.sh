# Sourced by the scripts: a Wine prefix of the project's own under build/, a headless X
# server when there is no display, and a wineserver kept alive so each start is quick.
# wine_session_start sets DISPLAY, WINEPREFIX and friends; wine_session_stop undoes it.
# WINE_SESSION_PREFIX picks another prefix, WINE_SESSION_FIRST_DISPLAY the first X display
# number tried for the headless server.

WINE_SESSION_XVFB_PID=""

wine_session_start() {
    local root="$1" size="${2:-1280x800x24}"
    export WINEPREFIX="${WINE_SESSION_PREFIX:-$root/build/wineprefix}"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ -z "${DISPLAY:-}" ] || [ "${WINE_SESSION_OWN_DISPLAY:-0}" = 1 ]; then
        local n="${WINE_SESSION_FIRST_DISPLAY:-90}"
        while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 "$size" -nolisten tcp >/dev/null 2>&1 &
        WINE_SESSION_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
    fi
    wineserver -p >/dev/null 2>&1 || true
    # Start Wine's background services now, under the persistent server and with no output:
    # started by the first test instead, they would inherit its output pipe and keep ctest
    # waiting on it until the timeout.
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "creating the Wine prefix (first run only)" >&2
        wineboot -i >/dev/null 2>&1 || true
    else
        wineboot >/dev/null 2>&1 || true
    fi
}

wine_session_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$WINE_SESSION_XVFB_PID" ]; then
        kill "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
        wait "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
    fi
}
