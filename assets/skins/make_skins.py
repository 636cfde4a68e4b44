#!/usr/bin/env python3
"""Draws the viewer's skins and writes them as build outputs.

Everything is made here from shapes (no binary sources): glyphs are unions of
strokes, rings, discs and polygons, rasterised with supersampling into
anti-aliased RGBA PNGs; the window icon is drawn at nine sizes; each skinned
control gets one property pack (format in engine/include/ExuiPack.h); an .rc
file builds the packs, the icon, the version information and the manifest
into VelaViewer.exe.

    python3 make_skins.py OUTPUT_FOLDER

Python 3 standard library only.
"""
import math
import os
import struct
import sys
import zlib

WHITE = (255, 255, 255)

# ---------------------------------------------------------------- PNG / ICO


def png(width, height, rgba):
    """rgba: bytes/bytearray of width*height*4 straight RGBA."""
    raw = bytearray()
    stride = width * 4
    for y in range(height):
        raw.append(0)
        raw += rgba[y * stride:(y + 1) * stride]

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def solid(width, height, colour, alpha):
    return bytearray(bytes((colour[0], colour[1], colour[2], alpha)) * (width * height))


def ico_dib(width, height, rgba):
    """A 32-bpp icon image entry: BITMAPINFOHEADER, bottom-up BGRA, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b, a = rgba[(y * width + x) * 4:(y * width + x) * 4 + 4]
            rows += bytes((b, g, r, a))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytes(mask_stride * height)  # alpha decides; the mask is all "draw"
    return header + bytes(rows) + mask


def ico(images):
    """images: list of (size, entry bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, data in images:
        s = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        body += data
    return out + body

# ---------------------------------------------------------------- shapes
# A shape is a function (x, y) -> bool in canvas pixel units (pixel centres at
# +0.5). Coverage is the share of supersamples inside.


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    L = dx * dx + dy * dy
    t = 0.0 if L == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / L))
    qx, qy = ax + t * dx, ay + t * dy
    return math.hypot(px - qx, py - qy)


def stroke(points, width, closed=False, cap=True):
    pts = list(points) + ([points[0]] if closed else [])
    half = width / 2.0
    segs = list(zip(pts, pts[1:]))

    def inside(x, y):
        for (ax, ay), (bx, by) in segs:
            if cap:
                if seg_dist(x, y, ax, ay, bx, by) <= half:
                    return True
            else:
                dx, dy = bx - ax, by - ay
                L = math.hypot(dx, dy)
                t = ((x - ax) * dx + (y - ay) * dy) / (L * L)
                if 0 <= t <= 1 and abs((x - ax) * dy - (y - ay) * dx) / L <= half:
                    return True
        return False
    return inside


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= width / 2.0


def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def arc(cx, cy, r, width, start_deg, end_deg):
    """Clockwise on screen from start to end (degrees from +x, y down)."""
    a0 = math.radians(start_deg)
    span = math.radians(end_deg - start_deg)
    ends = [(cx + r * math.cos(a), cy + r * math.sin(a)) for a in (a0, a0 + span)]

    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) <= width / 2.0:
            a = (math.atan2(y - cy, x - cx) - a0) % (2 * math.pi)
            if a <= span:
                return True
        return any(math.hypot(x - ex, y - ey) <= width / 2.0 for ex, ey in ends)
    return inside


def polygon(points):
    def inside(x, y):
        c = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                c = not c
        return c
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def raster(size, shape, colour=WHITE, ss=4, base=None, w=None, h=None, alpha=1.0):
    """Anti-aliased RGBA of a shape in one colour over `base` (or transparent)."""
    w = w or size
    h = h or size
    out = base if base is not None else bytearray(w * h * 4)
    step = 1.0 / ss
    offs = [(i + 0.5) * step for i in range(ss)]
    n = ss * ss
    for y in range(h):
        for x in range(w):
            hits = 0
            for oy in offs:
                for ox in offs:
                    if shape(x + ox, y + oy):
                        hits += 1
            if not hits:
                continue
            a = int(hits * 255 // n * alpha)
            i = (y * w + x) * 4
            # source-over of a straight colour on a straight pixel
            da = out[i + 3]
            oa = a + da * (255 - a) // 255
            if oa == 0:
                continue
            for k in range(3):
                out[i + k] = min(255, (colour[k] * a + out[i + k] * da * (255 - a) // 255) // oa)
            out[i + 3] = oa
    return out

# ---------------------------------------------------------------- halos
# White chrome lies over any picture: a soft dark halo around the ink keeps
# it readable over white, and being black it vanishes over dark pictures,
# so no box shows there.

HALO_ALPHA = 0.72  # of black, right at the ink's edge


def scaled(shape, s):
    """A shape drawn in canvas units, evaluated on a canvas s times larger."""
    if s == 1:
        return shape
    return lambda x, y: shape(x / s, y / s)


def with_halo(rgba, w, h, radius):
    """White-on-transparent ink over a black halo fading out `radius` pixels
    past the ink. Returns a new straight-RGBA buffer."""
    reach = int(math.ceil(radius)) + 1
    kernel = []
    for dy in range(-reach, reach + 1):
        for dx in range(-reach, reach + 1):
            d = math.hypot(dx, dy)
            # Full strength within a pixel of the ink, then fading out.
            f = 1.0 if d <= 1.0 else max(0.0, 1.0 - (d - 1.0) / radius)
            if f > 0:
                kernel.append((dx, dy, f))
    halo = [0.0] * (w * h)
    for y in range(h):
        for x in range(w):
            a = rgba[(y * w + x) * 4 + 3]
            if not a:
                continue
            for dx, dy, f in kernel:
                nx, ny = x + dx, y + dy
                if 0 <= nx < w and 0 <= ny < h:
                    v = a * f
                    if v > halo[ny * w + nx]:
                        halo[ny * w + nx] = v
    out = bytearray(w * h * 4)
    for i in range(w * h):
        ha = int(halo[i] * HALO_ALPHA + 0.5)
        ia = rgba[i * 4 + 3]
        # white ink (straight) over black halo (straight)
        oa = ia + ha * (255 - ia) // 255
        if not oa:
            continue
        c = rgba[i * 4] * ia // oa
        out[i * 4:i * 4 + 4] = bytes((c, c, c, oa))
    return out


def over(top, base):
    """Straight-RGBA source-over of top on base, in place in base."""
    for i in range(0, len(base), 4):
        a = top[i + 3]
        if not a:
            continue
        da = base[i + 3]
        oa = a + da * (255 - a) // 255
        for k in range(3):
            base[i + k] = min(255, (top[i + k] * a + base[i + k] * da * (255 - a) // 255) // oa)
        base[i + 3] = oa
    return base


def shadowed(size, shape, base, s):
    """The maximize glyphs' thin squares: a crisp shadow one canvas unit down
    and right under the ink (a soft halo would fill their small insides)."""
    raster(size, scaled(lambda x, y: shape(x - 1.0, y - 1.0), s), (0, 0, 0), base=base, alpha=HALO_ALPHA)
    return raster(size, scaled(shape, s), base=base)

# ---------------------------------------------------------------- glyphs
# Toolbar glyphs on a 64 canvas keep their ink inside the middle 36 pixels, so
# that with their halo they stay inside 50-pixel buttons and the engine shows
# them 1:1; one stroke width (3) and round caps make them one family. Every
# glyph is drawn again from its shapes for each display scale.

W = 3.0


def magnifier(sign):
    cx, cy, r = 29.0, 29.0, 10.5
    parts = [ring(cx, cy, r, W), stroke([(37.0, 37.0), (45.5, 45.5)], 4.2)]
    parts.append(stroke([(24.0, 29.0), (34.0, 29.0)], W))
    if sign == "+":
        parts.append(stroke([(29.0, 24.0), (29.0, 34.0)], W))
    return union(*parts)


def save_glyph():
    return union(stroke([(32.0, 15.0), (32.0, 36.0)], W),
                 stroke([(24.5, 29.0), (32.0, 36.5), (39.5, 29.0)], W),
                 stroke([(17.5, 36.0), (17.5, 46.5), (46.5, 46.5), (46.5, 36.0)], W))


def delete_glyph():
    return union(stroke([(17.5, 20.5), (46.5, 20.5)], W),
                 stroke([(27.0, 20.5), (27.0, 16.0), (37.0, 16.0), (37.0, 20.5)], 2.5),
                 stroke([(21.5, 25.0), (24.0, 47.0), (40.0, 47.0), (42.5, 25.0)], W),
                 stroke([(28.5, 29.0), (29.0, 42.0)], 2.5),
                 stroke([(35.5, 29.0), (35.0, 42.0)], 2.5))


def rotate_glyph():
    cx, cy, r = 32.0, 32.5, 12.0
    start, end = -55.0, 235.0
    a = math.radians(end)
    ex, ey = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty = -math.sin(a), math.cos(a)          # clockwise tangent
    nx, ny = math.cos(a), math.sin(a)           # outward normal
    head = polygon([(ex + tx * 7.5, ey + ty * 7.5), (ex + nx * 6.5 - tx * 1.0, ey + ny * 6.5 - ty * 1.0),
                    (ex - nx * 6.5 - tx * 1.0, ey - ny * 6.5 - ty * 1.0)])
    return union(arc(cx, cy, r, W, start, end - 4), head)


def gear_glyph():
    # Ink within the middle 24 pixels: the settings button is 30 wide, and
    # a narrower halo keeps it inside at every scale.
    cx, cy = 32.0, 32.0
    teeth = []
    for k in range(8):
        a = k * math.pi / 4
        c, s = math.cos(a), math.sin(a)
        hw = 2.3
        pts = []
        for (rr, ww) in ((6.0, -hw), (11.6, -hw * 0.8), (11.6, hw * 0.8), (6.0, hw)):
            pts.append((cx + rr * c - ww * s, cy + rr * s + ww * c))
        teeth.append(polygon(pts))
    body = union(disc(cx, cy, 8.6), *teeth)
    return minus(body, disc(cx, cy, 3.6))


def chevron(direction):
    # 48 canvas, ink within the middle 30 pixels wide.
    if direction < 0:
        pts = [(28.0, 12.0), (18.5, 24.0), (28.0, 36.0)]
    else:
        pts = [(20.0, 12.0), (29.5, 24.0), (20.0, 36.0)]
    return stroke(pts, 3.5)

# Window buttons: 30 x 30, 1-pixel strokes on pixel boundaries stay crisp.


def dash():
    return rect(10.0, 15.0, 20.0, 16.0)


def square():
    return minus(rect(10.0, 10.0, 20.0, 20.0), rect(11.0, 11.0, 19.0, 19.0))


def cross():
    return union(stroke([(10.5, 10.5), (19.5, 19.5)], 1.3), stroke([(19.5, 10.5), (10.5, 19.5)], 1.3))


def restore():
    front = minus(rect(10.0, 12.0, 18.0, 20.0), rect(11.0, 13.0, 17.0, 19.0))
    back = minus(minus(rect(12.0, 10.0, 20.0, 18.0), rect(13.0, 11.0, 19.0, 17.0)), rect(10.0, 12.0, 18.0, 20.0))
    return union(front, back)

# ---------------------------------------------------------------- icon


def icon_image(size):
    s = size / 64.0
    base = bytearray(size * size * 4)
    # Rounded tile with a vertical blue gradient.
    r = 12 * s
    tile = union(rect(2 * s + r, 2 * s, 62 * s - r, 62 * s), rect(2 * s, 2 * s + r, 62 * s, 62 * s - r),
                 disc(2 * s + r, 2 * s + r, r), disc(62 * s - r, 2 * s + r, r),
                 disc(2 * s + r, 62 * s - r, r), disc(62 * s - r, 62 * s - r, r))
    ss = 2 if size >= 128 else 4
    cov = raster(size, tile, (255, 255, 255), ss=ss)
    for y in range(size):
        t = y / max(size - 1, 1)
        colour = (int(40 + 20 * t), int(140 - 60 * t), int(235 - 45 * t))
        for x in range(size):
            i = (y * size + x) * 4
            base[i:i + 3] = bytes(colour)
            base[i + 3] = cov[i + 3]
    picture = union(polygon([(12 * s, 50 * s), (27 * s, 28 * s), (38 * s, 42 * s), (44 * s, 35 * s),
                             (53 * s, 50 * s)]), disc(44 * s, 20 * s, 6 * s))
    raster(size, picture, WHITE, ss=ss, base=base)
    return base

# ---------------------------------------------------------------- packs

TEXT, FONT, STATE_IMAGE, GLYPH, ICON, FILL, CAPTION_HEIGHT = 1, 2, 3, 4, 5, 6, 7


def pack(entries):
    body = b""
    for tag, slot, payload in entries:
        body += struct.pack("<HHI", tag, slot, len(payload)) + payload
        body += b"\0" * ((-len(payload)) % 4)
    return b"EXPK" + struct.pack("<IHHI", 16 + len(body), 1, len(entries), 0) + body


def gbk(text):
    return text.encode("gbk") + b"\0"


def font(face, points):
    return struct.pack("<i", points) + gbk(face)


# Display scales the skins are drawn for, in per cent. The engine takes the
# smallest one at or above its window's scale; 100 % keeps slot numbers below
# 256, the others carry percent / 25 in the slot's high byte.
SCALES = (100, 125, 150, 200)
HALO_RADIUS = 3.0  # pixels at 100 %


def side(length, percent):
    """A length at a scale, rounded half up as the viewer's controls are."""
    return (length * percent + 50) // 100


def scale_slot(slot, percent):
    return slot if percent == 100 else slot | ((percent // 25) << 8)


def glyph_entries(size, shape, halo=HALO_RADIUS):
    entries = []
    for percent in SCALES:
        s = percent / 100.0
        n = side(size, percent)
        ink = raster(n, scaled(shape, s))
        entries.append((GLYPH, scale_slot(0, percent), png(n, n, with_halo(ink, n, n, halo * s))))
    return entries


def superbutton_states(w, h):
    return [(STATE_IMAGE, state, png(w, h, solid(w, h, WHITE, alpha)))
            for state, alpha in ((0, 0), (1, 64), (2, 128))]


def window_button(glyphs, hover_fill, pressed_fill, halo=None):
    """glyphs: list per set of a shape; fills: (colour, alpha); halo: the
    radius of a soft halo, or None for the thin shadow."""
    entries = []
    for percent in SCALES:
        s = percent / 100.0
        n = side(30, percent)
        for set_index, shape in enumerate(glyphs):
            for state, (colour, alpha) in enumerate(((WHITE, 0), hover_fill, pressed_fill)):
                base = solid(n, n, colour, alpha)
                # An opaque fill already sets the ink apart.
                if alpha == 255:
                    image = raster(n, scaled(shape, s), base=base)
                elif halo:
                    image = over(with_halo(raster(n, scaled(shape, s)), n, n, halo * s), base)
                else:
                    image = shadowed(n, shape, base, s)
                entries.append((STATE_IMAGE, scale_slot(set_index * 4 + state, percent), png(n, n, image)))
    return entries


def build(out):
    os.makedirs(out, exist_ok=True)
    icon_sizes = [256, 128, 96, 72, 64, 48, 32, 24, 16]
    images = []
    for size in icon_sizes:
        rgba = icon_image(size)
        # The largest size as PNG (as Windows icons carry it), the rest as DIBs.
        images.append((size, png(size, size, rgba) if size >= 256 else ico_dib(size, size, rgba)))
    ico_bytes = ico(images)
    with open(os.path.join(out, "vela.ico"), "wb") as f:
        f.write(ico_bytes)

    packs = {}
    packs["SkinFrame"] = pack([(TEXT, 0, gbk("Vela图片查看器")), (FONT, 0, font("微软雅黑", 14)),
                               (FILL, 0, struct.pack("<I", 0x8C000000)), (CAPTION_HEIGHT, 0, struct.pack("<i", 30)),
                               (ICON, 0, ico_bytes)])
    toolbar = {"ZoomInButton": magnifier("+"), "ZoomOutButton": magnifier("-"), "SaveButton": save_glyph(),
               "DeleteButton": delete_glyph(), "RotateButton": rotate_glyph()}
    for name, shape in toolbar.items():
        packs[name] = pack(superbutton_states(50, 50) + glyph_entries(64, shape))
    packs["ZoomRatioButton"] = pack(superbutton_states(50, 50) + [(TEXT, 0, gbk("123")),
                                                                  (FONT, 0, font("微软雅黑", 11))])
    packs["SettingsButton"] = pack(superbutton_states(30, 30) + glyph_entries(64, gear_glyph(), halo=2.4))
    packs["PreviousButton"] = pack(superbutton_states(30, 90) + glyph_entries(48, chevron(-1)))
    packs["NextButton"] = pack(superbutton_states(30, 90) + glyph_entries(48, chevron(+1)))
    packs["MinimizeButton"] = pack(window_button([dash()], (WHITE, 38), (WHITE, 77), halo=2.0))
    packs["MaximizeButton"] = pack(window_button([square(), restore()], (WHITE, 38), (WHITE, 77)))
    packs["CloseButton"] = pack(window_button([cross()], ((212, 64, 39), 255), ((166, 42, 21), 255), halo=2.0))
    packs["Toolbar"] = pack([])
    packs["PictureView"] = pack([])
    for name, data in packs.items():
        with open(os.path.join(out, name + ".pack"), "wb") as f:
            f.write(data)

    with open(os.path.join(out, "vela.manifest"), "w", encoding="utf-8") as f:
        f.write(MANIFEST)
    here = out.replace("\\", "/")
    lines = ["// Made by assets/skins/make_skins.py; do not edit.", "#include <windows.h>", "",
             '1 ICON "%s/vela.ico"' % here, ""]
    for name in packs:
        lines.append('%s RCDATA "%s/%s.pack"' % (name, here, name))
    lines += ["", '1 24 "%s/vela.manifest"' % here, "", VERSION]
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

VERSION = """1 VERSIONINFO
FILEVERSION 1,0,0,0
PRODUCTVERSION 1,0,0,0
FILEFLAGSMASK 0x3fL
FILEFLAGS 0x0L
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
FILESUBTYPE VFT2_UNKNOWN
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "080404b0"
        BEGIN
            VALUE "CompanyName", "Vela"
            VALUE "FileDescription", "Vela Picture Viewer"
            VALUE "FileVersion", "1.0.0.0"
            VALUE "InternalName", "VelaViewer"
            VALUE "OriginalFilename", "VelaViewer.exe"
            VALUE "ProductName", "Vela"
            VALUE "ProductVersion", "1.0.0.0"
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x804, 1200
    END
END"""

if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_skins.py OUTPUT_FOLDER")
    build(sys.argv[1])
