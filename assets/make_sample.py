#!/usr/bin/env python3
"""Draws the bundled sample picture (a PNG) with the standard library only."""
import math
import struct
import sys
import zlib

W, H = 1200, 800


def pixel(x, y):
    # A dusk sky over layered hills, with a low sun.
    t = y / H
    r, g, b = 40 + 180 * t, 60 + 90 * t, 130 - 40 * t
    d = math.hypot(x - 0.68 * W, y - 0.42 * H)
    if d < 70:
        r, g, b = 255, 214, 140
    elif d < 200:
        k = (200 - d) / 130 * 0.5
        r, g, b = r + (255 - r) * k, g + (190 - g) * k, b + (120 - b) * k
    for i, (base, amp, freq, col) in enumerate(((0.62, 40, 0.006, (52, 70, 90)), (0.72, 30, 0.011, (34, 52, 60)),
                                                 (0.84, 22, 0.017, (20, 32, 36)))):
        if y > H * base + amp * math.sin(x * freq + i * 1.7):
            r, g, b = col
    return int(max(0, min(255, r))), int(max(0, min(255, g))), int(max(0, min(255, b)))


def png(path):
    rows = b"".join(b"\0" + bytes(c for x in range(W) for c in pixel(x, y)) for y in range(H))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(rows, 9)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    png(sys.argv[1])
