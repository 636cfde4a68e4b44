#!/usr/bin/env bash
# The engine's JPEG XL decode beside Debian's libjxl (the same 0.7 release)
# on one 4000 x 3000 photo-like file: a small native program linking
# Debian's libjxl (bench/native/jxl_decode_native.cpp, built here against
# libjxl-dev) decodes it as a median of 9 runs, then jxl_bench.exe under
# Wine on the same file prints both and their ratio. Run by scripts/bench.sh
# from the bin folder with the prefix and display set up.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for tool in cjxl dwebp g++; do
    command -v "$tool" >/dev/null || { echo "jxl_compare: $tool missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
[ -f /usr/include/jxl/decode.h ] || { echo "jxl_compare: libjxl-dev missing (scripts/setup.sh installs it)" >&2; exit 1; }
picture="${1:-$PWD/bench-jxl-4000x3000.jxl}"
native="$(dirname "$picture")/jxl_decode_native"
if [ ! -f "$picture" ]; then
    # The WebP bench's photo-like picture, as the PNG a lossy JPEG XL is made from.
    webp="${picture%.jxl}.webp" png="${picture%.jxl}.png"
    { [ -f "$webp" ] || wine ./webp_bench.exe --make "$(winepath -w "$webp")"; } &&
        dwebp "$webp" -o "$png" >/dev/null 2>&1 && cjxl "$png" "$picture" -d 1 >/dev/null 2>&1 ||
        { echo "jxl_compare: could not make $picture" >&2; exit 1; }
fi
if [ ! -x "$native" ] || [ "$here/native/jxl_decode_native.cpp" -nt "$native" ]; then
    g++ -O2 -std=c++17 -o "$native" "$here/native/jxl_decode_native.cpp" -ljxl -ljxl_threads -lhwy ||
        { echo "jxl_compare: could not build the native decoder" >&2; exit 1; }
fi
native_ms=$("$native" "$picture" 9) || { echo "jxl_compare: the native decode failed" >&2; exit 1; }
sse4_ms=$("$native" --sse4 "$picture" 9) || { echo "jxl_compare: the native decode failed" >&2; exit 1; }
echo "libjxl $(dpkg-query -W -f='${Version}' libjxl-dev) (Debian's package, native, $(nproc) threads): ${native_ms} ms, ${sse4_ms} ms held to SSE4 (medians of 9)"
wine ./jxl_bench.exe "$(winepath -w "$picture")" "$native_ms"
wine ./jxl_bench.exe "$(winepath -w "$picture")" "$sse4_ms" | sed -n 's/native libjxl/native libjxl held to SSE4/p'
