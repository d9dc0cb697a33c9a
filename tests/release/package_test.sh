#!/usr/bin/env bash
# The release packages are reproducible: scripts/package run twice, each time building in
# fresh folders of its own, the second time in another time zone (UTC+8), another locale and
# with another umask, gives byte-identical zips with their digests in SHA256SUMS, and
# each zip holds the program, the user README and the licence under lorvane-<version>/, with
# ASCII names, the README readable in every Notepad and the exe carrying that version.
# Usage: package_test.sh WORK_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$1"
rm -rf "$work"
mkdir -p "$work"

# UTC+8 in POSIX notation, which needs no time zone database; C.UTF-8 is on every Debian.
(umask 022 && TZ=UTC LC_ALL=POSIX PACKAGE_BUILD="$work/build1" PACKAGE_OUT="$work/dist1" \
    "$root/scripts/package" >/dev/null)
(umask 077 && TZ=CST-8 LC_ALL=C.UTF-8 PACKAGE_BUILD="$work/build2" PACKAGE_OUT="$work/dist2" \
    "$root/scripts/package" >/dev/null)

(cd "$work/dist1" && sha256sum --check --strict --quiet SHA256SUMS) ||
    { echo "SHA256SUMS does not match the zips"; exit 1; }
cmp "$work/dist1/SHA256SUMS" "$work/dist2/SHA256SUMS" || { echo "SHA256SUMS differs"; exit 1; }

# What is wrong with the packaged README, if anything: it must be UTF-8 with a byte order mark
# and Windows line ends, so that every Notepad from Windows 7 on reads it right, and open with
# its Chinese part.
readme_problem() {
    local readme="$1"
    [ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
        { echo "no UTF-8 byte order mark"; return 1; }
    iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null 2>&1 || { echo "not UTF-8"; return 1; }
    ! LC_ALL=C grep -q $'[^\r]$\|^$\|\r.' "$readme" ||
        { echo "a line that does not end in CR LF"; return 1; }
    local chinese
    chinese=$(LC_ALL=C.UTF-8 grep -o -P '\p{Han}' "$readme" | wc -l)
    [ "$chinese" -ge 1000 ] && head -1 "$readme" | LC_ALL=C.UTF-8 grep -q -P '\p{Han}' ||
        { echo "no Chinese part first ($chinese Chinese characters)"; return 1; }
}

version=$(sed -n 's/^project(Lorvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
for arch in win32 win64; do
    name="lorvane-$version-$arch.zip"
    cmp "$work/dist1/$name" "$work/dist2/$name" || { echo "$name differs between runs"; exit 1; }
    listing=$(unzip -Z1 "$work/dist1/$name" | tr '\n' ' ')
    LC_ALL=C grep -q '[^ -~]' <<<"$listing" && { echo "$name holds a name not in ASCII"; exit 1; }
    expected="lorvane-$version/LICENSE.txt lorvane-$version/README.txt lorvane-$version/lorvane.exe "
    [ "$listing" = "$expected" ] || { echo "$name holds: $listing"; exit 1; }
    unzip -p "$work/dist1/$name" "lorvane-$version/README.txt" >"$work/README.txt"
    problem=$(readme_problem "$work/README.txt") || { echo "README.txt in $name: $problem"; exit 1; }
    grep -q 'lorvane.exe 没有数字签名' "$work/README.txt" && ! grep -q '此数字签名正常' "$work/README.txt" ||
        { echo "README.txt in $name does not say that its exe is unsigned"; exit 1; }
    unzip -p "$work/dist1/$name" "lorvane-$version/lorvane.exe" >"$work/lorvane.exe"
    strings -el "$work/lorvane.exe" | grep -qx "$version" ||
        { echo "the exe in $name does not carry version $version"; exit 1; }
done
rm -rf "$work"
echo "both packages reproducible"
