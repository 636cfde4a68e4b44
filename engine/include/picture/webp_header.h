#pragma once
// The size and kind of a WebP picture, read from its first chunk without
// decoding it: GDI+ (Wine's, and Windows' without an extra codec) cannot
// read WebP, so the viewer's measurement takes the size from here. Shared
// by the viewer and the engine (header only).
#include <cstddef>
#include <cstdint>

namespace vela::imaging {

struct WebpHeader {
    int width = 0;   // the canvas: what every frame of a moving picture is drawn into
    int height = 0;
    bool animated = false;  // VP8X with its animation flag
    bool alpha = false;     // may have transparent pixels
    bool iccProfile = false;
    bool whole = false;  // the data holds every byte the RIFF header declares
};

// True when the bytes start like a WebP file: "RIFF", a size, "WEBP".
inline bool LooksLikeWebp(const void* data, std::size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    return p && length >= 12 && p[0] == 'R' && p[1] == 'I' && p[2] == 'F' && p[3] == 'F' && p[8] == 'W' &&
           p[9] == 'E' && p[10] == 'B' && p[11] == 'P';
}

// Reads the canvas size and flags from the first chunk: VP8X (extended:
// 24-bit sides stored minus one), VP8 (lossy: 14-bit sides after the key
// frame's start code) or VP8L (lossless: 14-bit sides minus one after its
// signature byte). False, leaving *out untouched, for anything else or a
// chunk cut short before the fields read; a file may still be damaged
// further on.
inline bool ReadWebpHeader(const void* data, std::size_t length, WebpHeader* out) {
    // Where each first chunk's fields end: the RIFF header, the chunk's tag
    // and size, then VP8X's flags and sides (10 bytes), VP8's frame tag,
    // start code and sides (10), VP8L's signature and packed sides (5).
    constexpr std::size_t kChunkStart = 20, kVp8xEnd = kChunkStart + 10, kVp8End = kChunkStart + 10,
                          kVp8lEnd = kChunkStart + 5;
    if (!LooksLikeWebp(data, length) || length < kChunkStart || !out) return false;
    const auto* p = static_cast<const uint8_t*>(data);
    auto u16 = [&](std::size_t at) { return static_cast<uint32_t>(p[at] | (p[at + 1] << 8)); };
    auto u24 = [&](std::size_t at) { return u16(at) | (static_cast<uint32_t>(p[at + 2]) << 16); };
    auto is = [&](const char* tag) { return p[12] == tag[0] && p[13] == tag[1] && p[14] == tag[2] && p[15] == tag[3]; };
    WebpHeader h;
    if (is("VP8X")) {
        if (length < kVp8xEnd) return false;
        const uint8_t flags = p[20];
        h.iccProfile = (flags & 0x20) != 0;
        h.alpha = (flags & 0x10) != 0;
        h.animated = (flags & 0x02) != 0;
        h.width = static_cast<int>(u24(24) + 1);
        h.height = static_cast<int>(u24(27) + 1);
    } else if (is("VP8 ")) {
        // Frame tag (3 bytes, bit 0 clear for a key frame), then 9D 01 2A.
        if (length < kVp8End) return false;
        if ((p[20] & 1) != 0 || p[23] != 0x9D || p[24] != 0x01 || p[25] != 0x2A) return false;
        h.width = static_cast<int>(u16(26) & 0x3FFF);
        h.height = static_cast<int>(u16(28) & 0x3FFF);
    } else if (is("VP8L")) {
        if (length < kVp8lEnd || p[20] != 0x2F) return false;
        const uint32_t bits = u16(21) | (u16(23) << 16);
        h.width = static_cast<int>((bits & 0x3FFF) + 1);
        h.height = static_cast<int>(((bits >> 14) & 0x3FFF) + 1);
        h.alpha = ((bits >> 28) & 1) != 0;
    } else {
        return false;
    }
    if (h.width <= 0 || h.height <= 0) return false;
    const uint64_t declared = uint64_t{u16(4)} | (uint64_t{u16(6)} << 16);
    h.whole = declared + 8 <= length;
    *out = h;
    return true;
}

}  // namespace vela::imaging
