#!/usr/bin/env python3
"""Prints the expectations of tests/unit/text_gb18030_test.cpp, taken from
Python's own gb18030 codec: the bytes of each sample text, and a digest of
the bytes of every character of the Basic Multilingual Plane per block of
4096 code points.

The digest leaves out the surrogates and the euro sign, which code page 936
holds in a single byte of its own (0x80): there the viewer keeps code page
936's byte, which the test checks against the platform.

Usage: gb18030_expectations.py (paste its output into the test)."""

SAMPLES = [
    ("ascii", "a.jpg"),
    ("gbk_chinese", "中文图片.jpg"),
    ("em_dash_title", "한국.jpg\u2014Vela图片查看器"),
    ("korean", "한국.jpg"),
    ("japanese_kana", "かなカナ.png"),
    ("vietnamese_combining", "Tie\u0302\u0301ng Vie\u0323\u0302t"),
    ("emoji", "z\U0001F600.png"),
    ("extension_b", "\U00020000\U0002A6D6"),
    ("latin_1", "\u0080\u00A4\u00E9"),
    ("radical_two_byte_in_gb18030", "\u2E81\u4DAE"),
    ("private_use_twins", "\uE815\uE76C"),
    ("plane_edges", "\uFFFD\uFFFE\uFFFF"),
    ("supplementary_edges", "\U00010000\U0010FFFF"),
]

FNV_OFFSET = 0xCBF29CE484222325
FNV_PRIME = 0x100000001B3
KEPT_BY_936 = {0x20AC}


def fnv1a(data, h=FNV_OFFSET):
    for byte in data:
        h = ((h ^ byte) * FNV_PRIME) & 0xFFFFFFFFFFFFFFFF
    return h


def c_bytes(data):
    return '"' + "".join("\\x%02X" % b for b in data) + '"'


def c_wide(text):
    units = text.encode("utf-16-le")
    return 'L"' + "".join("\\x%04X" % int.from_bytes(units[i:i + 2], "little")
                          for i in range(0, len(units), 2)) + '"'


def main():
    for name, text in SAMPLES:
        print("    {\"%s\", %s, %s}," % (name, c_wide(text), c_bytes(text.encode("gb18030"))))
    print()
    for block in range(16):
        h = FNV_OFFSET
        for code_point in range(max(block * 4096, 1), (block + 1) * 4096):
            if 0xD800 <= code_point <= 0xDFFF or code_point in KEPT_BY_936:
                continue
            h = fnv1a(chr(code_point).encode("gb18030"), h)
        print("    0x%016XULL," % h)


if __name__ == "__main__":
    main()
