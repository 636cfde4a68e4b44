#!/usr/bin/env python3
"""Gives a HEIF file's primary item a rotation (irot) and, if asked, a
mirror (imir) property, for the tests of sizes read from the header:
heif-enc writes neither. The new properties go at the end of the property
container and at the end of the primary item's associations; the item
locations (iloc) are moved by the bytes the meta box grew, so the file
still decodes.

    heif_turn.py IN OUT QUARTERS [MIRROR_AXIS]

QUARTERS: anticlockwise quarter turns (0 to 3); MIRROR_AXIS: 0 (top to
bottom) or 1 (left to right).
"""
import struct
import sys


def boxes(data):
    """The boxes of data as [type, payload] pairs (32-bit sizes only)."""
    out, at = [], 0
    while at < len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        if size < 8 or at + size > len(data):
            raise ValueError("box %r does not fit" % kind)
        out.append([kind, data[at + 8:at + size]])
        at += size
    return out


def pack(items):
    return b"".join(struct.pack(">I4s", 8 + len(p), k) + p for k, p in items)


def child(items, kind):
    return next(i for i in items if i[0] == kind)


def associate(ipma, item_id, index):
    """The ipma payload with `index` added to `item_id`'s associations."""
    version, flags = ipma[0], ipma[3]
    id_bytes, wide = (2 if version < 1 else 4), bool(flags & 1)
    count = struct.unpack(">I", ipma[4:8])[0]
    out, at = bytearray(ipma[:8]), 8
    for _ in range(count):
        item = int.from_bytes(ipma[at:at + id_bytes], "big")
        listed = ipma[at + id_bytes]
        width = 2 if wide else 1
        end = at + id_bytes + 1 + listed * width
        entry = bytearray(ipma[at:end])
        if item == item_id:
            entry[id_bytes] = listed + 1
            entry += struct.pack(">H", index) if wide else bytes([index])
        out += entry
        at = end
    return bytes(out)


def move_locations(iloc, delta):
    """The iloc payload with every file offset moved by delta."""
    data = bytearray(iloc)
    version = data[0]
    offset_size, length_size = data[4] >> 4, data[4] & 15
    base_size, index_size = data[5] >> 4, (data[5] & 15 if version in (1, 2) else 0)
    at = 6
    if version < 2:
        count, at = struct.unpack(">H", data[at:at + 2])[0], at + 2
    else:
        count, at = struct.unpack(">I", data[at:at + 4])[0], at + 4
    for _ in range(count):
        at += 2 if version < 2 else 4
        method = 0
        if version in (1, 2):
            method, at = data[at + 1] & 15, at + 2
        at += 2  # data reference index

        def shift(where, size):
            if method == 0 and size:
                value = int.from_bytes(data[where:where + size], "big") + delta
                data[where:where + size] = value.to_bytes(size, "big")

        base_at = at
        at += base_size
        base = int.from_bytes(data[base_at:at], "big") if base_size else 0
        if base:
            shift(base_at, base_size)
        extents, at = struct.unpack(">H", data[at:at + 2])[0], at + 2
        for _ in range(extents):
            at += index_size
            if not base:
                shift(at, offset_size)
            at += offset_size + length_size
    return bytes(data)


def main():
    source, target, quarters = sys.argv[1], sys.argv[2], int(sys.argv[3])
    mirror = int(sys.argv[4]) if len(sys.argv) > 4 else None
    data = open(source, "rb").read()
    top = boxes(data)
    meta = child(top, b"meta")
    inner = boxes(meta[1][4:])
    pitm = child(inner, b"pitm")[1]
    primary = struct.unpack(">H", pitm[4:6])[0] if pitm[0] == 0 else struct.unpack(">I", pitm[4:8])[0]
    iprp = child(inner, b"iprp")
    parts = boxes(iprp[1])
    ipco, ipma = child(parts, b"ipco"), child(parts, b"ipma")
    properties = boxes(ipco[1])
    added = [[b"irot", bytes([quarters & 3])]]
    if mirror is not None:
        added.append([b"imir", bytes([mirror & 1])])
    for prop in added:
        properties.append(prop)
        ipma[1] = associate(ipma[1], primary, len(properties))
    ipco[1] = pack(properties)
    iprp[1] = pack(parts)
    old_size = len(meta[1])
    meta[1] = meta[1][:4] + pack(inner)
    delta = len(meta[1]) - old_size
    # The locations point past the meta box (mdat follows it), which grew.
    iloc = child(inner, b"iloc")
    iloc[1] = move_locations(iloc[1], delta)
    meta[1] = meta[1][:4] + pack(inner)
    open(target, "wb").write(pack(top))


if __name__ == "__main__":
    main()
