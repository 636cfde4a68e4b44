#!/usr/bin/env python3
"""The packer refuses what the renderer got wrong: run on the build's own
rendered pictures, damaged one way at a time.

    python3 pack_skins_test.py PICTURES
"""
import os
import shutil
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pack_skins  # noqa: E402

PICTURES = None


class PackerChecks(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.pictures = os.path.join(self.dir, "pictures")
        shutil.copytree(PICTURES, self.pictures)
        self.out = os.path.join(self.dir, "out")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def patch(self, name, offset, data):
        path = os.path.join(self.pictures, name)
        with open(path, "r+b") as f:
            f.seek(offset)
            f.write(data)

    def test_the_rendered_pictures_pack(self):
        pack_skins.build(self.pictures, self.out)
        with open(os.path.join(self.out, "MaximizeButton.pack"), "rb") as f:
            data = f.read()
        self.assertEqual(data[:4], b"EXPK")
        # Three states in two sets at four scales.
        self.assertEqual(struct.unpack("<H", data[10:12])[0], 24)
        self.assertEqual(struct.unpack("<I", data[4:8])[0], len(data))

    def test_damage_is_refused(self):
        cases = [
            # (what, damage, words the message must hold)
            ("window button one pixel short at 125 %",
             lambda: self.patch("minimize-hover-125.png", 16, struct.pack(">II", 37, 37)),
             "minimize-hover-125.png: 37x37, expected 38x38"),
            ("glyph not a PNG", lambda: self.patch("zoom-in-150.png", 0, b"<svg"), "zoom-in-150.png: not a PNG"),
            ("button background missing", lambda: os.remove(os.path.join(self.pictures, "button-pressed-30x90.png")),
             "button-pressed-30x90.png: missing"),
            ("icon missing its 16-pixel picture",
             lambda: self.patch("vela.ico", 4, struct.pack("<H", 8)), "vela.ico: sizes"),
        ]
        for what, damage, words in cases:
            with self.subTest(what):
                self.tearDown()
                self.setUp()
                damage()
                with self.assertRaises(ValueError) as caught:
                    pack_skins.build(self.pictures, self.out)
                self.assertIn(words, str(caught.exception))
                self.assertFalse(os.path.exists(os.path.join(self.out, "skins.rc")))

    def test_a_glyph_without_the_halo_of_a_scale_is_refused(self):
        svg_root = os.path.join(self.dir, "svg")
        shutil.copytree(pack_skins.SVG_ROOT, svg_root)
        pack_skins.check_sources(svg_root)
        path = os.path.join(svg_root, "glyphs", "save.svg")
        with open(path, encoding="utf-8") as f:
            text = f.read()
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace('id="halo-150"', 'id="halo-15"'))
        with self.assertRaises(ValueError) as caught:
            pack_skins.check_sources(svg_root)
        self.assertIn("glyphs/save.svg: no element halo-150", str(caught.exception))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    PICTURES = sys.argv.pop(1)
    unittest.main()
