#!/usr/bin/env bash
# What a binary analyser checks in the exe: ASLR (DYNAMIC_BASE) with the relocations it needs
# kept, DEP (NX_COMPAT), on 64-bit ASLR over the whole address space (HIGH_ENTROPY_VA), on
# 32-bit no SEH handlers (NO_SEH), stack protection linked in and called by our code, and no
# section both writable and executable.
# Usage: hardening_test.sh OBJDUMP EXE MAP
set -euo pipefail
objdump="$1" exe="$2" map="$3"
export LC_ALL=C
failed=0
fail() { echo "FAILED: $1"; failed=1; }

headers=$("$objdump" -p "$exe")
sections=$("$objdump" -h "$exe")
characteristics=$(awk '$1 == "Characteristics" { print $2 }' <<<"$headers")
dll_characteristics=$((16#$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$headers")))
expect_flag() {
    (( dll_characteristics & $1 )) || fail "$2 not set (DllCharacteristics lacks $1)"
}

expect_flag 0x40 DYNAMIC_BASE
(( characteristics & 0x1 )) && fail "relocations stripped (Characteristics $characteristics)"
grep -q ' \.reloc ' <<<"$sections" || fail "no .reloc section"
expect_flag 0x100 NX_COMPAT
if grep -q 'PE32+' <<<"$headers"; then
    expect_flag 0x20 HIGH_ENTROPY_VA
else
    expect_flag 0x400 NO_SEH
fi

# The member of libssp that defines the check, taken for a call from our own code.
grep -qE '^ +(liblorvane_core\.a|CMakeFiles/).* \(__stack_chk_fail\)$' "$map" ||
    fail "no call of __stack_chk_fail from our code in $map"

# objdump -h prints each section's flags on the line after its name; CODE without READONLY
# is a section that may be both executed and written.
writable_code=$(awk '/^ +[0-9]+ / { name = $2; next }
                     /CODE/ && !/READONLY/ { printf " %s", name }' <<<"$sections")
[ -z "$writable_code" ] || fail "sections both writable and executable:$writable_code"

[ $failed -eq 0 ] && echo "ASLR with relocations, DEP, $(grep -q 'PE32+' <<<"$headers" &&
    echo high-entropy addresses || echo no SEH), stack protection, no writable code"
exit $failed
