#!/usr/bin/env bash
# Makes the JPEG files of the scale test in FOLDER and asks libjpeg-turbo's
# own djpeg, for each file and each M of 1..8, the sides of the picture it
# decodes at -scale M/8. Writes FOLDER/scales.txt, a line per answer:
#   FILE M WIDTH HEIGHT
# Usage: djpeg_scales.sh FOLDER
set -euo pipefail
folder=$1
command -v cjpeg >/dev/null && command -v djpeg >/dev/null \
    || { echo "cjpeg/djpeg missing (Debian's libjpeg-turbo-progs: scripts/setup.sh)" >&2; exit 1; }
mkdir -p "$folder"
table="$folder/scales.txt"
: >"$table.part"
# Sides on and off the 8-pixel blocks, odd ones, a phone photo's and a tall one.
for size in 640x480 1001x777 4032x3024 17x9 333x4097 1599x1201; do
    w=${size%x*} h=${size#*x}
    file="$folder/scale-$size.jpg"
    # A grey ramp as a plain PGM: nothing but the sides matters here.
    python3 -c "import sys; w, h = int(sys.argv[1]), int(sys.argv[2]); \
sys.stdout.buffer.write(b'P5 %d %d 255\n' % (w, h) + bytes((x * 7 + y * 3) & 255 for y in range(h) for x in range(w)))" \
        "$w" "$h" | cjpeg -quality 80 >"$file"
    for m in 1 2 3 4 5 6 7 8; do
        read -r _ ow oh < <(djpeg -scale "$m/8" -pnm "$file" | head -c 64 | tr -s ' \n' ' ' | cut -d' ' -f1-3)
        echo "$file $m $ow $oh" >>"$table.part"
    done
done
mv "$table.part" "$table"
