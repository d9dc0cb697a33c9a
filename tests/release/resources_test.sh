#!/usr/bin/env bash
# The exe carries its resources: a manifest declaring it DPI aware (so the screen size and
# the desktop picture are in real pixels on a scaled display), a version naming the program
# with the version set in CMake, and the tray rose as its icon.
# Usage: resources_test.sh EXE VERSION
set -euo pipefail
exe="$1" version="$2"
failed=0
check() {
    if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi
}
manifest=$(wrestool -x --raw -t 24 "$exe")
check "manifest declares DPI awareness" \
    'grep -q "<dpiAware[^>]*>true</dpiAware>" <<<"$manifest" && grep -q "PerMonitorV2" <<<"$manifest"'
strings=$(wrestool -x --raw -t 16 "$exe" | tr -d '\0')
check "version resource names Lorvane" 'grep -aq "ProductNameLorvane" <<<"$strings"'
check "version resource carries $version" 'grep -aq "ProductVersion$version" <<<"$strings"'
check "icon is the 16 x 16 32-bit tray rose" \
    'wrestool -x -t 14 "$exe" | icotool -l - | grep -q -- "--width=16 --height=16 --bit-depth=32"'
exit $failed
