# Sourced by the benchmark scripts: builds the 32-bit program and the benchmark helpers (the
# 64-bit ones on a machine that runs no 32-bit code) in a build folder of their own, and runs
# them in a Wine prefix and a headless X server of their own. Every process started here
# carries BENCH_MARK in its environment: Wine detaches its processes, so CPU time and memory
# are found by that mark, not by parentage.
#
# Settings (environment): BENCH_BUILD (default build/bench-mingw32, or -mingw64), BENCH_PREFIX
# (default build/bench-wineprefix), BENCH_DISPLAY (an X display number; default: the first free one
# from 120 up), BENCH_SIZE (default 1920x1080).

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/scripts/lib/wine-session.sh"
if wine_runs_32bit; then
    bench_toolchain=mingw-i686.cmake build="${BENCH_BUILD:-$root/build/bench-mingw32}"
else
    use_64bit_wine_only "$root"
    bench_toolchain=mingw-x86_64.cmake build="${BENCH_BUILD:-$root/build/bench-mingw64}"
fi
size="${BENCH_SIZE:-1920x1080}"
bench_xvfb_pid=""
ticks_per_second=$(getconf CLK_TCK)

bench_build() {
    [ -f "$build/build.ninja" ] ||
        cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/$bench_toolchain" \
            -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j2 --target lorvane "$@" >/dev/null
}

bench_session_start() {
    export WINEPREFIX="${BENCH_PREFIX:-$root/build/bench-wineprefix}"
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    local n="${BENCH_DISPLAY:-120}"
    if [ -z "${BENCH_DISPLAY:-}" ]; then
        while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    fi
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    bench_xvfb_pid=$!
    export DISPLAY=":$n"
    # After the X server, which is measured apart.
    export BENCH_MARK="wine-$$"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
    done
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
    wineserver -p >/dev/null 2>&1 || true
    # A first program brings up Wine's own services, so that later starts find Wine running.
    wine "$build/tests/benchmarks/post_command.exe" 1 >/dev/null 2>&1 || true
    trap bench_session_stop EXIT
}

bench_session_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$bench_xvfb_pid" ]; then
        kill "$bench_xvfb_pid" 2>/dev/null || true
        wait "$bench_xvfb_pid" 2>/dev/null || true
    fi
}

# The processes whose environment holds BENCH_MARK=$1.
marked_pids() {
    local pid
    for pid in /proc/[0-9]*; do
        tr '\0' '\n' 2>/dev/null <"$pid/environ" | grep -qx "BENCH_MARK=$1" && echo "${pid#/proc/}"
    done
}

# User and system CPU time, in clock ticks, of the given processes together.
cpu_ticks() {
    local total=0 pid fields
    for pid in "$@"; do
        fields=$(sed 's/^.*) //' "/proc/$pid/stat" 2>/dev/null) || continue
        set -- $fields
        total=$((total + ${12} + ${13}))
    done
    echo "$total"
}

# The marked process whose command line names $2; empty when there is none.
marked_pid_running() {
    local pid
    for pid in $(marked_pids "$1"); do
        tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -q "$2" && echo "$pid" && return
    done
}

post_command() {
    wine "$build/tests/benchmarks/post_command.exe" "$1" >/dev/null 2>&1
}

# Ends the running program through its exit command and waits until it is gone.
end_program() {
    post_command 2 || true
    for _ in $(seq 100); do
        [ -z "$(marked_pid_running "$BENCH_MARK" lorvane)" ] && return
        sleep 0.1
    done
    echo "the program did not end" >&2
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'
}
