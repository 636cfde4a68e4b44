// WebP files through the engine's decoder and the viewer's measurement and
// turn: lossless pictures come back with every value they were written
// with (the encoder is libwebp's own, the reference is the pixels given to
// it), lossy ones in their colours; the size is read from the first chunk
// of each kind of file; damaged files are undecodable and measure 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <webp/decode.h>

#include "engine_harness.h"
#include "imaging/imaging.h"
#include "picture/webp_header.h"
#include "skin/engine.h"
#include "test_support.h"
#include "webp_pictures.h"

using namespace vela::test;
using vela::Bytes;

namespace {

// A picture whose every pixel differs: the lossless round trip is checked
// value by value, including alpha 0 and 255 in the same file (the only
// alphas where the engine's premultiplied pixels equal straight ones).
Pixels Gradient(int w, int h, bool withAlpha) {
    Pixels p{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t a = withAlpha && (x + y) % 3 == 0 ? 0 : 255;
            const uint32_t rgb = a ? ((x * 7) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | ((x * y) & 0xFF) : 0;
            p.argb.push_back(a << 24 | rgb);
        }
    return p;
}


class EngineWebp : public PictureWindowTest {
protected:
    EngineWebp() : PictureWindowTest(300, 200) {}
    void SetUp() override {
        PictureWindowTest::SetUp();
        ASSERT_NE(Engine().DecodePicturePixels, nullptr);
        // The viewer's turn asks the process's engine to decode WebP.
        vela::skin::UseEngineModule(Engine().dll);
        ASSERT_TRUE(vela::StartImaging());
    }
    void TearDown() override {
        vela::StopImaging();
        PictureWindowTest::TearDown();
    }
    FrameShot ShowIn(const Bytes& b) {
        EXPECT_EQ(SetData(pic_, 8, b.data(), static_cast<int>(b.size())), 1);
        SetWindowPos(pic_, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(WaitFor([&] { return !FrameInfoOf(top_).pending; }, 30000));
        EXPECT_TRUE(WaitForFrame(top_, 30000));
        return Shoot(top_);
    }
};

}  // namespace

TEST_F(EngineWebp, LosslessFilesDecodeToTheirExactValues) {
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "with alpha" : "opaque");
        const Pixels source = Gradient(61, 37, alpha);
        const Pixels decoded = DecodedByEngine(EncodeWebp(source));
        ASSERT_EQ(decoded.width, 61);
        ASSERT_EQ(decoded.height, 37);
        EXPECT_EQ(decoded.argb, source.argb);
    }
}

TEST_F(EngineWebp, ALossyFileIsShownInItsColoursAndMeasuredFromItsHeader) {
    const COLORREF colour = RGB(40, 150, 210);
    const Bytes lossy = EncodeWebp(QuarterPixels(600, 400, colour), false, 95);
    const FrameShot s = ShowIn(lossy);
    // Fitted into 300 x 200: the white quarter top-left, the colour elsewhere.
    EXPECT_TRUE(PixelNear(s.At(100 + 40, 100 + 40), OpaquePixel(RGB(255, 255, 255))));
    EXPECT_TRUE(PixelNear(s.At(100 + 240, 100 + 160), OpaquePixel(colour)));
    vela::ForgetMeasurement();
    EXPECT_EQ(vela::MeasurePictureWidth(lossy), 600);
    EXPECT_EQ(vela::MeasurePictureHeight(lossy), 400);
}

TEST_F(EngineWebp, EachKindOfFirstChunkGivesTheSize) {
    const struct {
        const char* what;
        Bytes bytes;
        int width, height;
        bool animated, alpha;
    } cases[] = {
        {"lossy (VP8)", EncodeWebp(QuarterPixels(333, 17, RGB(1, 2, 3)), false), 333, 17, false, false},
        {"lossless (VP8L)", EncodeWebp(Gradient(16383, 2, true)), 16383, 2, false, true},
        {"moving (VP8X)", EncodeAnimatedWebp({QuarterPixels(70, 90, RGB(9, 9, 9)), QuarterPixels(70, 90, 0)}, 50), 70,
         90, true, false},
        {"crafted VP8X at the 24-bit limit", CraftedWebp(1u << 24, 5, 0x10), 1 << 24, 5, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vela::imaging::WebpHeader h;
        ASSERT_TRUE(vela::imaging::ReadWebpHeader(c.bytes.data(), c.bytes.size(), &h));
        EXPECT_EQ(h.width, c.width);
        EXPECT_EQ(h.height, c.height);
        EXPECT_EQ(h.animated, c.animated);
        EXPECT_EQ(h.alpha, c.alpha);
        EXPECT_TRUE(h.whole);
    }
}

// The smallest lossless file: one colour (clear) over 100 x 100 in 28
// bytes, as Debian's `cwebp -lossless -z 9 -exact` writes it (its `dwebp`
// reads it as 100 x 100). Decoded and measured as libwebp reads it.
TEST_F(EngineWebp, ATwentyEightByteLosslessFileIsAPicture) {
    const Bytes tiny = {0x52, 0x49, 0x46, 0x46, 0x14, 0x00, 0x00, 0x00, 0x57, 0x45, 0x42, 0x50, 0x56, 0x50,
                        0x38, 0x4c, 0x08, 0x00, 0x00, 0x00, 0x2f, 0x63, 0xc0, 0x18, 0x10, 0x88, 0x88, 0x08};
    int w = 0, h = 0;
    ASSERT_TRUE(WebPGetInfo(tiny.data(), tiny.size(), &w, &h));
    ASSERT_EQ(w, 100);
    const Pixels decoded = DecodedByEngine(tiny);
    EXPECT_EQ(decoded.width, w);
    EXPECT_EQ(decoded.height, h);
    EXPECT_EQ(decoded.argb, std::vector<uint32_t>(static_cast<size_t>(w) * h, 0u));
    vela::ForgetMeasurement();
    EXPECT_EQ(vela::MeasurePictureWidth(tiny), w);
    EXPECT_EQ(vela::MeasurePictureHeight(tiny), h);
}

TEST_F(EngineWebp, DamagedFilesAreUndecodableAndMeasureNothing) {
    const Bytes good = EncodeWebp(QuarterPixels(64, 48, RGB(200, 30, 30)), false);
    Bytes badChunk = good;
    badChunk[12] = 'X';  // no chunk a WebP starts with
    Bytes badStart = good;
    badStart[23] ^= 0xFF;  // the key frame's start code
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {{"cut in half", Bytes(good.begin(), good.begin() + good.size() / 2)},
                 {"cut in the header", Bytes(good.begin(), good.begin() + 20)},
                 {"unknown first chunk", badChunk},
                 {"broken start code", badStart}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(DecodedByEngine(c.bytes).argb.empty());
        vela::ForgetMeasurement();
        EXPECT_EQ(vela::MeasurePictureWidth(c.bytes), 0);
        EXPECT_EQ(vela::MeasurePictureHeight(c.bytes), 0);
        EXPECT_TRUE(vela::RotatePictureBytes(c.bytes).empty());
    }
}

TEST_F(EngineWebp, TheTurnIsAPngOfTheOtherWayRound) {
    // Top-left quarter white, the rest red: turned clockwise the white
    // quarter is top-right.
    const Bytes webp = EncodeWebp(QuarterPixels(40, 20, RGB(200, 30, 30)));
    const Bytes turned = vela::RotatePictureBytes(webp);
    ASSERT_GE(turned.size(), 8u);
    EXPECT_EQ(memcmp(turned.data(), "\x89PNG", 4), 0);
    EXPECT_EQ(vela::MeasurePictureWidth(turned), 20);
    EXPECT_EQ(vela::MeasurePictureHeight(turned), 40);
    EXPECT_EQ(PixelOf(turned, 15, 5), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(turned, 5, 5), RGB(200, 30, 30));
    EXPECT_EQ(PixelOf(turned, 15, 35), RGB(200, 30, 30));
}
