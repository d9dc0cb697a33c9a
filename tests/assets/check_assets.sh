#!/usr/bin/env bash
# Checks the committed pictures: the eight rose PNGs and the tray icon, byte by byte where the
# program depends on the layout. Usage: check_assets.sh [assets folder]
# Needs ImageMagick's convert, pngcheck and icotool (scripts/install-deps installs them).
set -uo pipefail

dir=${1:-$(dirname "$0")/../../assets}
passed=0
failed=0

ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*" >&2; }
expect() { # <what> <expected> <actual>
    if [ "$2" = "$3" ]; then ok; else bad "$1: expected '$2', got '$3'"; fi
}

for tool in convert pngcheck icotool od cmp; do
    command -v "$tool" >/dev/null 2>&1 || { echo "check_assets: '$tool' is missing (run scripts/install-deps)" >&2; exit 2; }
done

# Unsigned integers read from a file: <file> <offset> <bytes> <little|big>
uint() { od -An -v -j "$2" -N "$3" -t "u$3" --endian="$4" "$1" | tr -d ' '; }
hex() { od -An -v -j "$2" -N "$3" -t x1 "$1" | tr -d ' \n'; }
# Alpha channel of a PNG as one decimal byte per line.
alpha_bytes() { convert "$1" -alpha extract -depth 8 gray:- | od -An -v -t u1 | tr -s ' ' '\n' | grep -v '^$'; }

# --- the eight PNGs: header fields, validity, compactness, soft transparent edges --------------
sizes="petal1 133 81
petal2 119 66
petal3 150 218
petal4 150 218
petal5 150 218
petal6 153 214
petal7 206 172
petal8 96 103"
while read -r name w h; do
    f=$dir/$name.png
    if [ ! -f "$f" ]; then bad "$name.png is missing"; continue; fi
    expect "$name signature" 89504e470d0a1a0a "$(hex "$f" 0 8)"
    expect "$name first chunk" "$(printf IHDR | od -An -t x1 | tr -d ' \n')" "$(hex "$f" 12 4)"
    expect "$name width" "$w" "$(uint "$f" 16 4 big)"
    expect "$name height" "$h" "$(uint "$f" 20 4 big)"
    expect "$name bit depth" 8 "$(uint "$f" 24 1 big)"
    expect "$name colour type" 6 "$(uint "$f" 25 1 big)"
    expect "$name interlace" 0 "$(uint "$f" 28 1 big)"
    if pngcheck -q "$f" >/dev/null 2>&1; then ok; else bad "pngcheck rejects $name.png"; fi
    # compact and reproducible: no text or time chunks, tens of KB at most
    chunks=$(pngcheck -v "$f" 2>/dev/null | sed -n 's/^ *chunk \([A-Za-z]*\) .*/\1/p' | sort -u | tr '\n' ' ')
    case " $chunks" in *" tEXt "* | *" zTXt "* | *" iTXt "* | *" tIME "*) bad "$name.png carries text or time chunks: $chunks" ;; *) ok ;; esac
    size=$(stat -c %s "$f")
    if [ "$size" -le 65536 ]; then ok; else bad "$name.png is $size bytes, more than 64 KiB"; fi
    # a picture on a transparent ground with anti-aliased edges: transparent corner, plenty of
    # clear pixels, some opaque ones and some in between
    read -r clear soft solid < <(alpha_bytes "$f" | awk '$1==0{c++} $1==255{s++} $1>0&&$1<255{p++} END{print c+0, p+0, s+0}')
    total=$((w * h))
    expect "$name top-left corner alpha" 0 "$(alpha_bytes "$f" | head -n1)"
    if [ "$clear" -ge $((total / 5)) ] && [ "$solid" -ge $((total / 10)) ] && [ "$soft" -ge 100 ]; then ok; else
        bad "$name.png alpha: $clear clear, $soft soft, $solid opaque of $total pixels"
    fi
done <<<"$sizes"

# --- petal3/4/5: one shape, three colourings ---------------------------------------------------
if [ -f "$dir/petal3.png" ]; then
    for n in 4 5; do
        if cmp -s <(convert "$dir/petal3.png" -alpha extract gray:-) <(convert "$dir/petal$n.png" -alpha extract gray:-); then
            ok
        else
            bad "petal$n.png's alpha differs from petal3.png's"
        fi
    done
    for pair in "3 4" "3 5" "4 5"; do
        read -r a b <<<"$pair"
        if cmp -s <(convert "$dir/petal$a.png" -alpha off rgb:-) <(convert "$dir/petal$b.png" -alpha off rgb:-); then
            bad "petal$a.png and petal$b.png have the same colours"
        else ok; fi
    done
fi

# --- the tray icon: exact .ico layout ----------------------------------------------------------
ico=$dir/lorvane.ico
if [ ! -f "$ico" ]; then
    bad "lorvane.ico is missing"
else
    expect "ico file size" 1150 "$(stat -c %s "$ico")"
    # icon directory, entry, BITMAPINFOHEADER: <offset> <bytes> <expected> <field>
    while read -r off n want field; do
        expect "ico $field (offset $off)" "$want" "$(uint "$ico" "$off" "$n" little)"
    done <<'FIELDS'
0 2 0 reserved
2 2 1 type
4 2 1 count
6 1 16 entry-width
7 1 16 entry-height
8 1 0 entry-colour-count
9 1 0 entry-reserved
10 2 1 entry-planes
12 2 32 entry-bit-count
14 4 1128 entry-image-size
18 4 22 entry-image-offset
22 4 40 header-size
26 4 16 header-width
30 4 32 header-height
34 2 1 header-planes
36 2 32 header-bit-count
38 4 0 header-compression
42 4 1088 header-image-size
46 4 0 header-x-resolution
50 4 0 header-y-resolution
54 4 0 header-colours-used
58 4 0 header-colours-important
FIELDS

    # pixels (B,G,R,A, bottom row first) against the AND mask (MSB = leftmost, rows padded to 4 bytes)
    report=$(od -An -v -t u1 "$ico" | tr -s ' ' '\n' | grep -v '^$' | awk '
        { b[NR - 1] = $1 }
        END {
            for (row = 0; row < 16; row++) {
                bits = b[1086 + row * 4] * 256 + b[1087 + row * 4]
                if (b[1088 + row * 4] != 0 || b[1089 + row * 4] != 0) pad++
                for (x = 0; x < 16; x++) {
                    p = 62 + (row * 16 + x) * 4
                    a = b[p + 3]
                    bit = int(bits / 2 ^ (15 - x)) % 2
                    if (bit != (a == 0)) wrong++
                    if (a == 0) clear++; else if (a == 255) solid++; else soft++
                    if (a > 0 && a < 255 && (b[p] > a || b[p + 1] > a || b[p + 2] > a)) straight++
                    if (a == 255) { red += b[p + 2]; green += b[p + 1]; blue += b[p] }
                }
            }
            printf "%d %d %d %d %d %d %d\n", wrong, pad, clear, soft, solid, straight, (red > green * 2 && red > blue * 2)
        }')
    read -r wrong pad clear soft solid straight reddish <<<"$report"
    expect "ico AND mask bits that disagree with alpha" 0 "$wrong"
    expect "ico AND mask rows with non-zero padding" 0 "$pad"
    if [ "$clear" -gt 0 ] && [ "$soft" -gt 0 ] && [ "$solid" -ge 64 ]; then ok; else
        bad "ico alpha: $clear clear, $soft soft, $solid opaque pixels (want soft edges around a solid rose)"
    fi
    if [ "$straight" -gt 0 ]; then ok; else bad "ico colours look premultiplied (no soft pixel has a channel above its alpha)"; fi
    expect "ico opaque pixels are mostly red" 1 "$reddish"
    expect "icotool -l" "--icon --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0" \
        "$(icotool -l "$ico" 2>&1)"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
