#include "inflate.h"

namespace uiengine {

namespace {

class Bits {
public:
    Bits(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    // -1 when the data ends.
    int Get(int count) {
        uint32_t v = 0;
        for (int i = 0; i < count; ++i) {
            if (at_ >= n_) return -1;
            v |= static_cast<uint32_t>((p_[at_] >> bit_) & 1) << i;
            if (++bit_ == 8) {
                bit_ = 0;
                ++at_;
            }
        }
        return static_cast<int>(v);
    }
    void ToByte() {
        if (bit_) {
            bit_ = 0;
            ++at_;
        }
    }
    size_t At() const { return at_; }
    void Skip(size_t n) { at_ += n; }
    size_t Size() const { return n_; }
    const uint8_t* Data() const { return p_; }

private:
    const uint8_t* p_;
    size_t n_, at_ = 0;
    int bit_ = 0;
};

// Canonical Huffman code: counts per length and symbols in code order.
struct Huffman {
    uint16_t counts[16] = {};
    uint16_t symbols[288] = {};

    bool Build(const uint8_t* lengths, int n) {
        for (auto& c : counts) c = 0;
        for (int i = 0; i < n; ++i) ++counts[lengths[i]];
        counts[0] = 0;
        int left = 1;
        for (int len = 1; len < 16; ++len) {
            left = left * 2 - counts[len];
            if (left < 0) return false;  // over-subscribed
        }
        uint16_t offsets[16] = {};
        int sum = 0;
        for (int len = 1; len < 16; ++len) {
            offsets[len] = static_cast<uint16_t>(sum);
            sum += counts[len];
        }
        for (int i = 0; i < n; ++i)
            if (lengths[i]) symbols[offsets[lengths[i]]++] = static_cast<uint16_t>(i);
        return true;
    }

    int Decode(Bits& bits) const {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            const int b = bits.Get(1);
            if (b < 0) return -1;
            code |= b;
            const int count = counts[len];
            if (code - first < count) return symbols[index + code - first];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }
};

const uint16_t kLengthBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool Codes(Bits& bits, const Huffman& lit, const Huffman& dist, size_t limit, std::vector<uint8_t>& out) {
    for (;;) {
        int sym = lit.Decode(bits);
        if (sym < 0) return false;
        if (sym < 256) {
            if (out.size() >= limit) return false;
            out.push_back(static_cast<uint8_t>(sym));
            continue;
        }
        if (sym == 256) return true;
        sym -= 257;
        if (sym >= 29) return false;
        const int extra = bits.Get(kLengthExtra[sym]);
        const int d = dist.Decode(bits);
        if (extra < 0 || d < 0 || d >= 30) return false;
        const int dextra = bits.Get(kDistExtra[d]);
        if (dextra < 0) return false;
        const size_t length = kLengthBase[sym] + extra, distance = kDistBase[d] + dextra;
        if (distance > out.size() || out.size() + length > limit) return false;
        for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
    }
}

bool Dynamic(Bits& bits, Huffman& lit, Huffman& dist) {
    const int nlen = bits.Get(5) + 257, ndist = bits.Get(5) + 1, ncode = bits.Get(4) + 4;
    if (nlen < 257 || ndist < 1 || ncode < 4 || nlen > 286 || ndist > 30) return false;
    static const uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t lengths[320] = {};
    for (int i = 0; i < ncode; ++i) {
        const int v = bits.Get(3);
        if (v < 0) return false;
        lengths[kOrder[i]] = static_cast<uint8_t>(v);
    }
    Huffman code;
    if (!code.Build(lengths, 19)) return false;
    int index = 0;
    while (index < nlen + ndist) {
        const int sym = code.Decode(bits);
        if (sym < 0) return false;
        if (sym < 16) {
            lengths[index++] = static_cast<uint8_t>(sym);
            continue;
        }
        int repeat = 0, value = 0;
        if (sym == 16) {
            if (index == 0) return false;
            value = lengths[index - 1];
            repeat = 3 + bits.Get(2);
        } else if (sym == 17) {
            repeat = 3 + bits.Get(3);
        } else {
            repeat = 11 + bits.Get(7);
        }
        if (repeat < 3 || index + repeat > nlen + ndist) return false;
        while (repeat--) lengths[index++] = static_cast<uint8_t>(value);
    }
    return lit.Build(lengths, nlen) && dist.Build(lengths + nlen, ndist);
}

}  // namespace

bool Inflate(const uint8_t* data, size_t length, size_t limit, std::vector<uint8_t>* out) {
    out->clear();
    // The zlib header: deflate, a window of at most 32 KB, no dictionary.
    if (!data || length < 2 || (data[0] & 0x0F) != 8 || (data[0] >> 4) > 7 || ((data[0] << 8) | data[1]) % 31 != 0 ||
        (data[1] & 0x20))
        return false;
    Bits bits(data + 2, length - 2);
    try {
        for (;;) {
            const int last = bits.Get(1), type = bits.Get(2);
            if (last < 0 || type < 0) break;
            bool ok = false;
            if (type == 0) {
                bits.ToByte();
                const size_t at = bits.At();
                if (at + 4 > bits.Size()) break;
                const uint8_t* p = bits.Data() + at;
                const size_t n = p[0] | (p[1] << 8);
                if (static_cast<size_t>((p[2] | (p[3] << 8)) ^ 0xFFFF) != n || at + 4 + n > bits.Size() || out->size() + n > limit) break;
                out->insert(out->end(), p + 4, p + 4 + n);
                bits.Skip(4 + n);
                ok = true;
            } else if (type == 1) {
                uint8_t lengths[320];
                for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
                for (int i = 0; i < 30; ++i) lengths[288 + i] = 5;
                Huffman lit, dist;
                ok = lit.Build(lengths, 288) && dist.Build(lengths + 288, 30) && Codes(bits, lit, dist, limit, *out);
            } else if (type == 2) {
                Huffman lit, dist;
                ok = Dynamic(bits, lit, dist) && Codes(bits, lit, dist, limit, *out);
            }
            if (!ok) break;
            if (last) return true;
        }
    } catch (...) {
    }
    out->clear();
    return false;
}

}  // namespace uiengine
