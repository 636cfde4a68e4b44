#pragma once
// The upright size of a JPEG XL picture, read from its codestream's size
// header and the orientation that follows it, without decoding it: a bare
// codestream (FF 0A) or the ISO-BMFF container ("JXL " signature box)
// whose jxlc box, or jxlp boxes in turn, carry the codestream. GDI+ reads
// no JPEG XL, so the viewer's measurement takes the size from here. Shared
// by the viewer and the engine (header only).
//
// Every read is bounded by the data: the first bytes of the codestream are
// gathered into a small buffer of fixed size (the size header and the
// orientation take at most 11 bytes), and a box that runs past the data or
// a codestream that ends before its fields ends the read with no answer.
#include <cstddef>
#include <cstdint>

#include "picture/heif_header.h"

namespace vela::imaging {

namespace jxl_detail {

// Enough for the signature, the largest size header (2 + 1 + 32 + 3 + 32
// bits) and the metadata bits up to the orientation.
constexpr std::size_t kHeaderBytes = 16;

// Bits taken from the lowest of each byte up, as the codestream packs them.
class BitReader {
public:
    BitReader(const uint8_t* p, std::size_t length) : p_(p), length_(length) {}
    // The next `count` bits (at most 32); past the end the reader fails and
    // gives 0 from then on.
    uint32_t Read(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (at_ >= length_ * 8) {
                failed_ = true;
                return 0;
            }
            value |= static_cast<uint32_t>((p_[at_ / 8] >> (at_ % 8)) & 1u) << i;
            ++at_;
        }
        return value;
    }
    bool Failed() const { return failed_; }

private:
    const uint8_t* p_;
    std::size_t length_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

// One side of the size header when it is not a multiple of 8 given in
// eighths: a selector, then 9, 13, 18 or 30 bits holding the side minus one.
inline uint64_t Side(BitReader& bits) {
    static const int kWidths[4] = {9, 13, 18, 30};
    return uint64_t{bits.Read(kWidths[bits.Read(2)])} + 1;
}

// The size header and the orientation of a codestream that starts at p
// (its signature first). Orientation 1 (as stored) unless the metadata
// names another.
inline bool CodestreamSize(const uint8_t* p, std::size_t length, uint64_t* width, uint64_t* height,
                           uint32_t* orientation) {
    if (length < 2 || p[0] != 0xFF || p[1] != 0x0A) return false;
    BitReader bits(p + 2, length - 2);
    const bool small = bits.Read(1) != 0;
    const uint64_t h = small ? (uint64_t{bits.Read(5)} + 1) * 8 : Side(bits);
    // Widths as a fixed ratio of the height: 1:1, 12:10, 4:3, 3:2, 16:9, 5:4, 2:1.
    static const uint32_t kRatios[8][2] = {{0, 0}, {1, 1}, {12, 10}, {4, 3}, {3, 2}, {16, 9}, {5, 4}, {2, 1}};
    const uint32_t ratio = bits.Read(3);
    uint64_t w = 0;
    if (ratio != 0)
        w = h * kRatios[ratio][0] / kRatios[ratio][1];
    else
        w = small ? (uint64_t{bits.Read(5)} + 1) * 8 : Side(bits);
    uint32_t turn = 1;
    if (bits.Read(1) == 0 && bits.Read(1) != 0) turn = bits.Read(3) + 1;  // not all default; extra fields
    if (bits.Failed()) return false;
    *width = w;
    *height = h;
    *orientation = turn;
    return true;
}

// The container's first codestream bytes, from its jxlc box or its jxlp
// boxes in turn (each after its 4-byte part number), into `out`; how many
// were gathered.
inline std::size_t GatherCodestream(const uint8_t* p, std::size_t length, uint8_t (&out)[kHeaderBytes]) {
    using heif_detail::Box;
    using heif_detail::IsType;
    std::size_t gathered = 0;
    heif_detail::WalkBoxes(p, length, [&](const Box& b) {
        const bool whole = IsType(b.type, "jxlc"), part = IsType(b.type, "jxlp");
        if (!whole && !part) return true;
        const std::size_t skip = part ? 4 : 0;
        for (std::size_t i = skip; i < b.size && gathered < kHeaderBytes; ++i) out[gathered++] = b.data[i];
        return part && gathered < kHeaderBytes;
    });
    return gathered;
}

}  // namespace jxl_detail

// True when the bytes start like a JPEG XL file: a bare codestream's
// signature, or the container's signature box.
inline bool LooksLikeJpegXl(const void* data, std::size_t length) {
    static const uint8_t box[12] = {0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || length < 2) return false;
    if (p[0] == 0xFF && p[1] == 0x0A) return true;
    if (length < sizeof box) return false;
    for (std::size_t i = 0; i < sizeof box; ++i)
        if (p[i] != box[i]) return false;
    return true;
}

// The picture's size as it is shown: sides swapped when the orientation
// (5 to 8) turns it a quarter. False, leaving the sides untouched, when
// the bytes are no JPEG XL or end before the fields.
inline bool ReadJpegXlSize(const void* data, std::size_t length, uint64_t* width, uint64_t* height) {
    using namespace jxl_detail;
    if (!LooksLikeJpegXl(data, length) || !width || !height) return false;
    const auto* p = static_cast<const uint8_t*>(data);
    uint64_t w = 0, h = 0;
    uint32_t orientation = 1;
    if (p[0] == 0xFF) {
        if (!CodestreamSize(p, length, &w, &h, &orientation)) return false;
    } else {
        uint8_t first[kHeaderBytes];
        const std::size_t gathered = GatherCodestream(p, length, first);
        if (!CodestreamSize(first, gathered, &w, &h, &orientation)) return false;
    }
    if (orientation >= 5) {
        const uint64_t side = w;
        w = h;
        h = side;
    }
    *width = w;
    *height = h;
    return true;
}

}  // namespace vela::imaging
