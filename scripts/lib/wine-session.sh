# Sourced by the scripts: a Wine prefix of the project's own under build/, a headless X
# server when there is no display, and a wineserver kept alive so each start is quick.
# wine_session_start sets DISPLAY, WINEPREFIX and friends; wine_session_stop undoes it.
# WINE_SESSION_PREFIX picks another prefix, WINE_SESSION_FIRST_DISPLAY the first X display
# number tried for the headless server.
#
# Some machines run no 32-bit Windows program under Wine: their kernel runs no 32-bit x86 code
# (no IA-32 emulation), or the 32-bit Wine could not be installed. scripts/install-deps finds
# out which and records it in build/; everything here follows that record. Debian's wine
# command starts its 32-bit loader first, even for a 64-bit program, so on those machines the
# session puts a wine command of its own first on PATH that starts the 64-bit loader directly:
# 64-bit programs run, 32-bit ones cannot.

WINE_LOADER_32=/usr/lib/wine/wine
WINE_LOADER_64=/usr/lib/wine/wine64
# "runs", or why 32-bit Windows programs cannot run under Wine here; written by install-deps.
WINE_32BIT_RECORD="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/wine32-status"

WINE_SESSION_XVFB_PID=""

# Whether the kernel runs 32-bit x86 programs, asked without Wine, which may not be installed
# yet: a 93-byte static i386 program that only calls exit(0) through int 0x80. A kernel built
# without IA-32 emulation, or booted with ia32_emulation=false, refuses to start it.
kernel_runs_32bit_code() {
    local probe status=0
    mkdir -p "$(dirname "$WINE_32BIT_RECORD")"
    probe="$(mktemp "$(dirname "$WINE_32BIT_RECORD")/i386-probe.XXXXXX")"
    {
        # ELF header: 32-bit, little-endian, an executable for the i386, entry 0x08048054, one
        # program header at offset 52.
        printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
        printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
        printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
        # One PT_LOAD segment: the whole file, readable and executable, at 0x08048000.
        printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
        printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
        # mov eax, 1 (exit); xor ebx, ebx; int 0x80
        printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
    } >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    return $status
}

# Why 32-bit Windows programs cannot run under Wine on this machine, as install-deps found
# and recorded it; nothing where they run. Without its record, the 32-bit loader is asked.
wine_32bit_missing_reason() {
    if [ -f "$WINE_32BIT_RECORD" ]; then
        local status
        status="$(<"$WINE_32BIT_RECORD")"
        [ "$status" = runs ] || echo "$status"
    elif ! "$WINE_LOADER_32" --version >/dev/null 2>&1; then
        echo "the 32-bit Wine loader ($WINE_LOADER_32) does not start here"
    fi
}

wine_runs_32bit() {
    [ -z "$(wine_32bit_missing_reason)" ]
}

# The wine commands (wine, and wine-stable behind wineboot, winepath and the like) as ones that
# start the 64-bit loader, in a folder put first on PATH.
use_64bit_wine_only() {
    local bin="$1/build/wine64-only" name
    mkdir -p "$bin"
    for name in wine wine-stable; do
        printf '#!/bin/sh\nexec %s "$@"\n' "$WINE_LOADER_64" >"$bin/$name"
        chmod +x "$bin/$name"
    done
    case ":$PATH:" in
    *":$bin:"*) ;;
    *) export PATH="$bin:$PATH" ;;
    esac
}

wine_session_start() {
    local root="$1" size="${2:-1280x800x24}"
    export WINEPREFIX="${WINE_SESSION_PREFIX:-$root/build/wineprefix}"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    local missing
    missing="$(wine_32bit_missing_reason)"
    if [ -n "$missing" ]; then
        echo "$missing: only 64-bit programs run under Wine" >&2
        use_64bit_wine_only "$root"
    fi
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
    report_crashes_at_once
}

# A program that crashes under Wine starts Wine's debugger, which by default shows a crash
# dialog and waits for someone to close it: a crashed test would hold its run until the
# timeout. Without the dialog the debugger prints the fault address and a backtrace to the
# program's error output and ends it, so the test fails at once and says where.
report_crashes_at_once() {
    grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null && return
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1 || true
}

wine_session_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$WINE_SESSION_XVFB_PID" ]; then
        kill "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
        wait "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
    fi
}
