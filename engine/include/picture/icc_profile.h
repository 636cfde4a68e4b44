#pragma once
// Where a picture keeps its embedded ICC colour profile: a JPEG's APP2
// "ICC_PROFILE" segments (in numbered pieces) or a PNG's iCCP chunk (zlib
// compressed). Read from the headers only, without decoding; shared by the
// viewer (which asks whether there is one) and the engine (which converts
// the colours of a PNG, and of a JPEG its own decoder refused). A WebP's
// ICCP chunk is read by libwebp's demuxer in the engine, which decodes
// every WebP. Header only.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vela::imaging {

enum class ProfileBlock { None, Plain, Zlib };

namespace profile_detail {

inline std::size_t Be16(const uint8_t* p) { return static_cast<std::size_t>((p[0] << 8) | p[1]); }
inline uint64_t Be32(const uint8_t* p) { return (uint64_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// JPEG: APP2 segments up to the scan; pieces numbered 1..count, in any order.
inline ProfileBlock FromJpeg(const uint8_t* p, std::size_t length, std::vector<uint8_t>* out) {
    static const char kTag[] = "ICC_PROFILE";  // followed by its zero
    std::vector<std::vector<uint8_t>> pieces;
    std::size_t at = 2;
    while (at + 4 <= length && p[at] == 0xFF) {
        const uint8_t marker = p[at + 1];
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01 || marker == 0xFF) {
            at += marker == 0xFF ? 1 : 2;  // fill bytes and markers without a length
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;
        const std::size_t size = Be16(p + at + 2);
        if (size < 2 || at + 2 + size > length) break;
        const std::size_t body = at + 4, bodySize = size - 2;
        if (marker == 0xE2 && bodySize > 14 && std::memcmp(p + body, kTag, 12) == 0) {
            const int number = p[body + 12], count = p[body + 13];
            if (count == 0 || number == 0 || number > count) return ProfileBlock::None;
            if (pieces.empty()) pieces.resize(count);
            if (static_cast<int>(pieces.size()) != count) return ProfileBlock::None;
            pieces[number - 1].assign(p + body + 14, p + body + bodySize);
        }
        at += 2 + size;
    }
    for (const auto& piece : pieces) {
        if (piece.empty()) return ProfileBlock::None;
        out->insert(out->end(), piece.begin(), piece.end());
    }
    return out->empty() ? ProfileBlock::None : ProfileBlock::Plain;
}

// PNG: an iCCP chunk before the picture data: a name of 1 to 79 bytes, its
// zero, method 0 (zlib), the stream.
inline ProfileBlock FromPng(const uint8_t* p, std::size_t length, std::vector<uint8_t>* out) {
    std::size_t at = 8;
    while (length - at >= 12) {
        const uint64_t size = Be32(p + at);
        if (size > length - at - 12) break;
        const uint8_t* type = p + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) break;
        if (std::memcmp(type, "iCCP", 4) == 0) {
            const uint8_t* body = p + at + 8;
            const std::size_t n = static_cast<std::size_t>(size);
            const void* zero = std::memchr(body, 0, n < 80 ? n : 80);
            if (!zero) return ProfileBlock::None;
            const std::size_t start = static_cast<const uint8_t*>(zero) - body + 2;
            if (start >= n || body[start - 1] != 0) return ProfileBlock::None;
            out->assign(body + start, body + n);
            return ProfileBlock::Zlib;
        }
        at += 12 + static_cast<std::size_t>(size);
    }
    return ProfileBlock::None;
}

}  // namespace profile_detail

// The embedded profile's bytes into *out (a PNG's still compressed: Zlib),
// or None when there is none, or it is incomplete (a missing JPEG piece, a
// chunk running past the data). Never reads outside the data.
inline ProfileBlock EmbeddedProfile(const void* data, std::size_t length, std::vector<uint8_t>* out) {
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || !out) return ProfileBlock::None;
    out->clear();
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (length >= 4 && p[0] == 0xFF && p[1] == 0xD8) return profile_detail::FromJpeg(p, length, out);
    if (length >= 8 && std::memcmp(p, kPng, 8) == 0) return profile_detail::FromPng(p, length, out);
    return ProfileBlock::None;
}

// True when the picture carries a profile its colours are to be converted by.
inline bool HasEmbeddedProfile(const void* data, std::size_t length) {
    std::vector<uint8_t> profile;
    return EmbeddedProfile(data, length, &profile) != ProfileBlock::None;
}

}  // namespace vela::imaging
