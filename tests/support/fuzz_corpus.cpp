#include "fuzz_corpus.h"
#include "colour_pictures.h"
#include "moving_pictures.h"
#include "webp_pictures.h"

#include <windows.h>

#include <algorithm>
#include <random>

#include "byte_fields.h"
#include "icon_files.h"
#include "test_support.h"

namespace vela::test {

namespace {

// The committed HEIC, AVIF and JPEG XL seeds (tests/support/seeds), in the
// order of their names.
struct SeedFile {
    const char* name;
    std::vector<uint8_t> bytes;
};
const SeedFile kSeedFiles[] = {
#include "seed_files.inc"
};

// A box of the given type around the payload (ISO-BMFF, 32-bit size).
Bytes IsoBox(const char* type, const Bytes& payload) {
    Bytes b(8 + payload.size());
    const auto size = static_cast<uint32_t>(b.size());
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<uint8_t>(size >> (24 - 8 * i));
        b[4 + i] = static_cast<uint8_t>(type[i]);
    }
    std::copy(payload.begin(), payload.end(), b.begin() + 8);
    return b;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& part : parts) b.insert(b.end(), part.begin(), part.end());
    return b;
}

}  // namespace

Bytes CraftedHeif(uint32_t width, uint32_t height, bool avif) {
    const Bytes fullBox{0, 0, 0, 0};
    const Bytes ftyp = avif ? Bytes{'m', 'i', 'f', '1', 0, 0, 0, 0, 'a', 'v', 'i', 'f'}
                            : Bytes{'m', 'i', 'f', '1', 0, 0, 0, 0, 'h', 'e', 'i', 'c'};
    Bytes ispe = fullBox;
    Put32BigEndian(ispe, width);
    Put32BigEndian(ispe, height);
    const Bytes hdlr = Joined({fullBox, Bytes{0, 0, 0, 0, 'p', 'i', 'c', 't'}, Bytes(13, 0)});
    const Bytes ipma = Joined({fullBox, Bytes{0, 0, 0, 1, 0, 1, 1, 0x81}});  // item 1: property 1, essential
    const Bytes iprp = IsoBox("iprp", Joined({IsoBox("ipco", IsoBox("ispe", ispe)), IsoBox("ipma", ipma)}));
    const Bytes meta = Joined({fullBox, IsoBox("hdlr", hdlr), IsoBox("pitm", Joined({fullBox, Bytes{0, 1}})),
                               IsoBox("iloc", Joined({fullBox, Bytes{0x44, 0, 0, 0}})),
                               IsoBox("iinf", Joined({fullBox, Bytes{0, 0}})), iprp});
    return Joined({IsoBox("ftyp", ftyp), IsoBox("meta", meta), IsoBox("mdat", Bytes(16, 0x55))});
}

Bytes CraftedJpegXl(uint32_t width, uint32_t height) {
    // Bits from the lowest of each byte up: each side in its 30-bit form
    // (selector 3, side minus one), no ratio, default metadata.
    Bytes b{0xFF, 0x0A};
    uint64_t bits = 0;
    int used = 0;
    auto put = [&](uint64_t value, int count) {
        bits |= (value & ((uint64_t{1} << count) - 1)) << used;
        used += count;
        while (used >= 8) {
            b.push_back(static_cast<uint8_t>(bits));
            bits >>= 8;
            used -= 8;
        }
    };
    put(0, 1);
    put(3, 2);
    put(height - 1u, 30);
    put(0, 3);
    put(3, 2);
    put(width - 1u, 30);
    put(1, 1);
    put(0, 7);
    b.insert(b.end(), 8, 0);
    return b;
}

Bytes CraftedJpeg(int width, int height) {
    Bytes b{0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08};
    b.push_back(static_cast<uint8_t>(height >> 8));
    b.push_back(static_cast<uint8_t>(height));
    b.push_back(static_cast<uint8_t>(width >> 8));
    b.push_back(static_cast<uint8_t>(width));
    const uint8_t components[] = {0x03, 0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xFF, 0xD9};
    b.insert(b.end(), std::begin(components), std::end(components));
    return b;
}

Bytes CraftedPng(uint32_t width, uint32_t height) {
    Bytes b{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    Put32BigEndian(header, width);
    Put32BigEndian(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    PngChunk(b, "IHDR", header);
    PngChunk(b, "IDAT", Bytes{0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});
    PngChunk(b, "IEND", Bytes{});
    return b;
}

Bytes CraftedBmp(int32_t width, int32_t height, uint16_t bits) {
    Bytes b{'B', 'M'};
    Put32(b, 54);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));
    Put16(b, 1);
    Put16(b, bits);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    return b;
}

Bytes CraftedRunLengthBmp(uint32_t offset, bool rle4) {
    Bytes b{'B', 'M'};
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, offset);
    for (uint32_t v : {40u, 16u, 16u}) Put32(b, v);
    Put16(b, 1);
    Put16(b, rle4 ? 4 : 8);
    for (uint32_t v : {rle4 ? 2u : 1u, 64u, 0u, 0u, 2u, 0u, 0u, 0xFFFFFFu}) Put32(b, v);  // BI_RLE4 or BI_RLE8
    for (int row = 0; row < 8; ++row) b.insert(b.end(), {16, 1, 0, 0});  // 16 pixels of colour 1, end of row
    return b;
}

Bytes CraftedGif(uint16_t width, uint16_t height) {
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    Put16(b, width);
    Put16(b, height);
    b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});  // two colours
    b.push_back(0x2C);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, width);
    Put16(b, height);
    b.insert(b.end(), {0x00, 0x02, 0x00, 0x3B});
    return b;
}

Bytes CraftedIcon(bool cursor, int32_t width, int32_t height, uint32_t size, uint32_t offset) {
    Bytes b;
    Put16(b, 0);
    Put16(b, cursor ? 2 : 1);
    Put16(b, 1);
    b.insert(b.end(), {static_cast<uint8_t>(width), static_cast<uint8_t>(height), 0, 0});
    Put16(b, 1);
    Put16(b, 32);
    Put32(b, size);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height) * 2);
    Put16(b, 1);
    Put16(b, 32);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    return b;
}

std::vector<FuzzFile> FuzzSeeds() {
    std::vector<FuzzFile> seeds{
        {"seed.jpg", MakePicture(96, 64, L"image/jpeg")},
        {"seed.png", MakePicture(96, 64, L"image/png")},
        {"seed.bmp", MakePicture(40, 30, L"image/bmp")},
        {"seed.gif", MakeGif(48, 32)},
        {"seed.ico", IconDirectory({{16, 16, IconBitmap(16, 16)}})},
        {"seed.cur", IconDirectory({{16, 16, IconBitmap(16, 16)}}, true)},
        {"seed.webp", EncodeWebp(QuarterPixels(96, 64, RGB(200, 120, 40)), false)},
        {"seed-lossless.webp", EncodeWebp(QuarterPixels(48, 32, RGB(40, 120, 200)))},
        {"seed-profile.jpg", WithJpegProfile(MakePicture(64, 48, L"image/jpeg"), AdobeRgbProfile())},
        {"seed-profile.png", MakeRgbPng(8, 6, std::vector<uint32_t>(48, 0xC86428), AdobeRgbProfile())},
        {"seed-moving.gif", MakeMovingGif(24, 16, {RGB(200, 0, 0), RGB(0, 0, 200), RGB(0, 200, 0)},
                                          {GifFrame::Solid(0, 0, 24, 16, 0, 0), GifFrame::Solid(4, 4, 8, 8, 1, 0, 2),
                                           GifFrame::Solid(8, 2, 10, 10, 2, 0, 3)})},
        {"seed-moving.webp",
         EncodeAnimatedWebp({QuarterPixels(32, 24, RGB(200, 0, 0)), QuarterPixels(32, 24, RGB(0, 0, 200))}, 100)},
    };
    for (const SeedFile& f : kSeedFiles) seeds.push_back({f.name, Bytes(f.bytes.begin(), f.bytes.end())});
    return seeds;
}

std::vector<FuzzFile> MakeFuzzCorpus(uint32_t seed, int count) { return MakeFuzzCorpus(seed, count, nullptr); }

std::vector<FuzzFile> MakeFuzzCorpus(uint32_t seed, int count, const FuzzKeep& keep) {
    const std::vector<FuzzFile> seeds = FuzzSeeds();
    // mt19937's sequence is fixed by the standard; the distributions are not,
    // so values are taken from it by plain remainders.
    std::mt19937 random(seed);
    auto below = [&](uint32_t n) { return n ? static_cast<uint32_t>(random() % n) : 0u; };
    // Sizes a header may claim: the edges of every field and a few that
    // exceed any memory.
    const uint32_t sides[] = {0, 1, 2, 255, 256, 4096, 12000, 16384, 32767, 32768, 65535, 65536, 0x7FFFFFFF, 0xFFFFFFFF};
    auto side = [&] { return below(3) ? sides[below(std::size(sides))] : random(); };
    std::vector<FuzzFile> out;
    out.reserve(count);
    // Every file is made, kept or not, so that the generator runs as in the
    // whole sequence; a filter nothing passes ends after a bounded search.
    const int64_t tries = keep ? int64_t{count} * 1000 : count;
    for (int n = 0; n < tries && static_cast<int>(out.size()) < count; ++n) {
        const FuzzFile& from = seeds[below(static_cast<uint32_t>(seeds.size()))];
        const std::string ext = from.name.substr(from.name.find('.'));
        Bytes b = from.bytes;
        std::string how;
        switch (below(4)) {
            case 0: {
                how = "cut";
                b.resize(below(static_cast<uint32_t>(b.size())));
                break;
            }
            case 1: {
                how = "flip";
                const uint32_t flips = 1 + below(8);
                for (uint32_t i = 0; i < flips && !b.empty(); ++i) {
                    // Mostly in the headers, where a flip changes the meaning.
                    const uint32_t limit = below(2) ? std::min<uint32_t>(64, static_cast<uint32_t>(b.size()))
                                                    : static_cast<uint32_t>(b.size());
                    b[below(limit)] ^= static_cast<uint8_t>(1u << below(8));
                }
                break;
            }
            case 2: {
                how = "run";
                if (b.empty()) break;
                const uint32_t at = below(static_cast<uint32_t>(b.size()));
                const uint32_t length = std::min<uint32_t>(1 + below(64), static_cast<uint32_t>(b.size()) - at);
                const uint8_t kinds[] = {0x00, 0xFF, 0x7F, 0x80};
                const uint8_t value = below(5) == 4 ? static_cast<uint8_t>(random()) : kinds[below(4)];
                std::fill(b.begin() + at, b.begin() + at + length, value);
                break;
            }
            default: {
                how = "header";
                const uint32_t w = side(), h = side();
                if (ext == ".jpg") b = CraftedJpeg(static_cast<int>(w & 0xFFFF), static_cast<int>(h & 0xFFFF));
                if (ext == ".png") b = CraftedPng(w, h);
                if (ext == ".bmp") {
                    const uint16_t bits[] = {0, 1, 4, 8, 16, 24, 32, 64};
                    b = CraftedBmp(static_cast<int32_t>(w), below(2) ? -static_cast<int32_t>(h & 0x7FFFFFFF)
                                                                      : static_cast<int32_t>(h),
                                   bits[below(8)]);
                }
                if (ext == ".webp") {
                    const uint8_t flags[] = {0x00, 0x10, 0x02, 0x20, 0x32};
                    b = CraftedWebp(w, h, flags[below(5)]);
                }
                if (ext == ".heic" || ext == ".avif") b = CraftedHeif(w, h, ext == ".avif");
                if (ext == ".jxl") b = CraftedJpegXl(w, h);
                if (ext == ".gif") b = CraftedGif(static_cast<uint16_t>(w), static_cast<uint16_t>(h));
                if (ext == ".ico" || ext == ".cur")
                    b = CraftedIcon(ext == ".cur", static_cast<int32_t>(w), static_cast<int32_t>(h), side(),
                                    below(2) ? 22 : side());
                break;
            }
        }
        if (keep && !keep(ext, how)) continue;
        // Numbers of one width, so that names sort as numbers do (a
        // filtered corpus reaches far into the sequence).
        char number[16];
        wsprintfA(number, keep ? "%07d-" : "%05d-", n);
        out.push_back({number + how + ext, std::move(b)});
    }
    return out;
}

}  // namespace vela::test
