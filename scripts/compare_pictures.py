#!/usr/bin/env python3
"""Compares two folders of PNG pictures pixel for pixel.

    python3 compare_pictures.py BEFORE AFTER [--boxes N]

For every PNG found under BEFORE (searched recursively) and at the same
relative path under AFTER it prints the number of differing pixels, the
largest difference of any channel (alpha, and the colours weighted by their
alpha, which is what shows) and the bounding box of the
differing pixels; with --boxes N it also lists up to N separate regions of
difference (8-connected) with their own counts and largest differences, so a
change can be put down to one glyph. Pictures missing on one side or of
another size are reported as such. Exit status: 0 when every pair is equal,
1 when any differs, 2 on unreadable input.

Python 3 standard library only: 8-bit grey, grey+alpha, RGB, RGBA and
palette PNGs (non-interlaced), which is what rsvg-convert, GDI+ and the old
skin script write.
"""
import os
import struct
import sys
import zlib


def read_png(path):
    """Returns (width, height, rows) with rows a list of bytearrays of RGBA."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s: not a PNG" % path)
    at, idat, palette, trns = 8, bytearray(), None, None
    width = height = depth = kind = interlace = None
    while at + 8 <= len(data):
        length, = struct.unpack(">I", data[at:at + 4])
        tag, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        at += 12 + length
        if tag == b"IHDR":
            width, height, depth, kind, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif tag == b"PLTE":
            palette = body
        elif tag == b"tRNS":
            trns = body
        elif tag == b"IDAT":
            idat += body
        elif tag == b"IEND":
            break
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(kind)
    if width is None or depth != 8 or interlace or channels is None:
        raise ValueError("%s: unsupported PNG (depth %s, type %s)" % (path, depth, kind))
    raw = zlib.decompress(bytes(idat))
    stride = width * channels
    rows, prev, p = [], bytearray(stride), 0
    for _ in range(height):
        kind_of_filter, line = raw[p], bytearray(raw[p + 1:p + 1 + stride])
        p += 1 + stride
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b = prev[x]
            c = prev[x - channels] if x >= channels else 0
            if kind_of_filter == 1:
                line[x] = (line[x] + a) & 255
            elif kind_of_filter == 2:
                line[x] = (line[x] + b) & 255
            elif kind_of_filter == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind_of_filter == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = line
        if kind == 6:
            rgba = line
        elif kind == 2:
            rgba = bytearray(b"\xff" * (width * 4))
            for k in range(3):
                rgba[k::4] = line[k::3]
        elif kind == 0:
            rgba = bytearray(b"\xff" * (width * 4))
            for k in range(3):
                rgba[k::4] = line
        elif kind == 4:
            rgba = bytearray(width * 4)
            for k in range(3):
                rgba[k::4] = line[0::2]
            rgba[3::4] = line[1::2]
        else:
            rgba = bytearray(width * 4)
            for x in range(width):
                i = line[x]
                alpha = trns[i] if trns is not None and i < len(trns) else 255
                rgba[x * 4:x * 4 + 4] = palette[i * 3:i * 3 + 3] + bytes((alpha,))
        rows.append(rgba)
    return width, height, rows


def difference(before, after):
    """Per-pixel largest channel difference, as a dict {(x, y): d} of d > 0."""
    (w, h, a), (_, _, b) = before, after
    out = {}
    for y in range(h):
        ra, rb = a[y], b[y]
        if ra == rb:
            continue
        for x in range(w):
            # What shows is the colour weighted by its alpha.
            aa, ab = ra[x * 4 + 3], rb[x * 4 + 3]
            d = abs(aa - ab)
            for k in range(3):
                d = max(d, abs((ra[x * 4 + k] * aa + 127) // 255 - (rb[x * 4 + k] * ab + 127) // 255))
            if d:
                out[(x, y)] = d
    return out


def regions(diff):
    """8-connected groups of differing pixels, largest first."""
    left, found = set(diff), []
    while left:
        seed = left.pop()
        todo, group = [seed], [seed]
        while todo:
            x, y = todo.pop()
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    q = (x + dx, y + dy)
                    if q in left:
                        left.remove(q)
                        todo.append(q)
                        group.append(q)
        found.append(group)
    found.sort(key=len, reverse=True)
    return found


def box(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return "%d,%d-%d,%d" % (min(xs), min(ys), max(xs), max(ys))


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    boxes = 0
    if "--boxes" in argv:
        i = argv.index("--boxes")
        boxes = int(argv[i + 1])
        args.remove(argv[i + 1])
    if len(args) != 2:
        sys.stderr.write(__doc__)
        return 2
    before_root, after_root = args
    status = 0
    for folder, _, files in sorted(os.walk(before_root)):
        for name in sorted(files):
            if not name.lower().endswith(".png"):
                continue
            rel = os.path.relpath(os.path.join(folder, name), before_root)
            other = os.path.join(after_root, rel)
            if not os.path.exists(other):
                print("%s: missing after" % rel)
                status = 1
                continue
            try:
                before, after = read_png(os.path.join(before_root, rel)), read_png(other)
            except (ValueError, zlib.error) as e:
                print("%s: %s" % (rel, e))
                return 2
            if before[:2] != after[:2]:
                print("%s: size %dx%d before, %dx%d after" % ((rel,) + before[:2] + after[:2]))
                status = 1
                continue
            diff = difference(before, after)
            if not diff:
                print("%s: equal" % rel)
                continue
            status = 1
            print("%s: %d pixels differ, largest channel difference %d, in %s"
                  % (rel, len(diff), max(diff.values()), box(diff)))
            for group in regions(diff)[:boxes]:
                print("    %s: %d pixels, largest %d" % (box(group), len(group), max(diff[p] for p in group)))
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
