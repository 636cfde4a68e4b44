#!/usr/bin/env python3
"""Packs the viewer's skins from pictures rendered out of assets/skins/svg/.

The pictures are drawn by rsvg-convert and the icon assembled by icotool at
build time (assets/skins/CMakeLists.txt); this script only says what to
render and packs the results:

    python3 pack_skins.py renders
        prints one line per picture to render, fields separated by "|":
        output name, SVG (relative to svg/), stylesheets (relative to svg/,
        "+"-separated, may be empty), zoom (empty: stretch to the size),
        width, height
    python3 pack_skins.py icon
        prints the output names of the icon's pictures, largest first
    python3 pack_skins.py pack PICTURES OUTPUT
        checks that every stylesheet's halo is in the SVGs it is applied to
        and that every rendered picture in PICTURES has the size it was
        rendered for, then writes one property pack per skinned control
        (format in engine/include/ExuiPack.h), the manifest and an .rc file
        that builds them, PICTURES/vela.ico and the manifest into
        VelaViewer.exe (its version information comes from the build)

Python 3 standard library only.
"""
import os
import re
import struct
import sys

SVG_ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "svg")

# Display scales the pictures are rendered for, in per cent. The engine takes
# the smallest one at or above its window's scale; 100 % keeps slot numbers
# below 256, the others carry percent / 25 in the slot's high byte.
SCALES = (100, 125, 150, 200)
ICON_SIZES = (256, 128, 96, 72, 64, 48, 32, 24, 16)

TEXT, FONT, STATE_IMAGE, GLYPH, ICON, FILL, CAPTION_HEIGHT = 1, 2, 3, 4, 5, 6, 7


def side(length, percent):
    """A length at a scale, rounded half up as the viewer's controls are."""
    return (length * percent + 50) // 100


def scale_slot(slot, percent):
    return slot if percent == 100 else slot | ((percent // 25) << 8)


def scale_css(percent):
    """Pictures with a halo take the one drawn for their scale."""
    return [] if percent == 100 else ["scale-%d.css" % percent]


class Render:
    def __init__(self, name, svg, css, zoom, width, height):
        self.name, self.svg, self.css = name, svg, css
        self.zoom, self.width, self.height = zoom, width, height

    def line(self):
        zoom = "" if self.zoom is None else "%g" % self.zoom
        return "|".join((self.name, self.svg, "+".join(self.css), zoom, str(self.width), str(self.height)))


def glyph(svg, canvas):
    """A glyph (with its halo) at every scale: (renders, pack entries)."""
    base = os.path.splitext(os.path.basename(svg))[0]
    renders, entries = [], []
    for percent in SCALES:
        n = side(canvas, percent)
        r = Render("%s-%d" % (base, percent), svg, scale_css(percent), percent / 100.0, n, n)
        renders.append(r)
        entries.append((GLYPH, scale_slot(0, percent), r.name))
    return renders, entries


def button_states(width, height):
    """The three backgrounds of a toolbar or side button, stretched to it."""
    renders, entries = [], []
    for state, look in enumerate(("normal", "hover", "pressed")):
        r = Render("button-%s-%dx%d" % (look, width, height), "states/button-%s.svg" % look, [], None, width, height)
        renders.append(r)
        entries.append((STATE_IMAGE, state, r.name))
    return renders, entries


def window_button(glyphs, looks, halo):
    """A 30-pixel window button: per scale, per glyph set, the three states.
    looks: the stylesheets of hover and pressed; halo: whether the glyph has
    a scaled halo (the maximize squares have a shadow instead)."""
    renders, entries = [], []
    for percent in SCALES:
        n = side(30, percent)
        for set_index, name in enumerate(glyphs):
            for state, look in enumerate((None,) + looks):
                # The scale's halo first, so that a state may drop it.
                css = (scale_css(percent) if halo else []) + (["window/%s.css" % look] if look else [])
                r = Render("%s-%s-%d" % (name, ("normal", "hover", "pressed")[state], percent), "window/%s.svg" % name, css,
                           percent / 100.0, n, n)
                renders.append(r)
                entries.append((STATE_IMAGE, scale_slot(set_index * 4 + state, percent), r.name))
    return renders, entries


def gbk(text):
    return text.encode("gbk") + b"\0"


def font(face, points):
    return struct.pack("<i", points) + gbk(face)


def controls():
    """Per control, its pack's entries: (tag, slot, payload bytes or the
    name of a rendered picture)."""
    toolbar = {"ZoomInButton": "zoom-in", "ZoomOutButton": "zoom-out", "SaveButton": "save",
               "DeleteButton": "delete", "RotateButton": "rotate"}
    out = {"SkinFrame": ([], [(TEXT, 0, gbk("Vela图片查看器")), (FONT, 0, font("微软雅黑", 14)),
                              (FILL, 0, struct.pack("<I", 0x8C000000)), (CAPTION_HEIGHT, 0, struct.pack("<i", 30)),
                              (ICON, 0, "vela.ico")])}

    def join(*parts):
        return ([r for p in parts for r in p[0]], [e for p in parts for e in p[1]])
    for control, name in toolbar.items():
        out[control] = join(button_states(50, 50), glyph("glyphs/%s.svg" % name, 64))
    out["ZoomRatioButton"] = join(button_states(50, 50), ([], [(TEXT, 0, gbk("123")), (FONT, 0, font("微软雅黑", 11))]))
    out["SettingsButton"] = join(button_states(30, 30), glyph("glyphs/settings.svg", 64))
    out["PreviousButton"] = join(button_states(30, 90), glyph("glyphs/previous.svg", 48))
    out["NextButton"] = join(button_states(30, 90), glyph("glyphs/next.svg", 48))
    out["MinimizeButton"] = window_button(["minimize"], ("hover", "pressed"), halo=True)
    out["MaximizeButton"] = window_button(["maximize", "restore"], ("hover", "pressed"), halo=False)
    out["CloseButton"] = window_button(["close"], ("close-hover", "close-pressed"), halo=True)
    out["Toolbar"] = ([], [])
    out["PictureView"] = ([], [])
    return out


def icon_renders():
    return [Render("vela-icon-%d" % size, "icon/vela.svg", [], size / 64.0, size, size) for size in ICON_SIZES]


def renders():
    """Every picture to render, each once (button backgrounds are shared)."""
    seen, out = set(), []
    for rs, _ in controls().values():
        for r in rs:
            if r.name not in seen:
                seen.add(r.name)
                out.append(r)
    return out + icon_renders()


def png_size(data):
    """Width and height from a PNG's header, or None when it is not one."""
    if len(data) < 24 or data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", data[16:24])


def ico_sizes(data):
    """The square sizes an ICO file lists, in its order, or None."""
    if len(data) < 6 or struct.unpack("<HHH", data[:6])[:2] != (0, 1):
        return None
    count = struct.unpack("<H", data[4:6])[0]
    if len(data) < 6 + 16 * count:
        return None
    sizes = []
    for i in range(count):
        w, h, _, _, _, bits = struct.unpack("<BBBBHH", data[6 + 16 * i:6 + 16 * i + 8])
        if w != h or bits != 32:
            return None
        sizes.append(w or 256)
    return sizes


def check_sources(svg_root=SVG_ROOT):
    """Every element a stylesheet names by url(#id) (a scale's halo) must be
    in each SVG the stylesheet is applied to: the renderer quietly draws an
    element whose filter is missing without it, so the glyph would lose its
    halo at that scale. Raises ValueError."""
    for r in renders():
        with open(os.path.join(svg_root, r.svg), encoding="utf-8") as f:
            svg = f.read()
        for sheet in r.css:
            with open(os.path.join(svg_root, sheet), encoding="utf-8") as f:
                for name in re.findall(r"url\(#([^)]+)\)", f.read()):
                    if not re.search(r'\bid="%s"' % re.escape(name), svg):
                        raise ValueError("%s: no element %s, which %s asks for" % (r.svg, name, sheet))


def pack(entries):
    body = b""
    for tag, slot, payload in entries:
        body += struct.pack("<HHI", tag, slot, len(payload)) + payload
        body += b"\0" * ((-len(payload)) % 4)
    return b"EXPK" + struct.pack("<IHHI", 16 + len(body), 1, len(entries), 0) + body


def read_pictures(folder):
    """Every rendered picture by name, checked against the size it was
    rendered for; the icon checked for its sizes. Raises ValueError."""
    pictures = {}
    for r in renders():
        path = os.path.join(folder, r.name + ".png")
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            raise ValueError("%s: missing (rendered from %s)" % (path, r.svg))
        size = png_size(data)
        if size != (r.width, r.height):
            raise ValueError("%s: %s, expected %dx%d (from %s)" % (path, "not a PNG" if size is None else
                                                                  "%dx%d" % size, r.width, r.height, r.svg))
        pictures[r.name] = data
    path = os.path.join(folder, "vela.ico")
    try:
        with open(path, "rb") as f:
            pictures["vela.ico"] = f.read()
    except OSError:
        raise ValueError("%s: missing" % path)
    if ico_sizes(pictures["vela.ico"]) != list(ICON_SIZES):
        raise ValueError("%s: sizes %s, expected %s at 32 bits" % (path, ico_sizes(pictures["vela.ico"]),
                                                                    list(ICON_SIZES)))
    return pictures


def build(pictures_folder, out):
    check_sources()
    pictures = read_pictures(pictures_folder)
    os.makedirs(out, exist_ok=True)
    names = []
    for name, (_, entries) in controls().items():
        data = pack([(tag, slot, pictures[p] if isinstance(p, str) else p) for tag, slot, p in entries])
        with open(os.path.join(out, name + ".pack"), "wb") as f:
            f.write(data)
        names.append(name)

    with open(os.path.join(out, "vela.manifest"), "w", encoding="utf-8") as f:
        f.write(MANIFEST)
    here = out.replace("\\", "/")
    icon = os.path.abspath(os.path.join(pictures_folder, "vela.ico")).replace("\\", "/")
    lines = ["// Made by assets/skins/pack_skins.py; do not edit.", "#include <windows.h>", "",
             '1 ICON "%s"' % icon, ""]
    for name in names:
        lines.append('%s RCDATA "%s/%s.pack"' % (name, here, name))
    lines += ["", '1 24 "%s/vela.manifest"' % here]
    with open(os.path.join(out, "skins.rc"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


MANIFEST = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="Vela.PictureViewer" version="1.0.0.0" processorArchitecture="x86"/>
  <description>Vela picture viewer</description>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="x86" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">
    <security>
      <requestedPrivileges>
        <requestedExecutionLevel level="asInvoker" uiAccess="false"/>
      </requestedPrivileges>
    </security>
  </trustInfo>
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>
    </windowsSettings>
  </application>
</assembly>
"""

def main(argv):
    if argv[:1] == ["renders"] and len(argv) == 1:
        for r in renders():
            print(r.line())
        return 0
    if argv[:1] == ["icon"] and len(argv) == 1:
        for r in icon_renders():
            print(r.name)
        return 0
    if argv[:1] == ["pack"] and len(argv) == 3:
        try:
            build(argv[1], argv[2])
        except ValueError as e:
            sys.stderr.write("pack_skins.py: %s\n" % e)
            return 1
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
