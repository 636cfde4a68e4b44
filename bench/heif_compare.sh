#!/usr/bin/env bash
# The engine's HEIC and AVIF decode beside Debian's libheif (the same 1.15
# release, native) on one 4032 x 3024 (12 MP) photo-like picture of each
# kind, made here by heif-enc and avifenc: bench/native/heif_native.c
# (decode only, median of 9) is built against libheif-dev and timed, then
# heif_bench.exe under Wine times the engine on the same file and prints
# both and their ratio. Run by scripts/bench.sh from the bin folder with
# the prefix and display set up.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out="${1:-$PWD}"
for tool in heif-enc avifenc gcc convert; do
    command -v "$tool" >/dev/null || { echo "heif_compare: $tool missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
native="$out/heif_native"
gcc -O2 -o "$native" "$here/native/heif_native.c" $(pkg-config --cflags --libs libheif) \
    || { echo "heif_compare: could not build the native decoder (libheif-dev)" >&2; exit 1; }
source_png="$out/bench-heif-4032x3024.png"
if [ ! -f "$source_png" ]; then
    # Gradients, swirls and fine noise: compresses like a photo, not like a flat colour.
    convert -size 4032x3024 gradient:'#d06030'-'#2050b0' -swirl 200 -attenuate 0.4 +noise Gaussian -alpha off -depth 8 "$source_png" \
        || { echo "heif_compare: could not draw the picture" >&2; exit 1; }
fi
status=0
for kind in heic avif; do
    picture="$out/bench-heif-4032x3024.$kind"
    if [ ! -f "$picture" ]; then
        if [ "$kind" = heic ]; then heif-enc -q 80 -o "$picture" "$source_png" >/dev/null
        else avifenc -s 8 -d 8 -y 420 --min 20 --max 30 "$source_png" "$picture" >/dev/null; fi \
            || { echo "heif_compare: could not write $picture" >&2; status=1; continue; }
    fi
    native_ms=$("$native" "$picture") || { echo "heif_compare: native decode of $picture failed" >&2; status=1; continue; }
    echo "$kind: Debian's libheif $(pkg-config --modversion libheif) (native, x86-64): ${native_ms} ms (median of 9)"
    wine ./heif_bench.exe "$(winepath -w "$picture")" "$native_ms" || status=1
done
exit $status
