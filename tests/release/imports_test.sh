#!/usr/bin/env bash
# The exe is linked statically: it may import only DLLs that every Windows has.
# Usage: imports_test.sh OBJDUMP EXE
set -euo pipefail
objdump="$1" exe="$2"
allowed='^(kernel32|user32|gdi32|gdiplus|ole32|shell32|msvcrt)\.dll$'
imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || { echo "no import table found in $exe"; exit 1; }
bad=$(grep -v -E "$allowed" <<<"$imports" || true)
if [ -n "$bad" ]; then
    echo "unexpected imports:"
    echo "$bad"
    exit 1
fi
echo "imports: $(tr '\n' ' ' <<<"$imports")"
