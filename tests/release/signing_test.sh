#!/usr/bin/env bash
# Signed release packages, the way a maintainer makes them: a throwaway certificate authority
# issues an RSA code-signing certificate, its key goes into a SoftHSM2 token of the test's own,
# and scripts/package signs both exes through PKCS#11, timestamped by a time-stamping
# authority that the test runs on 127.0.0.1 (openssl ts behind a small HTTP server). Like
# every public one, each certificate names a CRL distribution point, here on a closed port:
# the script's checks must do without it, with any osslsigncode (2.5 or 2.9 on Debian 12). Each
# signature verifies against the throwaway CA, and fails for a flipped byte in the code, for a
# look-alike CA (same names, another key) and for the unsigned exe; removing it gives back the
# unsigned exe; the detached signatures, attached to a second, independent build, give the
# same files byte for byte; each signed exe this machine can run still starts and shows its
# roses under Wine; the build never sees the PIN. Then the bad inputs, each refused with its own
# message naming the setting at fault and saying what went wrong, and leaving nothing in the
# output folder.
# Usage: signing_test.sh WORK_DIR HELPER (the end-to-end tests' helper, 64-bit)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$1" helper="$2"
. "$root/tests/e2e/lib.sh"
. "$root/scripts/lib/wine-session.sh"
rm -rf "$work"
mkdir -p "$work/pki" "$work/tokens"
cd "$work/pki"
version=$(sed -n 's/^project(Lorvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
# A PIN that cannot turn up by chance: the script's output must never show it.
pin=lorvane-test-pin-5c1e

cat >ca.cnf <<'EOF'
[ca]
default_ca = throwaway
[throwaway]
database = index.txt
serial = serial
new_certs_dir = .
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
[root]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
[code_signing]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
crlDistributionPoints = URI:http://127.0.0.1:1/throwaway.crl
[no_code_signing]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
[time_stamping]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,timeStamping
crlDistributionPoints = URI:http://127.0.0.1:1/throwaway.crl
EOF
: >index.txt
echo 01 >serial
openssl_quiet() { openssl "$@" >/dev/null 2>&1 || fail "openssl $1 failed"; }

# A self-signed root NAME.crt (key NAME.key) with the common name given.
make_root() {
    openssl_quiet req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.crt" -days 30 \
        -subj "/CN=$2" -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign"
}

# NAME.crt issued by the throwaway CA to NAME.key (made with the openssl key options given),
# with the extensions section and the validity given.
issue() {
    local name="$1" extensions="$2" start="$3" end="$4"
    shift 4
    openssl_quiet req -new -newkey "$@" -nodes -keyout "$name.key" -out "$name.csr" \
        -subj "/CN=Throwaway $name"
    openssl_quiet ca -batch -config ca.cnf -cert ca.crt -keyfile ca.key -in "$name.csr" \
        -out "$name.crt" -extensions "$extensions" -startdate "$start" -enddate "$end"
}

now=$(date -u +%Y%m%d%H%M%SZ)
soon=$(date -u -d '+30 days' +%Y%m%d%H%M%SZ)
make_root ca "Throwaway Code Signing CA"
make_root look-alike "Throwaway Code Signing CA"
issue publisher code_signing "$now" "$soon" rsa:2048
issue tsa time_stamping "$now" "$soon" rsa:2048
issue not-for-code-signing no_code_signing "$now" "$soon" rsa:2048
issue elliptic code_signing "$now" "$soon" ec -pkeyopt ec_paramgen_curve:P-256
issue expired code_signing 20200101000000Z 20210101000000Z rsa:2048
issue future code_signing 20390101000000Z 20400101000000Z rsa:2048
cat publisher.crt ca.crt >publisher-chain.pem
for name in publisher elliptic; do
    openssl_quiet pkcs12 -export -inkey "$name.key" -in "$name.crt" -certfile ca.crt \
        -passout pass:"$pin" -out "$name.p12"
done

# The token lives under the work folder, never in the machine's default token store.
export SOFTHSM2_CONF="$work/softhsm2.conf"
printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' \
    "$work/tokens" >"$SOFTHSM2_CONF"
softhsm2-util --init-token --free --label lorvane-test --pin "$pin" --so-pin "$pin" >/dev/null
openssl_quiet pkcs8 -topk8 -nocrypt -in publisher.key -out publisher.pk8
softhsm2-util --import publisher.pk8 --token lorvane-test --label release --id 01 \
    --pin "$pin" >/dev/null

# The time-stamping authority: openssl ts answers each RFC 3161 request posted to it.
cat >tsa.cnf <<EOF
[tsa]
default_tsa = throwaway
[throwaway]
serial = $work/pki/tsa-serial
signer_cert = $work/pki/tsa.crt
signer_key = $work/pki/tsa.key
certs = $work/pki/ca.crt
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
ess_cert_id_alg = sha256
EOF
echo 01 >tsa-serial
cat >tsa.py <<'EOF'
import http.server, subprocess, sys

class TimeStamping(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        request = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1],
                                "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
                               input=request, capture_output=True, check=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass

server = http.server.HTTPServer(("127.0.0.1", 0), TimeStamping)
print(server.server_address[1], flush=True)
server.serve_forever()
EOF
python3 tsa.py "$work/pki/tsa.cnf" >tsa-port &
tsa_pid=$!
stop_tsa() { kill "$tsa_pid" 2>/dev/null || true; }
trap stop_tsa EXIT
wait_for 100 has_file tsa-port || fail "the time-stamping authority did not start"

token=(PACKAGE_SIGN_PKCS11_MODULE=/usr/lib/softhsm/libsofthsm2.so
    "PACKAGE_SIGN_KEY=pkcs11:token=lorvane-test;object=release;type=private"
    PACKAGE_SIGN_CERTS="$work/pki/publisher-chain.pem" PACKAGE_SIGN_PASSWORD="$pin")
roots=(PACKAGE_SIGN_CAFILE="$work/pki/ca.crt" PACKAGE_SIGN_TSA_CAFILE="$work/pki/ca.crt")
tsa=PACKAGE_SIGN_TSA="http://127.0.0.1:$(cat tsa-port)/"

# Runs scripts/package, building in build1, into the output folder $1 with the settings
# (NAME=VALUE) and arguments given; its output is kept.
package() {
    local out="$1" settings=() arguments=() word status
    shift
    for word in "$@"; do
        if [[ $word == PACKAGE_*=* ]]; then settings+=("$word"); else arguments+=("$word"); fi
    done
    env PACKAGE_BUILD="$work/build1" PACKAGE_OUT="$work/$out" "${settings[@]}" \
        "$root/scripts/package" "${arguments[@]}" >"$work/package.log" 2>&1
    status=$?
    cat "$work/package.log" >>"$work/all-output.log"
    return $status
}

# The build must not inherit the PIN: a compiler launcher notes each compilation and whether
# the PIN was in its environment.
printf '#!/bin/sh\necho "compiled${PACKAGE_SIGN_PASSWORD+ with the PIN}" >>"%s"\nexec "$@"\n' \
    "$work/compilations" >"$work/launcher" && chmod +x "$work/launcher"
CMAKE_CXX_COMPILER_LAUNCHER="$work/launcher" package signed "${token[@]}" "${roots[@]}" "$tsa" ||
    fail "signing failed: $(cat "$work/package.log")"
grep -q compiled "$work/compilations" && ! grep -q 'with the PIN' "$work/compilations" ||
    fail "the build inherited PACKAGE_SIGN_PASSWORD"

# Signatures are checked here as the script checks them: against the roots, without CRLs, which
# osslsigncode 2.9 would fetch.
without_crl=()
[[ $(osslsigncode verify --help 2>&1 || true) != *-ignore-crl* ]] || without_crl=(-ignore-crl)
verifies() {
    osslsigncode verify "${without_crl[@]}" -CAfile "$2" -TSA-CAfile "$2" -in "$1" \
        >"$work/verify.log" 2>&1
}

# A copy $2 of the file $1 with every bit of the byte at offset $3 inverted.
flip_byte() {
    local byte
    cp "$1" "$2"
    byte=$(od -An -tu1 -j "$3" -N 1 "$1")
    printf "\\$(printf %03o $((byte ^ 255)))" | dd of="$2" bs=1 seek="$3" conv=notrunc status=none
}

for arch in win32 win64; do
    zip="$work/signed/lorvane-$version-$arch.zip"
    unsigned="$work/build1/$arch/lorvane.exe"
    # The program keeps its name: the Wine part knows its windows by it.
    signed="$work/$arch/lorvane.exe"
    mkdir "$work/$arch"
    unzip -p "$zip" "lorvane-$version/lorvane.exe" >"$signed"
    readme=$(unzip -p "$zip" "lorvane-$version/README.txt")
    grep -q '此数字签名正常' <<<"$readme" && ! grep -q 'lorvane.exe 没有数字签名\|is not signed' <<<"$readme" ||
        fail "the README in the signed $arch zip does not say that its exe is signed"
    verifies "$signed" ca.crt || fail "the $arch exe does not verify: $(cat "$work/verify.log")"
    grep -q 'Timestamp Server Signature verification: ok' "$work/verify.log" ||
        fail "the $arch exe has no timestamp that verifies"
    ! verifies "$signed" look-alike.crt || fail "the $arch exe verifies against a look-alike CA"
    ! verifies "$unsigned" ca.crt || fail "the unsigned $arch exe verifies"
    text_offset=$((16#$(objdump -h "$signed" | awk '$2 == ".text" { print $6 }')))
    flip_byte "$signed" "$work/tampered.exe" $((text_offset + 256))
    ! verifies "$work/tampered.exe" ca.crt || fail "the $arch exe verifies with a changed code byte"
    rm -f "$work/removed.exe"
    osslsigncode remove-signature -in "$signed" -out "$work/removed.exe" >/dev/null
    cmp "$work/removed.exe" "$unsigned" ||
        fail "removing the $arch exe's signature does not give back the unsigned exe"
done

(cd "$work/signed" && sha256sum --check --strict --quiet SHA256SUMS) ||
    fail "SHA256SUMS does not match the signed release's files"
env PACKAGE_BUILD="$work/build2" PACKAGE_OUT="$work/attached" "${roots[@]}" \
    "$root/scripts/package" --attach "$work/signed" >"$work/package.log" 2>&1 ||
    fail "attaching the signatures failed: $(cat "$work/package.log")"
diff -r "$work/signed" "$work/attached" >/dev/null ||
    fail "the signatures attached to a second build do not give the released files"

# The table of bad inputs: each row is the start of the message that must name the setting at
# fault, then the settings. Those found wrong only after the build reuse build1. Every message
# ends in a detail, never in an empty one.
mkdir "$work/mismatched"
cp "$work/signed/lorvane-$version-win64.exe.sig.pem" "$work/mismatched/"
cp "$work/signed/lorvane-$version-win64.exe.sig.pem" \
    "$work/mismatched/lorvane-$version-win32.exe.sig.pem"
refusals=0
refused() {
    local message="$1"
    shift
    ! package bad "$@" || fail "accepted, instead of \"$message\""
    grep -qF "package: $message" "$work/package.log" &&
        ! grep -q '^package: .*:[[:space:]]*$' "$work/package.log" ||
        fail "expected \"$message\", got: $(cat "$work/package.log")"
    [ -z "$(ls -A "$work/bad" 2>/dev/null)" ] || fail "files left behind after \"$message\""
    refusals=$((refusals + 1))
}
refused 'PACKAGE_SIGN_KEY is not set' "${token[@]}" PACKAGE_SIGN_KEY=
refused 'PACKAGE_SIGN_KEY: the URI holds the PIN' "${token[@]}" \
    "PACKAGE_SIGN_KEY=pkcs11:token=lorvane-test;object=release;type=private;pin-value=$pin"
refused 'PACKAGE_SIGN_PKCS12 and PACKAGE_SIGN_PKCS11_MODULE are both set' "${token[@]}" \
    PACKAGE_SIGN_PKCS12="$work/pki/publisher.p12"
refused 'PACKAGE_SIGN_TSA is set, but no key is' "$tsa"
refused 'PACKAGE_SIGN_PKCS11_MODULE: no readable file' "${token[@]}" \
    PACKAGE_SIGN_PKCS11_MODULE="$work/no-such-module.so"
refused 'PACKAGE_SIGN_PASSWORD: the token refused the PIN' "${token[@]}" \
    PACKAGE_SIGN_PASSWORD=not-the-pin
refused 'PACKAGE_SIGN_PASSWORD: not the password of' PACKAGE_SIGN_PKCS12="$work/pki/publisher.p12" \
    PACKAGE_SIGN_PASSWORD=not-the-password
refused 'PACKAGE_SIGN_CERTS: the certificate is not for code signing' "${token[@]}" \
    PACKAGE_SIGN_CERTS="$work/pki/not-for-code-signing.crt"
refused 'PACKAGE_SIGN_PKCS12: the key is not an RSA key' \
    PACKAGE_SIGN_PKCS12="$work/pki/elliptic.p12" PACKAGE_SIGN_PASSWORD="$pin"
refused 'PACKAGE_SIGN_CERTS: the certificate expired' "${token[@]}" \
    PACKAGE_SIGN_CERTS="$work/pki/expired.crt"
refused 'PACKAGE_SIGN_CERTS: the certificate is not valid before' "${token[@]}" \
    PACKAGE_SIGN_CERTS="$work/pki/future.crt"
refused 'PACKAGE_SIGN_TSA: no timestamp from' "${token[@]}" "${roots[@]}" \
    PACKAGE_SIGN_TSA=http://127.0.0.1:1/
refused "PACKAGE_SIGN_CAFILE: the signature of the win32 exe does not verify against\
 $work/pki/look-alike.crt: Verify error: self-signed certificate in certificate chain" \
    "${token[@]}" PACKAGE_SIGN_CAFILE="$work/pki/look-alike.crt"
refused "PACKAGE_SIGN_TSA_CAFILE: the timestamp of the win32 exe does not verify against\
 $work/pki/look-alike.crt: Verify error: self-signed certificate in certificate chain" \
    "${token[@]}" "${roots[@]}" "$tsa" PACKAGE_SIGN_TSA_CAFILE="$work/pki/look-alike.crt"
refused "--attach: $work/mismatched/lorvane-$version-win32.exe.sig.pem does not match" \
    "${roots[@]}" --attach "$work/mismatched"
! grep -qF "$pin" "$work/all-output.log" || fail "the PIN turned up in the script's output"
stop_tsa

# The signed exes start under Wine, through the 64-bit helper, which needs no 32-bit Wine.
arches=(win64)
if wine_runs_32bit; then
    arches=(win32 win64)
else
    note "SKIPPED: the signed win32 exe under Wine: $(wine_32bit_missing_reason)"
fi
e2e_init "$work/win64/lorvane.exe" "$helper"
e2e_start_desktop
for arch in "${arches[@]}"; do
    PROGRAM="$work/$arch/lorvane.exe"
    e2e_start_program
    click_at 600 400 1
    key Escape
    e2e_expect_exit_code_zero
done
rm -rf "$work"
echo "both exes signed through PKCS#11, timestamped, verified without CRLs and reattached byte" \
    "for byte, with $(osslsigncode -v | head -n 1 | cut -d, -f1); $refusals bad inputs refused;" \
    "started under Wine: ${arches[*]}"
