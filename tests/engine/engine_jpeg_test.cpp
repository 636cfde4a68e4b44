// JPEG files through the engine's decoder: baseline, progressive, grey and
// CMYK files drawn in their colours; a file cut short is undecodable, whole
// or reduced; a large photo is first held as a copy reduced in the DCT
// domain, standing upright, and a write of bytes being prepared waits for
// that preparation instead of decoding again.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "engine_harness.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

enum class Kind { Baseline, Progressive, Grey, Cmyk };

// A w x h JPEG from libjpeg-turbo's encoder: the left half `left`, the right
// half `right`. A CMYK file is written the Adobe way (inverted inks, with
// the Adobe marker), black left at none.
Bytes Encode(int w, int h, Kind kind, COLORREF left, COLORREF right) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = kind == Kind::Grey ? 1 : kind == Kind::Cmyk ? 4 : 3;
    c.in_color_space = kind == Kind::Grey ? JCS_GRAYSCALE : kind == Kind::Cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (kind == Kind::Progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * c.input_components);
    for (int x = 0; x < w; ++x) {
        const COLORREF colour = x < w / 2 ? left : right;
        const JSAMPLE rgb[4] = {GetRValue(colour), GetGValue(colour), GetBValue(colour), 255};
        for (int i = 0; i < c.input_components; ++i) row[static_cast<size_t>(x) * c.input_components + i] = rgb[i];
    }
    JSAMPROW rows[1] = {row.data()};
    while (c.next_scanline < c.image_height) jpeg_write_scanlines(&c, rows, 1);
    jpeg_finish_compress(&c);
    Bytes bytes(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

// libjpeg-turbo's own answer for the sides of the file decoded at num/8.
SIZE ScaledByLibjpeg(const Bytes& b, unsigned num) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr errors{};
    d.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, b.data(), static_cast<unsigned long>(b.size()));
    jpeg_read_header(&d, TRUE);
    d.scale_num = num;
    d.scale_denom = 8;
    jpeg_calc_output_dimensions(&d);
    const SIZE sides{static_cast<LONG>(d.output_width), static_cast<LONG>(d.output_height)};
    jpeg_destroy_decompress(&d);
    return sides;
}

int PrepareOne(const Bytes& b) {
    const ExuiData block{b.data(), static_cast<int32_t>(b.size())};
    return Engine().PreparePictures(&block, 1);
}

const COLORREF kLeft = RGB(200, 60, 30), kRight = RGB(30, 90, 220);

class EngineJpeg : public PictureWindowTest {
protected:
    EngineJpeg() : PictureWindowTest(300, 200) {}
    // The bytes written into the view, then its size set to w x h (as the
    // viewer's fit does), and the frame once drawn.
    FrameShot ShowIn(const Bytes& b, int w, int h) {
        EXPECT_EQ(SetData(pic_, 8, b.data(), static_cast<int>(b.size())), 1);
        SetWindowPos(pic_, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(WaitFor([&] { return !FrameInfoOf(top_).pending; }, 30000));
        EXPECT_TRUE(WaitForFrame(top_, 30000));
        return Shoot(top_);
    }
};

uint32_t Grey(COLORREF c) { return OpaquePixel(RGB(GetRValue(c), GetRValue(c), GetRValue(c))); }

}  // namespace

TEST_F(EngineJpeg, EveryKindOfFileIsDrawnInItsColours) {
    const struct {
        const char* what;
        Kind kind;
    } cases[] = {{"baseline", Kind::Baseline}, {"progressive", Kind::Progressive}, {"grey", Kind::Grey}, {"cmyk", Kind::Cmyk}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FrameShot s = ShowIn(Encode(600, 400, c.kind, kLeft, kRight), 300, 200);
        EXPECT_TRUE(PixelNear(s.At(100 + 60, 100 + 100), c.kind == Kind::Grey ? Grey(kLeft) : OpaquePixel(kLeft)));
        EXPECT_TRUE(PixelNear(s.At(100 + 240, 100 + 100), c.kind == Kind::Grey ? Grey(kRight) : OpaquePixel(kRight)));
        EXPECT_EQ(s.At(99, 150), kComposedBackdrop);
    }
}

TEST_F(EngineJpeg, AFileCutShortIsUndecodableWholeOrReduced) {
    const COLORREF green = RGB(30, 160, 90);
    const Bytes good = MakePicture(300, 200, L"image/png", green);
    const struct {
        const char* what;
        Bytes whole;
    } cases[] = {{"baseline", Encode(600, 400, Kind::Baseline, kLeft, kRight)},
                 {"progressive", Encode(600, 400, Kind::Progressive, kLeft, kRight)},
                 {"large, reduced first", Encode(8000, 4400, Kind::Baseline, kLeft, kRight)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(PixelNear(ShowIn(good, 300, 200).At(100 + 150, 100 + 100), OpaquePixel(green)));
        const Bytes cut(c.whole.begin(), c.whole.begin() + c.whole.size() * 2 / 3);
        EngineEvents().clear();
        const FrameShot s = ShowIn(cut, 300, 200);
        EXPECT_EQ(s.At(100 + 60, 100 + 20), kComposedBackdrop);
        EXPECT_EQ(s.At(100 + 240, 100 + 190), kComposedBackdrop);
        // The host hears of it once: its header reads, so it may have
        // measured a size for a view that stays empty.
        ASSERT_EQ(EngineEvents().size(), 1u);
        EXPECT_EQ(EngineEvents()[0].code, ENGINE_EVENT_UNDECODABLE);
    }
    // Nor is it kept when prepared.
    const Bytes cut(cases[2].whole.begin(), cases[2].whole.begin() + cases[2].whole.size() / 2);
    ASSERT_EQ(PrepareOne(cut), 1);
    ASSERT_TRUE(WaitFor([] { return PreparedInfo().waiting == 0; }, 30000));
    EXPECT_EQ(PreparedInfo().ready, 0);
}

// On the test display (1920 x 1080) a picture of 8002 x 4402 is covered by
// a quarter of each side (2001 x 1101, rounded up by the DCT), not by an eighth.
TEST_F(EngineJpeg, ALargePhotoIsHeldReducedInTheDctDomainAndUpright) {
    ASSERT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1920);
    ASSERT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
    const Bytes big = Encode(8002, 4402, Kind::Baseline, kLeft, kRight);
    ASSERT_EQ(PrepareOne(big), 1);
    ASSERT_TRUE(WaitFor([] { return PreparedInfo().ready == 1; }, 30000));
    // The set holds a copy of the bytes and the quarter's pixels, 4 bytes each.
    const SIZE quarter = ScaledByLibjpeg(big, 2);
    ASSERT_EQ(quarter.cx, 2001);
    EXPECT_EQ(PreparedInfo().kilobytes, static_cast<int>((big.size() + 4ull * quarter.cx * quarter.cy) / 1024));
    const int taken = PreparedInfo().taken;
    FrameShot s = ShowIn(big, 500, 275);
    EXPECT_EQ(PreparedInfo().taken, taken + 1);
    EXPECT_EQ(PreparedInfo().ready, 0);  // taken: the box holds it now, the set no copy of its bytes
    EXPECT_TRUE(PixelNear(s.At(100 + 100, 100 + 100), OpaquePixel(kLeft)));
    EXPECT_TRUE(PixelNear(s.At(100 + 400, 100 + 200), OpaquePixel(kRight)));
    // Turned a quarter clockwise by its EXIF block: 4402 x 8002 upright, its
    // left half (as stored) on top.
    s = ShowIn(WithExifOrientation(big, 6), 110, 200);
    EXPECT_TRUE(PixelNear(s.At(100 + 90, 100 + 50), OpaquePixel(kLeft)));
    EXPECT_TRUE(PixelNear(s.At(100 + 20, 100 + 150), OpaquePixel(kRight)));
}

TEST_F(EngineJpeg, BytesWrittenWhileTheirPreparationRunsTakeIt) {
    const Bytes big = Encode(8000, 4400, Kind::Progressive, kRight, kLeft);
    const int taken = PreparedInfo().taken;
    ASSERT_EQ(PrepareOne(big), 1);
    const FrameShot s = ShowIn(big, 500, 275);
    EXPECT_EQ(PreparedInfo().taken, taken + 1);
    EXPECT_EQ(PreparedInfo().kilobytes, 0);
    EXPECT_TRUE(PixelNear(s.At(100 + 100, 100 + 100), OpaquePixel(kRight)));
    EXPECT_TRUE(PixelNear(s.At(100 + 400, 100 + 200), OpaquePixel(kLeft)));
}
