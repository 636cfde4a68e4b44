#!/usr/bin/env bash
# Makes the pictures of the side-by-side comparison in ${IMG:-img}: big.jpg
# (6000 x 4000) and small.jpg (640 x 480), and dir/p1..p6.jpg (6000 x 4000) for
# stepping; all JPEG quality 90 from a plasma fractal with Gaussian noise, so a
# 24-megapixel file is about 12.5 MB and gives the decoder real work. And
# phone.jpg, as a phone takes a photo held upright: 4032 x 3024 stored, with
# EXIF orientation 6 (turn a quarter clockwise to show), the noise softened
# by a slight blur and quality 92, about 3.4 MB. And the same kind of photo
# held level twice, photo.jpg and photo.heic (heif-enc, quality 90, from the
# same pixels), for launching Vela on a phone's HEIC against its JPEG.
# Fixed seeds: the same files every time. A file already made is kept.
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
# The phone photo: the EXIF block (big-endian TIFF, one entry: Orientation,
# SHORT, 6) goes right after the JFIF block ImageMagick writes first.
phone() {  # seed, file
    [ -s "$2" ] && return 0
    "$CONVERT" -seed "$1" -size 4032x3024 plasma:fractal -attenuate 0.4 +noise Gaussian -blur 0x0.8 \
        -quality 92 "jpg:$2.plain"
    python3 - "$2.plain" "$2.part" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:4] == b"\xff\xd8\xff\xe0", "no JFIF block first"
end = 4 + struct.unpack(">H", data[4:6])[0]
tiff = b"MM\x00\x2a" + struct.pack(">I", 8) + struct.pack(">H", 1) \
    + struct.pack(">HHIHH", 0x0112, 3, 1, 6, 0) + struct.pack(">I", 0)
body = b"Exif\x00\x00" + tiff
open(sys.argv[2], "wb").write(data[:end] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + data[end:])
PY
    rm -f "$2.plain"
    mv "$2.part" "$2"
}
# The level photo as JPEG and as HEIC, from one drawing.
photo() {  # seed, folder
    [ -s "$2/photo.jpg" ] && [ -s "$2/photo.heic" ] && return 0
    "$CONVERT" -seed "$1" -size 4032x3024 plasma:fractal -attenuate 0.4 +noise Gaussian -blur 0x0.8 \
        "PNG24:$2/photo.png"
    "$CONVERT" "$2/photo.png" -quality 92 "jpg:$2/photo.jpg.part"
    heif-enc -q 90 "$2/photo.png" -o "$2/photo.part.heic" >/dev/null
    mv "$2/photo.jpg.part" "$2/photo.jpg"
    mv "$2/photo.part.heic" "$2/photo.heic"
    rm -f "$2/photo.png"
}
pic 1 6000x4000 "$IMG/big.jpg"
phone 5 "$IMG/phone.jpg"
photo 9 "$IMG"
pic 7 640x480 "$IMG/small.jpg"
for i in 1 2 3 4 5 6; do pic $((i * 11)) 6000x4000 "$IMG/dir/p$i.jpg"; done
