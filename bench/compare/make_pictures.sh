#!/usr/bin/env bash
# Makes the pictures of the side-by-side comparison in ${IMG:-img}: big.jpg
# (6000 x 4000) and small.jpg (640 x 480), and dir/p1..p6.jpg (6000 x 4000) for
# stepping; all JPEG quality 90 from a plasma fractal with Gaussian noise, so a
# 24-megapixel file is about 12.5 MB and gives the decoder real work. Fixed
# seeds: the same files every time. A file already made is kept.
set -euo pipefail
IMG=${IMG:-img}
CONVERT=${CONVERT:-/usr/bin/convert}
[ -x "$CONVERT" ] || CONVERT=convert
mkdir -p "$IMG/dir"
pic() {  # seed, size, file
    [ -s "$3" ] && return 0
    "$CONVERT" -seed "$1" -size "$2" plasma:fractal -attenuate 0.4 +noise Gaussian -quality 90 "jpg:$3.part"
    mv "$3.part" "$3"
}
pic 1 6000x4000 "$IMG/big.jpg"
pic 7 640x480 "$IMG/small.jpg"
for i in 1 2 3 4 5 6; do pic $((i * 11)) 6000x4000 "$IMG/dir/p$i.jpg"; done
