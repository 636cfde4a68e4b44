#include "moving_pictures.h"

#include <algorithm>
#include <map>

#include "byte_fields.h"

namespace vela::test {

namespace {

// Sub-blocks of at most 255 bytes after the minimum code size, and the empty one.
Bytes InSubBlocks(const Bytes& packed, int minimum) {
    Bytes blocks;
    blocks.push_back(static_cast<unsigned char>(minimum));
    for (size_t at = 0; at < packed.size(); at += 255) {
        const size_t n = std::min<size_t>(255, packed.size() - at);
        blocks.push_back(static_cast<unsigned char>(n));
        blocks.insert(blocks.end(), packed.begin() + at, packed.begin() + at + n);
    }
    blocks.push_back(0);
    return blocks;
}

// LZW data that never grows its code width: a clear code before the table
// would need a wider code, so every index is a code of its own.
Bytes Lzw(const std::vector<uint8_t>& indexes, int minimum) {
    const int clear = 1 << minimum, end = clear + 1, width = minimum + 1;
    const int perClear = (1 << width) - clear - 2;  // codes before the table would widen
    Bytes packed;
    uint32_t buffer = 0;
    int held = 0;
    auto put = [&](int code) {
        buffer |= static_cast<uint32_t>(code) << held;
        held += width;
        while (held >= 8) {
            packed.push_back(static_cast<unsigned char>(buffer & 0xFF));
            buffer >>= 8;
            held -= 8;
        }
    };
    int run = 0;
    put(clear);
    for (uint8_t i : indexes) {
        if (run == perClear) {
            put(clear);
            run = 0;
        }
        put(i);
        ++run;
    }
    put(end);
    if (held > 0) packed.push_back(static_cast<unsigned char>(buffer & 0xFF));
    return InSubBlocks(packed, minimum);
}

// LZW data for `pixels` of one index: each code one pixel longer than the
// one before (the code the decoder is about to define), and a clear code
// whenever the table is full, as an encoder does.
Bytes RunLzw(uint64_t pixels, uint8_t index, int minimum) {
    const int clear = 1 << minimum, end = clear + 1, kFull = 4096;
    int bits = minimum + 1, next = end + 1;
    Bytes packed;
    uint32_t buffer = 0;
    int held = 0;
    auto put = [&](int code) {
        buffer |= static_cast<uint32_t>(code) << held;
        held += bits;
        while (held >= 8) {
            packed.push_back(static_cast<unsigned char>(buffer & 0xFF));
            buffer >>= 8;
            held -= 8;
        }
    };
    uint64_t left = pixels, last = 0;
    while (left > 0) {
        if (last == 0 || next == kFull) {  // a fresh table: the index alone first
            put(clear);
            bits = minimum + 1;
            next = end + 1;
            put(index);
            --left;
            last = 1;
            continue;
        }
        const uint64_t length = std::min(left, last + 1);
        put(length == 1 ? index : static_cast<int>(end + length - 1));
        left -= length;
        last = length;
        if (++next == (1 << bits) && bits < 12) ++bits;
    }
    put(end);
    if (held > 0) packed.push_back(static_cast<unsigned char>(buffer & 0xFF));
    return InSubBlocks(packed, minimum);
}

// LZW data as an encoder writes it, the longest string the table holds
// taken each time, codes widening as the decoder's table grows; once the
// table is full, `keepFull` more codes are written against it before the
// clear code that starts a new one.
Bytes FullLzw(const std::vector<uint8_t>& indexes, int minimum, int keepFull) {
    const int clear = 1 << minimum, end = clear + 1, kFull = 4096;
    std::map<std::pair<int, int>, int> table;  // (prefix code, index): code
    int bits = minimum + 1, added = end + 1, known = end + 1, sinceClear = 0, whileFull = 0;
    Bytes packed;
    uint32_t buffer = 0;
    int held = 0;
    auto put = [&](int code) {
        buffer |= static_cast<uint32_t>(code) << held;
        held += bits;
        while (held >= 8) {
            packed.push_back(static_cast<unsigned char>(buffer & 0xFF));
            buffer >>= 8;
            held -= 8;
        }
    };
    // A code written, and the table the decoder builds one code behind
    // (the width of the next code follows it).
    auto write = [&](int code) {
        put(code);
        if (sinceClear++ > 0 && known < kFull && ++known == (1 << bits) && bits < 12) ++bits;
    };
    auto emit = [&](int code, int prefix, uint8_t next) {
        write(code);
        if (added < kFull) {
            table[{prefix, next}] = added++;
        } else if (++whileFull > keepFull) {
            put(clear);
            table.clear();
            bits = minimum + 1;
            added = known = end + 1;
            sinceClear = whileFull = 0;
        }
    };
    put(clear);
    int prefix = -1;
    for (uint8_t i : indexes) {
        if (prefix < 0) {
            prefix = i;
            continue;
        }
        const auto found = table.find({prefix, i});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix, prefix, i);
        prefix = i;
    }
    if (prefix >= 0) write(prefix);
    put(end);
    if (held > 0) packed.push_back(static_cast<unsigned char>(buffer & 0xFF));
    return InSubBlocks(packed, minimum);
}

}  // namespace

GifFrame GifFrame::Run(int x, int y, int w, int h, uint8_t index, int delayCs) {
    GifFrame f;
    f.x = x;
    f.y = y;
    f.w = w;
    f.h = h;
    f.run = index;
    f.delayCs = delayCs;
    return f;
}

GifFrame GifFrame::Solid(int x, int y, int w, int h, uint8_t index, int delayCs, int disposal) {
    GifFrame f;
    f.x = x;
    f.y = y;
    f.w = w;
    f.h = h;
    f.indexes.assign(static_cast<size_t>(w) * h, index);
    f.delayCs = delayCs;
    f.disposal = disposal;
    return f;
}

Bytes MakeMovingGif(int w, int h, const std::vector<COLORREF>& palette, const std::vector<GifFrame>& frames, int loops) {
    int bits = 1;
    while ((1 << bits) < static_cast<int>(palette.size())) ++bits;
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(b, w);
    Put16(b, h);
    b.push_back(static_cast<unsigned char>(0x80 | ((bits - 1) << 4) | (bits - 1)));
    b.push_back(0);
    b.push_back(0);
    for (int i = 0; i < (1 << bits); ++i) {
        const COLORREF c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
        b.insert(b.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
    }
    if (loops >= 0) {
        const char* app = "NETSCAPE2.0";
        b.insert(b.end(), {0x21, 0xFF, 0x0B});
        b.insert(b.end(), app, app + 11);
        b.insert(b.end(), {0x03, 0x01});
        Put16(b, loops);
        b.push_back(0);
    }
    for (const GifFrame& f : frames) {
        b.insert(b.end(), {0x21, 0xF9, 0x04});
        b.push_back(static_cast<unsigned char>((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)));
        Put16(b, f.delayCs);
        b.push_back(static_cast<unsigned char>(f.transparent >= 0 ? f.transparent : 0));
        b.push_back(0);
        b.push_back(0x2C);
        Put16(b, f.x);
        Put16(b, f.y);
        Put16(b, f.w);
        Put16(b, f.h);
        b.push_back(0);
        const int minimum = bits < 2 ? 2 : bits;
        const Bytes data = f.indexes.empty() ? RunLzw(static_cast<uint64_t>(f.w) * f.h, f.run, minimum)
                           : f.keepFull >= 0 ? FullLzw(f.indexes, minimum, f.keepFull)
                                             : Lzw(f.indexes, minimum);
        b.insert(b.end(), data.begin(), data.end());
    }
    b.push_back(0x3B);
    return b;
}

}  // namespace vela::test
