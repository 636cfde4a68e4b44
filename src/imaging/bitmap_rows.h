#pragma once
// Shared by the viewer's measurement and rotation and by the engine's
// decode (header only, so that the engine DLL needs nothing else from here).
#include <windows.h>

#include <cstddef>
#include <cstdint>

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
    auto u16 = [&](std::size_t at) { return static_cast<uint32_t>(p[at] | (p[at + 1] << 8)); };
    auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
    if (length < 26) return false;
    const uint64_t offset = u32(10), header = u32(14);
    int64_t w = 0, h = 0;
    uint32_t bits = 0, compression = BI_RGB;
    if (header == 12) {
        w = u16(18);
        h = static_cast<int16_t>(u16(20));
        bits = u16(24);
    } else {
        if (length < 34 || header < 40) return false;
        w = static_cast<int32_t>(u32(18));
        h = static_cast<int32_t>(u32(22));
        bits = u16(28);
        compression = u32(30);
    }
    if (compression != BI_RGB && compression != BI_BITFIELDS) return true;
    if (w <= 0 || h == 0 || bits == 0 || bits > 32) return false;
    const uint64_t stride = (static_cast<uint64_t>(w) * bits + 31) / 32 * 4;
    return offset + stride * static_cast<uint64_t>(h < 0 ? -h : h) <= length;
}

}  // namespace vela::imaging
