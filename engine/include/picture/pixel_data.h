#pragma once
// Whether a picture's pixels can all be in its data, told without decoding
// them: pictures whose data ends first are undecodable, and the platform's
// codecs under Wine keep memory on every such failure, so such bytes are
// not handed to them. Header only, shared by the viewer's measurement and
// rotation and by the engine's decode, like the guards beside it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vela::imaging {

namespace pixel_data_detail {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;

// The LZW codes of one picture, read from its sub-blocks, counting the
// pixels they stand for until the end code, a code no decoder can read, the
// end of the sub-blocks or of the data, or `wanted` pixels.
class PixelCounter {
public:
    PixelCounter(const uint8_t* p, size_t n, size_t at, int minBits) : p_(p), n_(n), at_(at), minBits_(minBits) {}

    uint64_t Count(uint64_t wanted) {
        const int clear = 1 << minBits_, end = clear + 1;
        int bits = minBits_ + 1, next = clear + 2, prev = -1;
        for (int colour = 0; colour < clear; ++colour) length_[colour] = 1;
        uint64_t pixels = 0;
        while (pixels < wanted) {
            int code = 0;
            if (!Read(bits, &code)) break;
            if (code == end) {
                // One pixel early is taken as the whole picture (giflib's
                // decoder, Wine's, shows such a file).
                if (pixels + 1 == wanted) pixels = wanted;
                break;
            }
            if (code == clear) {
                bits = minBits_ + 1;
                next = clear + 2;
                prev = -1;
                continue;
            }
            if (prev < 0) {
                if (code >= clear) break;  // the first code after a clear is a colour
                ++pixels;
                prev = code;
                continue;
            }
            if (code > next || (code == next && next >= kMaxCodes)) break;
            const uint32_t stands = code < clear ? 1 : code == next ? length_[prev] + 1 : length_[code];
            pixels += stands;
            if (next < kMaxCodes) {
                length_[next] = length_[prev] + 1;
                ++next;
                if (next == (1 << bits) && bits < kMaxCodeBits) ++bits;
            }
            prev = code;
        }
        return pixels;
    }

private:
    // The next code of `bits` bits, least significant first, across sub-blocks.
    bool Read(int bits, int* code) {
        while (held_ < bits) {
            if (left_ == 0) {
                if (at_ >= n_ || p_[at_] == 0) return false;
                left_ = p_[at_++];
            }
            if (at_ >= n_) return false;
            buffer_ |= static_cast<uint32_t>(p_[at_++]) << held_;
            held_ += 8;
            --left_;
        }
        *code = static_cast<int>(buffer_ & ((1u << bits) - 1));
        buffer_ >>= bits;
        held_ -= bits;
        return true;
    }

    const uint8_t* p_;
    size_t n_, at_;
    int minBits_;
    size_t left_ = 0;  // bytes left in the current sub-block
    uint32_t buffer_ = 0;
    int held_ = 0;
    uint32_t length_[kMaxCodes] = {};
};

// What one walk over a GIF's pictures finds: whether every picture's
// pixels are all in its data, and where the first picture's data ends.
struct GifPicturesWalk {
    bool whole = true;
    size_t firstEnd = 0;  // just past the first picture's data; 0 if that picture is not whole
};

inline GifPicturesWalk WalkGifPictures(const uint8_t* p, size_t length) {
    GifPicturesWalk walk;
    if (!p || length < 13 || p[0] != 'G' || p[1] != 'I' || p[2] != 'F' || p[3] != '8') return walk;
    auto skipSubBlocks = [&](size_t at) {
        while (at < length && p[at] != 0) at += size_t{1} + p[at];
        return at + 1;
    };
    const bool emptyScreen = (p[6] | p[7]) == 0 || (p[8] | p[9]) == 0;
    bool first = true;
    size_t at = 13;
    if (p[10] & 0x80) at += size_t{3} << ((p[10] & 7) + 1);
    while (at < length) {
        if (p[at] == 0x21) {  // an extension: introducer, label, sub-blocks
            at = skipSubBlocks(at + 2);
            continue;
        }
        if (p[at] != 0x2C || length - at < 11) return walk;  // the trailer, or not a block
        const uint64_t width = p[at + 5] | (p[at + 6] << 8), height = p[at + 7] | (p[at + 8] << 8);
        walk.whole = false;  // until its pixels are counted
        if (first && emptyScreen && width * height == 0) return walk;
        const uint8_t flags = p[at + 9];
        at += 10;
        if (flags & 0x80) at += size_t{3} << ((flags & 7) + 1);
        if (at >= length) return walk;  // cut before its data
        const int minBits = p[at];
        walk.whole = true;
        if (minBits < 1 || minBits >= kMaxCodeBits) return walk;
        PixelCounter counter(p, length, at + 1, minBits);
        walk.whole = counter.Count(width * height) >= width * height;
        if (!walk.whole) return walk;
        at = skipSubBlocks(at + 1);
        if (first) walk.firstEnd = std::min(at, length);
        first = false;
    }
    return walk;
}

}  // namespace pixel_data_detail

// True for bytes that start as a GIF (either version).
inline bool LooksLikeGif(const void* data, size_t length) {
    return data && length >= 6 && std::memcmp(data, "GIF8", 4) == 0;
}

// False for a GIF one of whose pictures has compressed data that ends (cut
// short, a code no decoder can read, the end code) before it gives width x
// height pixels: such a file is undecodable, as a JPEG that ends before its
// picture data is (Wine's codec reads every picture at load and fails so).
// Also false for a GIF whose screen and first picture both have no pixels:
// nothing to show. True for anything else, a GIF whose blocks stop making
// sense between its pictures included (the decoder decides).
inline bool GifPicturesComplete(const void* data, size_t length) {
    return pixel_data_detail::WalkGifPictures(static_cast<const uint8_t*>(data), length).whole;
}

// True for a GIF whose first picture has all its pixels in its data,
// whatever follows it (a later picture cut or damaged): the picture a still
// decode shows. False for anything else.
inline bool GifFirstPictureWhole(const void* data, size_t length) {
    const auto walk = pixel_data_detail::WalkGifPictures(static_cast<const uint8_t*>(data), length);
    return LooksLikeGif(data, length) && (walk.whole || walk.firstEnd != 0);
}

// For a GIF whose first picture is whole but a later one is not (a moving
// picture partly downloaded): where the first picture's data ends, just
// past its terminator. 0 for anything else.
inline size_t GifFirstPictureEnd(const void* data, size_t length) {
    const auto walk = pixel_data_detail::WalkGifPictures(static_cast<const uint8_t*>(data), length);
    return walk.whole ? 0 : walk.firstEnd;
}

// What the platform's decoder is handed for such a GIF: the file up to the
// end of its first picture and the trailer, a whole one-picture GIF, which
// shows what Windows' decoder shows of the cut file (its first picture)
// where Wine's would fail and keep memory. Empty for anything else, or
// without room for the copy.
inline std::vector<uint8_t> GifFirstPictureAlone(const void* data, size_t length) {
    const size_t end = GifFirstPictureEnd(data, length);
    std::vector<uint8_t> alone;
    if (end == 0) return alone;
    constexpr uint8_t kTrailer = 0x3B;
    try {
        alone.reserve(end + 1);
        alone.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + end);
        alone.push_back(kTrailer);
    } catch (...) {
        alone.clear();
    }
    return alone;
}

// False for a PNG whose image data chunks, inflated at deflate's largest
// ratio (1032 to 1), are still fewer bytes than the rows its header declares:
// no decoder can fill them. True for anything else, a PNG whose header
// cannot be read included (the decoder decides).
inline bool PngRowsFitData(const void* data, size_t length) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || length < 33) return true;
    for (int i = 0; i < 8; ++i)
        if (p[i] != signature[i]) return true;
    auto u32 = [&](size_t at) {
        return (uint32_t{p[at]} << 24) | (uint32_t{p[at + 1]} << 16) | (uint32_t{p[at + 2]} << 8) | p[at + 3];
    };
    if (std::memcmp(p + 12, "IHDR", 4) != 0) return true;
    const uint64_t width = u32(16), height = u32(20);
    const uint8_t depth = p[24], colour = p[25];
    const int channels = colour == 0 || colour == 3 ? 1 : colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 0;
    if (channels == 0 || depth == 0 || depth > 16 || p[28] > 1) return true;
    // The rows of a picture that is not interlaced, each led by its filter
    // byte; an interlaced one has more of them (its passes), never fewer bytes.
    const uint64_t rows = height * (1 + (width * channels * depth + 7) / 8);
    constexpr uint64_t kLargestRatio = 1032;
    uint64_t compressed = 0;
    for (size_t at = 8; length - at >= 12;) {
        const uint64_t size = u32(at);
        if (std::memcmp(p + at + 4, "IDAT", 4) == 0) compressed += std::min<uint64_t>(size, length - at - 8);
        if (std::memcmp(p + at + 4, "IEND", 4) == 0 || size > length - at - 12) break;
        at += 12 + static_cast<size_t>(size);
    }
    return rows <= compressed * kLargestRatio + kLargestRatio;
}

}  // namespace vela::imaging
