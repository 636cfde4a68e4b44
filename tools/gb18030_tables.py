#!/usr/bin/env python3
"""Prints the two tables of engine/include/text/gb18030.h.

- The four-byte ranges of the Basic Multilingual Plane: GB18030 numbers its
  four-byte sequences (0..39419 in the plane) in the order of the code
  points that have no one- or two-byte form, so the table holds where each
  run of consecutive code points starts. Read from Python's gb18030 codec.
- The two-byte positions where code page 936 gives a private-use character
  and GB18030 a standard one (the euro sign, the ideographic description
  characters, CJK radicals and a few Extension A characters). Read from
  Wine's own table of code page 936 (c_936.nls) and Python's codec.

Usage: gb18030_tables.py [path of c_936.nls]
"""
import struct
import sys

BMP_POINTERS = 39420


def four_bytes(pointer):
    b4 = pointer % 10
    pointer //= 10
    b3 = pointer % 126
    pointer //= 126
    return bytes([0x81 + pointer // 10, 0x30 + pointer % 10, 0x81 + b3, 0x30 + b4])


def bmp_ranges():
    ranges, previous = [], None
    for pointer in range(BMP_POINTERS):
        code_point = ord(four_bytes(pointer).decode("gb18030"))
        if previous is None or code_point != previous + 1:
            ranges.append((pointer, code_point))
        previous = code_point
    return ranges


def cp936_pairs(path):
    """Two-byte sequence -> character, from a Windows code page file."""
    data = open(path, "rb").read()
    words = struct.unpack("<%dH" % (len(data) // 2), data)
    header = words[0]
    at = header + 1 + 256  # offset word, then the single-byte table
    if words[at]:
        at += 256  # glyph table
    at += 2  # its flag word and the count of lead-byte tables
    offsets = words[at:at + 256]
    pairs = {}
    for lead in range(256):
        if offsets[lead]:
            table = words[at + offsets[lead]:at + offsets[lead] + 256]
            for trail in range(256):
                pairs[bytes([lead, trail])] = table[trail]
    return pairs


def twins(path):
    found = []
    for sequence, private_use in sorted(cp936_pairs(path).items()):
        if not 0xE000 <= private_use <= 0xF8FF:
            continue
        try:
            standard = ord(sequence.decode("gb18030"))
        except UnicodeDecodeError:
            continue
        if standard != private_use:
            found.append((int.from_bytes(sequence, "big"), private_use, standard))
    return found


def rows(items, per_line):
    for i in range(0, len(items), per_line):
        print("    " + " ".join(items[i:i + per_line]))


def main(argv):
    path = argv[1] if len(argv) > 1 else "/usr/share/wine/nls/c_936.nls"
    ranges = bmp_ranges()
    print("// %d ranges" % len(ranges))
    rows(["{%d, 0x%04X}," % r for r in ranges], 6)
    found = twins(path)
    print("// %d twins" % len(found))
    rows(["{0x%04X, 0x%04X, 0x%04X}," % t for t in found], 4)


if __name__ == "__main__":
    main(sys.argv)
