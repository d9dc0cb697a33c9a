#!/usr/bin/env bash
# scripts/install-deps on a machine whose Debian mirror is caught mid-sync, played by stand-ins
# for apt-get, dpkg and dpkg-query first on PATH. A copy of the script runs in a scratch tree,
# so neither the machine nor this clone's record of it changes. First, where the 32-bit Wine is
# installed, the script's question to the kernel must agree with the 32-bit loader.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "install_deps_test: $*" >&2
    [ ! -f "$work/err" ] || sed 's/^/    /' "$work/err" >&2
    exit 1
}
answer() { "$@" >/dev/null 2>&1 && echo yes || echo no; }

. "$root/scripts/lib/wine-session.sh"
kernel=$(answer kernel_runs_32bit_code)
if [ -x "$WINE_LOADER_32" ] && [ "$(answer "$WINE_LOADER_32" --version)" != "$kernel" ]; then
    fail "the kernel's answer ($kernel) is not the 32-bit Wine loader's"
fi

tree="$work/tree"
mkdir -p "$tree/scripts/lib" "$tree/tests/workflows/node_modules" "$work/bin"
cp "$root/scripts/install-deps" "$tree/scripts/"
cp "$root/scripts/lib/wine-session.sh" "$tree/scripts/lib/"
cp "$root/tests/workflows/package-lock.json" "$tree/tests/workflows/"
cp "$root/tests/workflows/package-lock.json" \
    "$tree/tests/workflows/node_modules/.installed-lock.json"
cat >"$work/bin/stand-in" <<'EOF'
#!/usr/bin/env bash
echo "$(basename "$0") $*" >>"$CALLS"
case "$(basename "$0") $1" in
"dpkg-query -W") [[ " $MISSING " == *" ${!#} "* ]] || echo "install ok installed" ;;
"sudo "*) exec "$@" ;;
"apt-get update")
    echo "E: Failed to fetch .../bookworm-security/main/binary-i386/Packages.xz" \
        " File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    exit 100 ;;
"apt-get install")
    for p in $REFUSED; do
        [[ " $* " == *" $p "* ]] || continue
        echo "The following packages have unmet dependencies:"
        echo " $p : Depends: libssl3:i386 but it is not going to be installed"
        echo "E: Unable to correct problems, you have held broken packages." >&2
        exit 100
    done ;;
esac
EOF
chmod +x "$work/bin/stand-in"
for name in apt-get dpkg dpkg-query sudo; do ln -s stand-in "$work/bin/$name"; done

install_deps() {
    : >"$work/calls"
    PATH="$work/bin:$PATH" CALLS="$work/calls" MISSING="$1" REFUSED="$2" \
        "$tree/scripts/install-deps" 2>"$work/err"
}

# A list that does not download is retried once, then only warned about; a refused 32-bit Wine
# is recorded with apt's word, and the rest is installed all the same.
install_deps "cmake wine32:i386" "wine32:i386" ||
    fail "a failed list or a refused 32-bit Wine stopped it"
[ "$(grep -c '^apt-get update' "$work/calls")" = 2 ] || fail "apt-get update not tried twice"
grep -q 'Mirror sync in progress?' "$work/err" || fail "apt's word on the failed list was not shown"
grep -q '^apt-get install .* cmake$' "$work/calls" || fail "cmake was not installed"
if [ "$kernel" = yes ]; then
    expected="no 32-bit Wine could be installed (apt: Unable to correct problems,"
    expected+=" you have held broken packages.)"
    grep -qx 'dpkg --add-architecture i386' "$work/calls" || fail "no i386 architecture added"
else
    expected="this machine's kernel runs no 32-bit x86 code"
    ! grep -q 'i386' "$work/calls" || fail "the i386 architecture or 32-bit Wine asked for"
fi
recorded="$(<"$tree/build/wine32-status")"
[ "$recorded" = "$expected" ] || fail "recorded: $recorded"
. "$tree/scripts/lib/wine-session.sh"
! wine_runs_32bit || fail "the Wine session does not follow the record"

# A needed package that cannot be installed stops it, naming the packages and quoting apt.
! install_deps "cmake xvfb" "xvfb" || fail "a refused needed package did not stop it"
grep -q 'cannot install cmake xvfb' "$work/err" || fail "the refused packages were not named"
grep -q 'held broken packages' "$work/err" || fail "apt's reason was not shown"
echo "install-deps: goes on past a failed list and a refused 32-bit Wine; stops on a needed package"
