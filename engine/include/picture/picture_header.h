#pragma once
// A picture's natural size read from its header, without decoding it: what
// GDI+ on Windows learns when it loads a picture, and what a decode by this
// platform's GDI+ would cost a third of a second and a decoded picture's
// memory to learn. Shared by the viewer's measurement and the engine (header
// only, like decoder_guards.h).
//
// Each format has its own reader in the table at the end; a reader answers
// only when the header settles the size beyond doubt (every field it reads
// lies inside the data and holds a value the decoders accept), and leaves
// everything else to a decode. Nothing is allocated and nothing is read
// outside [data, data + length), whatever the bytes claim.
#include <cstddef>
#include <cstdint>

#include "picture/bmp_fields.h"
#include "picture/exif_orientation.h"
#include "picture/heif_header.h"
#include "picture/jxl_header.h"
#include "picture/webp_header.h"

namespace vela::imaging {

struct HeaderSize {
    int width = 0;
    int height = 0;
};

namespace header_detail {

inline uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) { return Le16(p) | (Le16(p + 2) << 16); }
inline uint32_t Be16(const uint8_t* p) { return static_cast<uint32_t>((p[0] << 8) | p[1]); }
inline uint32_t Be32(const uint8_t* p) { return (Be16(p) << 16) | Be16(p + 2); }

// Both sides positive and within a 32-bit signed size.
inline bool Settle(uint64_t width, uint64_t height, HeaderSize* out) {
    constexpr uint64_t kLargest = 0x7FFFFFFF;
    if (width == 0 || height == 0 || width > kLargest || height > kLargest) return false;
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    return true;
}

inline uint32_t PngCrc(const uint8_t* p, std::size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// A PNG's header chunk at p (the 8-byte signature first): its size when the
// chunk is whole, its check sum right and its depth and colour type a pair
// the format allows.
inline bool PngSize(const uint8_t* p, std::size_t length, HeaderSize* out) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    constexpr std::size_t kHeaderEnd = 8 + 8 + 13 + 4;  // signature, length and type, fields, check sum
    if (length < kHeaderEnd) return false;
    for (int i = 0; i < 8; ++i)
        if (p[i] != signature[i]) return false;
    const uint8_t* chunk = p + 8;
    if (Be32(chunk) != 13 || chunk[4] != 'I' || chunk[5] != 'H' || chunk[6] != 'D' || chunk[7] != 'R') return false;
    if (PngCrc(chunk + 4, 17) != Be32(chunk + 21)) return false;
    const uint8_t* f = chunk + 8;
    const uint32_t depth = f[8], colour = f[9];
    bool pair = false;
    switch (colour) {
        case 0: pair = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
        case 3: pair = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
        case 2:
        case 4:
        case 6: pair = depth == 8 || depth == 16; break;
        default: break;
    }
    if (!pair || f[10] != 0 || f[11] != 0 || f[12] > 1) return false;
    return Settle(Be32(f), Be32(f + 4), out);
}

}  // namespace header_detail

// JPEG: the frame header of a baseline, extended or progressive picture of
// 8-bit samples, found before the first scan (which must follow), its sides
// swapped when the EXIF orientation turns the picture a quarter. A second
// frame header, a lossless or arithmetic-coded frame, or no scan: a decode
// decides.
inline bool JpegHeaderSize(const uint8_t* p, std::size_t length, HeaderSize* out) {
    using namespace header_detail;
    HeaderSize frame;
    bool framed = false, scanned = false;
    WalkJpegSegments(p, length, [&](const JpegSegment& s) {
        if (s.marker == 0xDA) {
            scanned = framed;
            return false;
        }
        const bool anyFrame = s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 &&
                              s.marker != 0xCC;
        if (!anyFrame) return true;
        // Huffman-coded baseline, extended and progressive frames only.
        if (framed || s.marker > 0xC2 || s.length < 6) return false;
        const uint8_t* f = s.data;
        const uint32_t components = f[5];
        if (f[0] != 8 || (components != 1 && components != 3) || s.length < 6 + 3 * components) return false;
        framed = Settle(Be16(f + 3), Be16(f + 1), &frame);
        return framed;
    });
    if (!scanned) return false;
    if (OrientationSwapsSides(JpegOrientation(p, length))) {
        const int side = frame.width;
        frame.width = frame.height;
        frame.height = side;
    }
    *out = frame;
    return true;
}

// PNG: the header chunk (IHDR), which must come first.
inline bool PngHeaderSize(const uint8_t* p, std::size_t length, HeaderSize* out) {
    return header_detail::PngSize(p, length, out);
}

// GIF: the logical screen, once the data reaches the first picture's whole
// descriptor (a file of a screen alone is no picture), wherever that picture
// lies on it: the engine shows a GIF on its screen (as Windows' GDI+
// measures it; this platform's measures the first picture instead).
inline bool GifHeaderSize(const uint8_t* p, std::size_t length, HeaderSize* out) {
    using namespace header_detail;
    if (length < 13 || p[0] != 'G' || p[1] != 'I' || p[2] != 'F' || p[3] != '8' || (p[4] != '7' && p[4] != '9') ||
        p[5] != 'a')
        return false;
    std::size_t at = 13;
    if (p[10] & 0x80) at += std::size_t{3} << ((p[10] & 7) + 1);
    while (at < length) {
        const uint8_t type = p[at++];
        if (type == 0x2C) {
            if (length - at < 9) return false;
            return Settle(Le16(p + 6), Le16(p + 8), out);
        }
        if (type != 0x21 || at >= length) return false;  // the trailer first, or not a block
        ++at;  // the extension's label, then its sub-blocks up to the empty one
        for (;;) {
            if (at >= length) return false;
            const std::size_t size = p[at++];
            if (size == 0) break;
            if (size > length - at) return false;
            at += size;
        }
    }
    return false;
}

// BMP: the info header (the 12-byte core header, or the 40-byte one and its
// longer versions), rows bottom-up (positive height) or top-down (negative);
// the depth must suit the compression, and the rows must start inside the
// data.
inline bool BmpHeaderSize(const uint8_t* p, std::size_t length, HeaderSize* out) {
    using namespace header_detail;
    BmpFields f;
    if (!ReadBmpFields(p, length, &f) || f.offset >= length) return false;
    if (f.header == 12) {
        if (f.bits != 1 && f.bits != 4 && f.bits != 8 && f.bits != 24) return false;
        return Settle(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.height), out);
    }
    if (f.header != 40 && f.header != 52 && f.header != 56 && f.header != 108 && f.header != 124) return false;
    const uint32_t bits = f.bits;
    bool suits = false;
    switch (f.compression) {
        case 0: suits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; break;
        case 1: suits = bits == 8 && f.height > 0; break;   // run-length rows are bottom-up only
        case 2: suits = bits == 4 && f.height > 0; break;
        case 3: suits = bits == 16 || bits == 32; break;  // bit fields
        default: break;
    }
    if (!suits || f.width <= 0) return false;
    return Settle(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.height < 0 ? -f.height : f.height), out);
}

// ICO: the first entry of the directory, the one GDI+ shows, by the picture
// it holds (a PNG's header chunk, or a bitmap's info header whose height
// counts the mask's rows too); the directory's own record of the size (0
// standing for 256) must agree. A cursor (the same directory, type 2) is
// left to a decode: GDI+ has no decoder that takes it.
inline bool IconHeaderSize(const uint8_t* p, std::size_t length, HeaderSize* out) {
    using namespace header_detail;
    if (length < 6 + 16 || p[0] != 0 || p[1] != 0 || p[2] != 1 || p[3] != 0 || Le16(p + 4) == 0) return false;
    const uint8_t* entry = p + 6;
    const uint64_t size = Le32(entry + 8), offset = Le32(entry + 12);
    if (offset > length || size > length - offset) return false;
    const uint8_t* image = p + offset;
    HeaderSize found;
    if (size >= 8 && image[0] == 0x89 && image[1] == 'P') {
        if (!PngSize(image, static_cast<std::size_t>(size), &found)) return false;
    } else {
        if (size < 40 || Le32(image) != 40) return false;
        const int64_t width = static_cast<int32_t>(Le32(image + 4)), height = static_cast<int32_t>(Le32(image + 8));
        const uint32_t bits = Le16(image + 14);
        if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
        if (width <= 0 || height <= 0 || height % 2 != 0) return false;
        if (!Settle(static_cast<uint64_t>(width), static_cast<uint64_t>(height / 2), &found)) return false;
    }
    const int listedWidth = entry[0] ? entry[0] : 256, listedHeight = entry[1] ? entry[1] : 256;
    if (found.width != listedWidth || found.height != listedHeight) return false;
    *out = found;
    return true;
}

// A WebP's canvas, from its first chunk, when the file holds every byte its
// RIFF header declares (a file cut short is not shown either).
inline bool WebpHeaderSize(const uint8_t* p, std::size_t length, HeaderSize* out) {
    WebpHeader header;
    if (!ReadWebpHeader(p, length, &header) || !header.whole) return false;
    return header_detail::Settle(static_cast<uint64_t>(header.width), static_cast<uint64_t>(header.height), out);
}

// HEIC and AVIF: the primary item's spatial extent, cropped by its clean
// aperture and turned by its rotation as a reader shows it.
inline bool HeifHeaderSize(const uint8_t* p, std::size_t length, HeaderSize* out) {
    uint64_t width = 0, height = 0;
    return ReadHeifSize(p, length, &width, &height) && header_detail::Settle(width, height, out);
}

// JPEG XL: the codestream's size header, turned by its orientation.
inline bool JpegXlHeaderSize(const uint8_t* p, std::size_t length, HeaderSize* out) {
    uint64_t width = 0, height = 0;
    return ReadJpegXlSize(p, length, &width, &height) && header_detail::Settle(width, height, out);
}

// The readers, one per format; a new format adds its reader here.
using HeaderReader = bool (*)(const uint8_t* data, std::size_t length, HeaderSize* out);
inline constexpr HeaderReader kHeaderReaders[] = {JpegHeaderSize, PngHeaderSize,  GifHeaderSize,   BmpHeaderSize,
                                                  IconHeaderSize, WebpHeaderSize, HeifHeaderSize, JpegXlHeaderSize};

// The picture's natural size (upright) when its header settles it; false
// sends the caller to a decode. A header may lie about the pixels after
// it: a picture sized here may still fail to decode.
inline bool SizeFromHeader(const void* data, std::size_t length, HeaderSize* out) {
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || !out) return false;
    for (HeaderReader read : kHeaderReaders) {
        HeaderSize size;
        if (read(p, length, &size)) {
            *out = size;
            return true;
        }
    }
    return false;
}

}  // namespace vela::imaging
