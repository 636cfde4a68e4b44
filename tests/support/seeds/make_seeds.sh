#!/usr/bin/env bash
# Makes the small HEIC, AVIF and JPEG XL pictures the fuzz corpus maker
# damages (tests/support/fuzz_corpus.cpp, built into the tests from this
# folder): Debian's heif-enc, avifenc and cjxl over pictures ImageMagick
# draws (true-colour PNGs: heif-enc reads a palette PNG's colours in the
# wrong order), and tests/tools/heif_turn.py for a HEIC turned by its irot.
# Committed with their output, so that the corpus is the same whatever
# version of the tools a machine has; run again only to change the seeds.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 48x32 xc:'rgb(200,120,40)' -fill white -draw 'rectangle 0,0 23,15' "PNG24:$work/quarter.png"
convert -size 40x24 gradient:'rgba(40,120,200,1)-rgba(200,40,40,0.3)' "$work/alpha.png"
convert "$work/quarter.png" -quality 80 "$work/quarter.jpg"
heif-enc -q 40 "$work/quarter.png" -o "$here/seed.heic" >/dev/null
# From the JPEG: an 8-bit HEIC, the only depth libheif mirrors.
heif-enc -q 40 "$work/quarter.jpg" -o "$work/eight.heic" >/dev/null
python3 "$here/../../tools/heif_turn.py" "$work/eight.heic" "$here/seed-turned.heic" 1 1
avifenc -s 10 --min 20 --max 40 "$work/quarter.png" "$here/seed.avif" >/dev/null
avifenc -s 10 --min 20 --max 40 --irot 3 "$work/alpha.png" "$here/seed-alpha-turned.avif" >/dev/null
cjxl -e 1 -d 0 "$work/quarter.png" "$here/seed.jxl" >/dev/null 2>&1
# A JPEG carrying EXIF orientation 6, kept by cjxl's lossless transcoding
# in a container whose codestream starts in a 6-byte jxlp box.
python3 - "$work/quarter.jpg" "$work/turned.jpg" <<'PY'
import struct, sys
jpeg = open(sys.argv[1], "rb").read()
tiff = b"MM\x00\x2a" + struct.pack(">IH", 8, 1) + struct.pack(">HHIHH", 0x112, 3, 1, 6, 0) + struct.pack(">I", 0)
app1 = b"Exif\x00\x00" + tiff
open(sys.argv[2], "wb").write(jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + jpeg[2:])
PY
cjxl "$work/turned.jpg" "$here/seed-container.jxl" >/dev/null 2>&1
ls -l "$here"
