#include "gif_codes.h"

#include <cstdint>

namespace vela::test {

namespace {

constexpr int kTableSize = 4096;

size_t SkipSubBlocks(const Bytes& p, size_t at) {
    while (at < p.size() && p[at] != 0) at += 1 + p[at];
    return at + 1;
}

// The sub-blocks' payload from `at`, joined.
Bytes Joined(const Bytes& p, size_t at) {
    Bytes out;
    while (at < p.size() && p[at] != 0 && at + 1 + p[at] <= p.size()) {
        out.insert(out.end(), p.begin() + at + 1, p.begin() + at + 1 + p[at]);
        at += 1 + p[at];
    }
    return out;
}

LzwCodes Walk(int minimum, const Bytes& data) {
    LzwCodes out;
    const int clear = 1 << minimum, end = clear + 1;
    int bits = minimum + 1, next = end + 1, codesWhileFull = 0;
    bool first = true;
    uint32_t buffer = 0;
    int held = 0;
    size_t at = 0;
    for (;;) {
        while (held < bits) {
            if (at == data.size()) return out;
            buffer |= static_cast<uint32_t>(data[at++]) << held;
            held += 8;
        }
        const int code = static_cast<int>(buffer & ((1u << bits) - 1));
        buffer >>= bits;
        held -= bits;
        if (bits > out.widest) out.widest = bits;
        if (code == end) return out;
        if (code == clear) {
            if (codesWhileFull > 0) ++out.deferredClears;
            bits = minimum + 1;
            next = end + 1;
            first = true;
            codesWhileFull = 0;
            continue;
        }
        if (first) {
            first = false;
            continue;
        }
        if (next == kTableSize) {
            ++codesWhileFull;
            continue;
        }
        if (++next == kTableSize) ++out.tablesFilled;
        if (next == (1 << bits) && bits < 12) ++bits;
    }
}

}  // namespace

std::vector<LzwCodes> ReadLzwCodes(const Bytes& p) {
    std::vector<LzwCodes> pictures;
    if (p.size() < 13) return pictures;
    size_t at = 13;
    if (p[10] & 0x80) at += size_t{3} << ((p[10] & 7) + 1);
    while (at < p.size()) {
        const uint8_t type = p[at++];
        if (type == 0x21) {
            at = SkipSubBlocks(p, at + 1);
        } else if (type == 0x2C && at + 10 <= p.size()) {
            const uint8_t flags = p[at + 8];
            at += 9;
            if (flags & 0x80) at += size_t{3} << ((flags & 7) + 1);
            if (at >= p.size()) break;
            pictures.push_back(Walk(p[at], Joined(p, at + 1)));
            pictures.back().interlaced = (flags & 0x40) != 0;
            pictures.back().localTable = (flags & 0x80) != 0;
            at = SkipSubBlocks(p, at + 1);
        } else {
            break;
        }
    }
    return pictures;
}

Bytes WithLocalTable(const Bytes& gif) {
    if (gif.size() < 13 || !(gif[10] & 0x80)) return {};
    const size_t table = size_t{3} << ((gif[10] & 7) + 1);
    const uint8_t sizeBits = gif[10] & 7;
    Bytes out(gif.begin(), gif.begin() + 13);
    out[10] &= 0x70;  // no global table (its size and sort flag cleared too)
    size_t at = 13 + table;
    while (at < gif.size()) {
        const uint8_t type = gif[at];
        if (type == 0x21) {
            const size_t end = SkipSubBlocks(gif, at + 2);
            out.insert(out.end(), gif.begin() + at, gif.begin() + end);
            at = end;
        } else if (type == 0x2C && at + 10 <= gif.size() && !(gif[at + 9] & 0x80)) {
            out.insert(out.end(), gif.begin() + at, gif.begin() + at + 10);
            out.back() = static_cast<uint8_t>(out.back() | 0x80 | sizeBits);
            out.insert(out.end(), gif.begin() + 13, gif.begin() + 13 + table);
            out.insert(out.end(), gif.begin() + at + 10, gif.end());
            return out;
        } else {
            return {};
        }
    }
    return {};
}

}  // namespace vela::test
