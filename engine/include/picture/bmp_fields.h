#pragma once
// A BMP's file header and info header, read one way for every reader of
// them (the decoders' guard and the header measurement), so that no two
// parts of the program can see a different picture in the same bytes.
// Header only, like the other picture/ rules.
#include <cstddef>
#include <cstdint>

namespace vela::imaging {

struct BmpFields {
    uint64_t offset = 0;  // where the pixel rows start
    uint32_t header = 0;  // the info header's size: 12 (core) or 40 and longer
    int64_t width = 0;
    int64_t height = 0;   // negative: rows top-down (never for the core header)
    uint32_t bits = 0;
    uint32_t compression = 0;  // 0 (plain rows) for the core header
};

// The fields as the platform reads them: the 12-byte core header's sides are
// unsigned 16-bit (WORD bcWidth, bcHeight), the longer headers' signed
// 32-bit. False when the bytes are no BMP or stop inside these fields.
inline bool ReadBmpFields(const uint8_t* p, std::size_t length, BmpFields* out) {
    if (!p || length < 26 || p[0] != 'B' || p[1] != 'M') return false;
    auto u16 = [&](std::size_t at) { return static_cast<uint32_t>(p[at] | (p[at + 1] << 8)); };
    auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
    BmpFields f;
    f.offset = u32(10);
    f.header = u32(14);
    if (f.header == 12) {
        f.width = u16(18);
        f.height = u16(20);
        f.bits = u16(24);
    } else {
        if (length < 34 || f.header < 40) return false;
        f.width = static_cast<int32_t>(u32(18));
        f.height = static_cast<int32_t>(u32(22));
        f.bits = u16(28);
        f.compression = u32(30);
    }
    *out = f;
    return true;
}

}  // namespace vela::imaging
