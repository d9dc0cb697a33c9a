#!/usr/bin/env bash
# The exe is linked statically and runs on Windows 7: every name it imports is one that
# Windows 7's system DLLs export (windows7-imports.txt), so that no toolchain or code change
# raises the oldest Windows it runs on unnoticed. That holds for the DLLs it loads on first
# use too, read from their delay-import descriptors. It is also terminal-server aware and
# large-address aware, and a release exe carries no debug sections.
# Usage: imports_test.sh OBJDUMP EXE [BUILD_TYPE]
set -euo pipefail
objdump="$1" exe="$2" build_type="${3:-}"
list="$(dirname "$0")/windows7-imports.txt"
export LC_ALL=C
failed=0
fail() { echo "FAILED: $1"; failed=1; }

headers=$("$objdump" -p "$exe")
# One "dll name" line per import; Windows matches DLL names in any case.
imports=$(awk '/^The Import Tables/ { on = 1; next }
               /^[A-Z]/ { on = 0 }
               on && /DLL Name:/ { dll = tolower($3); next }
               on && /^\t/ && !/vma:/ { print dll, $NF }' <<<"$headers" | sort -u)
[ -n "$imports" ] || fail "no import table found in $exe"

delayed=$(python3 "$(dirname "$0")/delay_imports.py" list "$exe")
[ -n "$delayed" ] || fail "no delay-loaded function found in $exe"
imports=$( (echo "$imports"; echo "$delayed") | sort -u)

while read -r dll name; do
    fail "$dll $name is imported but not in $(basename "$list")"
done < <(comm -23 <(echo "$imports") <(grep -v '^#' "$list" | sort -u) | grep .)

characteristics=$(awk '$1 == "Characteristics" { print $2 }' <<<"$headers")
(( characteristics & 0x20 )) ||
    fail "not large-address aware (Characteristics $characteristics lacks 0x20)"
dll_characteristics=$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$headers")
(( 16#${dll_characteristics:-0} & 0x8000 )) ||
    fail "not terminal-server aware (DllCharacteristics 0x$dll_characteristics lacks 0x8000)"

if [[ $build_type =~ ^(Release|MinSizeRel)$ ]]; then
    debug=$("$objdump" -h "$exe" | awk '$2 ~ /^\.debug/ { printf " %s", $2 }')
    [ -z "$debug" ] || fail "debug sections left in the release exe:$debug"
fi

[ $failed -eq 0 ] &&
    echo "$(wc -l <<<"$imports") imports ($(wc -l <<<"$delayed") delay-loaded), all on Windows 7; header flags set"
exit $failed
