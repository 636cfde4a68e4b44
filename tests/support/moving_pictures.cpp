#include "moving_pictures.h"

#include <algorithm>

namespace vela::test {

namespace {

void Put16(Bytes& b, int v) {
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
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

}  // namespace

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
        const Bytes data = Lzw(f.indexes, bits < 2 ? 2 : bits);
        b.insert(b.end(), data.begin(), data.end());
    }
    b.push_back(0x3B);
    return b;
}

}  // namespace vela::test
