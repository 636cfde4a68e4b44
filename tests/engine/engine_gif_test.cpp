// GIFs through the engine's own reader, in the engine's own objects, against
// ImageMagick's decode of the same files: still pictures (interlaced, a
// local colour table, transparency, odd sizes, codes grown to 12 bits), a
// picture placed inside a larger screen, and the frames of moving GIFs whose
// codes grow to 12 bits, fill the table and defer a clear, each file shown
// by a reading of its codes to hold what it is meant to.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "decoders/animation.h"
#include "decoders/decode.h"
#include "gif_codes.h"
#include "image_magick.h"
#include "moving_pictures.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

// The engine's pixel for an RGBA pixel of ImageMagick's: opaque colours as
// they are, a transparent one as nothing (premultiplied).
uint32_t EnginePixelOf(const uint8_t* rgba) {
    if (rgba[3] == 0) return 0;
    return (uint32_t{rgba[3]} << 24) | (uint32_t{rgba[0]} << 16) | (uint32_t{rgba[1]} << 8) | rgba[2];
}

// Pixels of `image` that differ from ImageMagick's RGBA at `rgba`, the first
// of them described in *first.
int Differences(const uiengine::Image& image, const uint8_t* rgba, std::string* first) {
    int differ = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t want = EnginePixelOf(rgba + (static_cast<size_t>(y) * image.width + x) * 4);
            const uint32_t got = image.Row(y)[x];
            if (got == want) continue;
            if (differ++ == 0) {
                char text[96];
                std::snprintf(text, sizeof text, "at %d,%d: %08X, ImageMagick %08X", x, y, got, want);
                *first = text;
            }
        }
    }
    return differ;
}

// ImageMagick's RGBA of every picture of dir\name, one after the other
// (composed on the screen with -coalesce).
Bytes MagickRgba(const ScratchFolder& dir, const std::string& name, bool coalesce) {
    std::vector<std::string> args = {"{" + name + "}"};
    if (coalesce) args.push_back("-coalesce");
    args.insert(args.end(), {"-depth", "8"});
    if (!ImageMagick(dir, args, "rgba:", name + ".rgba")) return {};
    return ReadBytes(dir / (name + ".rgba"));
}

// Palette indexes that look like noise, the same on every run.
std::vector<uint8_t> Noise(size_t count, int colours, uint32_t seed) {
    std::vector<uint8_t> out(count);
    for (uint8_t& i : out) {
        seed = seed * 1103515245u + 12345u;
        i = static_cast<uint8_t>((seed >> 16) % colours);
    }
    return out;
}

std::vector<COLORREF> Palette(int colours) {
    std::vector<COLORREF> out;
    for (int i = 0; i < colours; ++i) out.push_back(RGB(i * 37 % 256, i * 91 % 256, 255 - i * 13 % 256));
    return out;
}

}  // namespace

// Still GIFs written by ImageMagick, decoded by the engine as ImageMagick
// decodes them, pixel for pixel.
TEST(EngineGif, StillGifsDecodeAsImageMagickDecodesThem) {
    const std::vector<std::string> gradient = {"-size", "13x7", "gradient:#DC1E1E-#1E3CDC"};
    const struct {
        const char* name;
        std::vector<std::string> make;
        bool localTable, interlaced, fullTable;
    } cases[] = {
        {"gradient", gradient, false, false, false},
        {"local table", gradient, true, false, false},
        {"interlaced", {"-size", "9x11", "gradient:#DC1E1E-#1E3CDC", "-interlace", "GIF"}, false, true, false},
        {"transparent",
         {"-size", "17x9", "gradient:#DC1E1E-#1E3CDC", "-fill", "'#00FF00'", "-draw", "'rectangle 2,2 8,5'", "-transparent",
          "'#00FF00'"},
         false, false, false},
        {"one pixel", {"-size", "1x1", "xc:#1E3CDC"}, false, false, false},
        {"noise", {"-size", "257x131", "xc:", "+noise", "Random", "-colors", "256"}, false, false, true},
        {"interlaced noise",
         {"-size", "101x173", "xc:", "+noise", "Random", "-colors", "200", "-interlace", "GIF"}, false, true, true},
    };
    ScratchFolder dir("gifstill");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ImageMagick(dir, c.make, "gif:", "made.gif"));
        Bytes gif = ReadBytes(dir / "made.gif");
        std::remove((dir / "made.gif").c_str());
        if (c.localTable) gif = WithLocalTable(gif);
        ASSERT_TRUE(WriteBytes(dir / "still.gif", gif));
        // The file holds what the case is about.
        const std::vector<LzwCodes> codes = ReadLzwCodes(gif);
        ASSERT_EQ(codes.size(), 1u);
        EXPECT_EQ(codes[0].localTable, c.localTable);
        EXPECT_EQ(codes[0].interlaced, c.interlaced);
        if (c.fullTable) {
            EXPECT_EQ(codes[0].widest, 12);
            EXPECT_GT(codes[0].tablesFilled, 0);
        }
        const Bytes rgba = MagickRgba(dir, "still.gif", false);
        std::remove((dir / "still.gif.rgba").c_str());
        const uiengine::Image image = uiengine::DecodePicture(gif.data(), gif.size());
        ASSERT_FALSE(image.Empty());
        ASSERT_EQ(rgba.size(), static_cast<size_t>(image.width) * image.height * 4);
        std::string first;
        EXPECT_EQ(Differences(image, rgba.data(), &first), 0) << first;
    }
}

// A picture smaller than its screen, at an offset: shown on the whole
// screen (the file's 2 x 2 or 40 x 30, its picture where the file places
// it, the rest transparent), the still decode and the first frame alike.
TEST(EngineGif, APictureInsideALargerScreenIsPlacedOnTheWholeScreen) {
    const COLORREF kRed = RGB(220, 30, 30), kBlue = RGB(30, 60, 220);
    const struct {
        int w, h;
        GifFrame picture;
    } cases[] = {
        {2, 2, GifFrame::Solid(1, 1, 1, 1, 1)},
        {40, 30, GifFrame::Solid(5, 7, 10, 4, 0)},
        {9, 5, GifFrame::Solid(6, 3, 10, 10, 1)},  // reaching past the screen: cut at its edge
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const Bytes gif = MakeMovingGif(c.w, c.h, {kRed, kBlue}, {c.picture}, -1);
        const GifFrame& f = c.picture;
        const uint32_t colour = f.indexes[0] ? 0xFF1E3CDCu : 0xFFDC1E1Eu;
        const uiengine::Image still = uiengine::DecodePicture(gif.data(), gif.size());
        ASSERT_EQ(still.width, c.w);
        ASSERT_EQ(still.height, c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const bool inside = x >= f.x && x < f.x + f.w && y >= f.y && y < f.y + f.h;
                EXPECT_EQ(still.Row(y)[x], inside ? colour : 0u) << x << "," << y;
            }
        uiengine::Image frame;
        int delay = 0;
        const auto frames = uiengine::OpenGifFrames(std::make_shared<const std::vector<uint8_t>>(gif));
        ASSERT_TRUE(frames && frames->Next(&frame, &delay));
        EXPECT_EQ(frame.pixels, still.pixels);
    }
}

// Moving GIFs with real LZW codes: ImageMagick's own (noise and a gradient
// of 256 colours, the codes growing to 12 bits and the table filling), and
// one written here whose encoder keeps the full table for hundreds of codes
// before its clear code (which ImageMagick's encoder never does). Every
// frame as the engine composes it equals ImageMagick's coalesced frame.
TEST(EngineGif, FramesOfRealLzwCodesEqualImageMagicksCoalescedFrames) {
    ScratchFolder dir("giflzw");
    ASSERT_TRUE(ImageMagick(dir,
                            {"-delay", "10", "-size", "200x150", "xc:", "+noise", "Random", "-colors", "256", "\\(",
                             "-size", "200x150", "gradient:#DC1E1E-#1E3CDC", "-colors", "256", "\\)", "\\(", "-size",
                             "200x150", "xc:", "+noise", "Random", "-colors", "97", "\\)"},
                            "gif:", "magick.gif"));
    GifFrame deferred, placed;
    deferred.w = 160;
    deferred.h = 120;
    deferred.indexes = Noise(160 * 120, 64, 7);
    deferred.keepFull = 700;
    placed.x = 30;
    placed.y = 20;
    placed.w = 90;
    placed.h = 70;
    placed.indexes = Noise(90 * 70, 64, 11);
    placed.transparent = 5;
    placed.keepFull = 1;
    ASSERT_TRUE(WriteBytes(dir / "deferred.gif", MakeMovingGif(160, 120, Palette(64), {deferred, placed}, 0)));
    const struct {
        const char* name;
        int deferredClears;  // at least, in the first picture
    } cases[] = {{"magick.gif", 0}, {"deferred.gif", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes gif = ReadBytes(dir / c.name);
        const std::vector<LzwCodes> codes = ReadLzwCodes(gif);
        ASSERT_GE(codes.size(), 2u);
        EXPECT_EQ(codes[0].widest, 12);
        EXPECT_GT(codes[0].tablesFilled, 0);
        EXPECT_GE(codes[0].deferredClears, c.deferredClears);
        const Bytes rgba = MagickRgba(dir, c.name, true);
        const auto frames = uiengine::OpenGifFrames(std::make_shared<const std::vector<uint8_t>>(gif));
        ASSERT_NE(frames, nullptr);
        for (size_t n = 0; n < codes.size(); ++n) {
            SCOPED_TRACE(n);
            uiengine::Image frame;
            int delay = 0;
            ASSERT_TRUE(frames->Next(&frame, &delay));
            const size_t bytes = static_cast<size_t>(frame.width) * frame.height * 4;
            ASSERT_EQ(rgba.size(), bytes * codes.size());
            std::string first;
            EXPECT_EQ(Differences(frame, rgba.data() + n * bytes, &first), 0) << first;
        }
    }
}
