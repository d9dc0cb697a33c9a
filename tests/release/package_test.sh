#!/usr/bin/env bash
# The release packages are reproducible: scripts/package run twice, each time building in
# fresh folders of its own, gives byte-identical zips with their digests in SHA256SUMS, and
# each zip holds the program, the user README and the licence under lorvane-<version>/, the exe
# carrying that version.
# Usage: package_test.sh WORK_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$1"
rm -rf "$work"
mkdir -p "$work"

for run in 1 2; do
    PACKAGE_BUILD="$work/build$run" PACKAGE_OUT="$work/dist$run" "$root/scripts/package" >/dev/null
done

(cd "$work/dist1" && sha256sum --check --strict --quiet SHA256SUMS) ||
    { echo "SHA256SUMS does not match the zips"; exit 1; }
cmp "$work/dist1/SHA256SUMS" "$work/dist2/SHA256SUMS" || { echo "SHA256SUMS differs"; exit 1; }

version=$(sed -n 's/^project(Lorvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
for arch in win32 win64; do
    name="lorvane-$version-$arch.zip"
    cmp "$work/dist1/$name" "$work/dist2/$name" || { echo "$name differs between runs"; exit 1; }
    listing=$(unzip -Z1 "$work/dist1/$name" | tr '\n' ' ')
    expected="lorvane-$version/LICENSE.txt lorvane-$version/README.txt lorvane-$version/lorvane.exe "
    [ "$listing" = "$expected" ] || { echo "$name holds: $listing"; exit 1; }
    unzip -p "$work/dist1/$name" "lorvane-$version/lorvane.exe" >"$work/lorvane.exe"
    strings -el "$work/lorvane.exe" | grep -qx "$version" ||
        { echo "the exe in $name does not carry version $version"; exit 1; }
done
rm -rf "$work"
echo "both packages reproducible"
