#pragma once
// Checks made before picture bytes reach the platform's decoders, so that
// no damaged file can end the process: some decoders (Wine's GDI+) read
// past the end of such files.
// Shared by the viewer's measurement and rotation and by the engine's
// decode (header only, so that the engine DLL needs nothing else from here).
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "picture/bmp_fields.h"

namespace vela::imaging {

// False for a BMP whose uncompressed pixel rows, as its header declares
// them, do not lie wholly inside the data. The platform's decoder under
// Wine reads past the end of such a file (a flipped height or data offset
// is enough) and ends the process; it treats a short bitmap as
// undecodable anyway, so rejecting it first changes no answer. True for
// anything that is not a BMP, and for compressed rows (no fixed size).
inline bool BitmapRowsInside(const void* data, std::size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || length < 2 || p[0] != 'B' || p[1] != 'M') return true;
    BmpFields f;
    if (!ReadBmpFields(p, length, &f)) return false;
    if (f.compression != BI_RGB && f.compression != BI_BITFIELDS) return true;
    if (f.width <= 0 || f.height == 0 || f.bits == 0 || f.bits > 32) return false;
    const uint64_t stride = (static_cast<uint64_t>(f.width) * f.bits + 31) / 32 * 4;
    return f.offset + stride * static_cast<uint64_t>(f.height < 0 ? -f.height : f.height) <= length;
}

// False for an icon or cursor whose directory or images, as declared, do not
// lie inside the data (the decoder reads them wherever the directory says),
// or whose bitmap image claims more rows than its entry holds.
inline bool IconImagesInside(const void* data, std::size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || length < 6 || p[0] != 0 || p[1] != 0 || (p[2] != 1 && p[2] != 2) || p[3] != 0) return true;
    auto u16 = [&](std::size_t at) { return static_cast<uint32_t>(p[at] | (p[at + 1] << 8)); };
    auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
    const uint64_t count = u16(4);
    if (count == 0 || 6 + 16 * count > length) return false;
    for (uint64_t i = 0; i < count; ++i) {
        const std::size_t entry = static_cast<std::size_t>(6 + 16 * i);
        const uint64_t size = u32(entry + 8), offset = u32(entry + 12);
        if (offset < 6 + 16 * count || size < 8 || offset + size > length) return false;
        const std::size_t at = static_cast<std::size_t>(offset);
        if (p[at] == 0x89 && p[at + 1] == 'P') continue;  // a PNG image: the PNG checks apply
        if (size < 40 || u32(at) < 40) return false;
        const int64_t w = static_cast<int32_t>(u32(at + 4)), h = static_cast<int32_t>(u32(at + 8));
        const uint32_t bits = u16(at + 14);
        if (w <= 0 || h <= 0 || bits == 0 || bits > 32) return false;
        const uint64_t rows = static_cast<uint64_t>(h) / 2;
        const uint64_t colours = bits <= 8 ? 4ull << bits : 0;
        const uint64_t xor_ = (static_cast<uint64_t>(w) * bits + 31) / 32 * 4 * rows;
        const uint64_t and_ = (static_cast<uint64_t>(w) + 31) / 32 * 4 * rows;
        if (u32(at) + colours + xor_ + and_ > size) return false;
    }
    return true;
}

// False for a GIF whose picture claims more pixels than the compressed data
// after it can hold (LZW codes are at least two bits wide and each stands
// for at most 4096 pixels), so that a folder of such files cannot use up the
// address space and end the process: a platform decoder (Wine's) allocates
// the claimed pixels, fails on the short data and never frees them. No
// decoder can fill such a picture, so refusing it first changes no answer.
// A picture whose data is cut short is judged by the bytes there are (a
// decoder shows it when its pixels are all there). True for anything that
// is not a GIF.
inline bool GifPixelsFitData(const void* data, std::size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || length < 4 || p[0] != 'G' || p[1] != 'I' || p[2] != 'F' || p[3] != '8') return true;
    if (length < 13) return false;
    auto u16 = [&](std::size_t at) { return static_cast<uint64_t>(p[at] | (p[at + 1] << 8)); };
    // Sub-blocks from `at` up to their zero terminator or the end of the
    // data: the payload bytes there are.
    auto subBlocks = [&](std::size_t& at) {
        uint64_t bytes = 0;
        while (at < length) {
            const std::size_t size = p[at++];
            if (size == 0) break;
            const std::size_t there = size < length - at ? size : length - at;
            at += there;
            bytes += there;
        }
        return bytes;
    };
    std::size_t at = 13;
    if (p[10] & 0x80) at += std::size_t{3} << ((p[10] & 7) + 1);
    while (at < length) {
        const uint8_t type = p[at++];
        if (type == 0x21) {  // extension: label, then sub-blocks
            ++at;
            subBlocks(at);
        } else if (type == 0x2C) {  // picture: descriptor, colours, code size, data
            if (length - at < 9) return true;
            const uint64_t pixels = u16(at + 4) * u16(at + 6);
            const uint8_t flags = p[at + 8];
            at += 9;
            if (flags & 0x80) at += std::size_t{3} << ((flags & 7) + 1);
            ++at;  // the smallest code size
            if (pixels > subBlocks(at) * 4 * 4096) return false;
        } else {
            return true;  // the trailer, or not a block: the decoder decides
        }
    }
    return true;
}

// Every check above: false when the bytes must not reach the platform's
// decoders at all (the picture is then undecodable, as they would find it).
inline bool DecodersMayRead(const void* data, std::size_t length) {
    return BitmapRowsInside(data, length) && IconImagesInside(data, length) && GifPixelsFitData(data, length);
}

// How much of the bytes to hand to the decoder: for a PNG, up to the end of
// its last chunk that lies wholly inside the data (its end chunk included),
// so that the decoder never meets a chunk whose declared length runs past
// the data (a damaged length makes it read beyond its buffer). A file cut
// inside a chunk is thereby cut at the chunk before, which the decoder
// takes as the same truncated file. Anything else: all of it.
inline std::size_t DecodableLength(const void* data, std::size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (!p || length < 8) return length;
    for (int i = 0; i < 8; ++i)
        if (p[i] != signature[i]) return length;
    std::size_t end = 8;
    while (length - end >= 12) {
        const uint64_t size = (uint64_t{p[end]} << 24) | (p[end + 1] << 16) | (p[end + 2] << 8) | p[end + 3];
        if (size > length - end - 12) break;
        const bool last = p[end + 4] == 'I' && p[end + 5] == 'E' && p[end + 6] == 'N' && p[end + 7] == 'D';
        end += 12 + static_cast<std::size_t>(size);
        if (last) break;
    }
    return end;
}

}  // namespace vela::imaging
