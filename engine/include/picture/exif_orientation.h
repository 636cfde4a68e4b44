#pragma once
// The orientation a camera records in a JPEG's EXIF block (tag 0x0112 of
// the first image directory): how the stored rows must be turned or
// mirrored to stand upright. Neither GDI+ nor the imaging component applies
// it when decoding, so the viewer's measurement and rotation and the
// engine's decode read it here and turn the picture themselves. Header only,
// like decoder_guards.h, so that the engine DLL shares it.
//
// Every read is checked against the end of its segment: a damaged block
// (offsets or counts beyond the segment, a directory that points back into
// itself) gives 1, "as stored". Only the first directory is read and its
// link to the next one is never followed, so nothing can loop.
#include <cstddef>
#include <cstdint>

namespace vela::imaging {

// EXIF orientation values: 1 as stored; 2 mirrored left-right; 3 turned
// 180 degrees; 4 mirrored top-bottom; 5 mirrored along the main diagonal
// (transposed); 6 to be turned a quarter clockwise; 7 mirrored along the
// other diagonal; 8 to be turned a quarter anticlockwise.
inline constexpr int kOrientationUpright = 1;

// True when the upright picture's width is the stored height.
inline bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// The orientation of an EXIF TIFF block (what follows "Exif\0\0"), 1 when
// there is none or it cannot be trusted.
inline int TiffOrientation(const uint8_t* p, std::size_t length) {
    if (length < 8) return kOrientationUpright;
    bool little;
    if (p[0] == 'I' && p[1] == 'I') {
        little = true;
    } else if (p[0] == 'M' && p[1] == 'M') {
        little = false;
    } else {
        return kOrientationUpright;
    }
    auto u16 = [&](std::size_t at) -> uint32_t {
        return little ? (p[at] | (p[at + 1] << 8)) : ((p[at] << 8) | p[at + 1]);
    };
    auto u32 = [&](std::size_t at) -> uint32_t { return little ? (u16(at) | (u16(at + 2) << 16)) : ((u16(at) << 16) | u16(at + 2)); };
    if (u16(2) != 42) return kOrientationUpright;
    const uint64_t directory = u32(4);
    if (directory < 8 || directory + 2 > length) return kOrientationUpright;
    const uint64_t count = u16(static_cast<std::size_t>(directory));
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t entry = directory + 2 + 12 * i;
        if (entry + 12 > length) break;
        const std::size_t e = static_cast<std::size_t>(entry);
        if (u16(e) != 0x0112) continue;
        // SHORT (type 3), one value, held in the entry itself.
        if (u16(e + 2) != 3 || u32(e + 4) < 1) return kOrientationUpright;
        const uint32_t value = u16(e + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : kOrientationUpright;
    }
    return kOrientationUpright;
}

// One marker segment of a JPEG: its marker and its content after the
// length field.
struct JpegSegment {
    uint8_t marker;
    const uint8_t* data;
    std::size_t length;
};

// Walks a JPEG's marker segments after its start marker, passing over fill
// bytes and the markers without a length, and hands each to `visit` (the
// first scan, 0xDA, included) until `visit` returns false. The walk ends
// quietly at the end marker, at bytes that are no marker, or at a segment
// that runs past the data.
template <typename Visit>
inline void WalkJpegSegments(const void* data, std::size_t length, Visit visit) {
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || length < 4 || p[0] != 0xFF || p[1] != 0xD8) return;
    std::size_t at = 2;
    while (at + 4 <= length) {
        if (p[at] != 0xFF) return;
        const uint8_t marker = p[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
            at += 2;
            continue;
        }
        if (marker == 0xD9) return;  // the end
        const std::size_t size = static_cast<std::size_t>((p[at + 2] << 8) | p[at + 3]);
        if (size < 2 || size > length - at - 2) return;
        if (!visit(JpegSegment{marker, p + at + 4, size - 2})) return;
        at += 2 + size;
    }
}

// The EXIF orientation of a JPEG file's bytes (or of its first part: the
// EXIF block comes before the picture data), 1 for anything else.
inline int JpegOrientation(const void* data, std::size_t length) {
    int orientation = kOrientationUpright;
    WalkJpegSegments(data, length, [&](const JpegSegment& s) {
        // The picture data starts: no EXIF before it.
        if (s.marker == 0xDA) return false;
        const uint8_t* e = s.data;
        if (s.marker == 0xE1 && s.length >= 6 && e[0] == 'E' && e[1] == 'x' && e[2] == 'i' && e[3] == 'f' &&
            e[4] == 0 && e[5] == 0) {
            orientation = TiffOrientation(e + 6, s.length - 6);
            return false;
        }
        return true;
    });
    return orientation;
}

}  // namespace vela::imaging
