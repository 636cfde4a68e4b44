// Photos whose EXIF block says how they stand, for every orientation value:
// the measured size, the engine's drawing and the quarter turn's PNG are
// those of the upright picture. Two marks (white top-left, black top-right
// as stored) tell turns and mirrors apart.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "engine_harness.h"
#include "imaging/imaging.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

// The marks at the four corners, clockwise from the top-left: 'w' white,
// 'k' black, 'g' the ground ("wkgg": as stored).
std::string Corners(int w, int h, const std::function<COLORREF(int, int)>& colourAt) {
    const POINT points[] = {{w / 6, h / 6}, {w - 1 - w / 6, h / 6}, {w - 1 - w / 6, h - 1 - h / 6}, {w / 6, h - 1 - h / 6}};
    std::string marks;
    for (POINT p : points) {
        const COLORREF c = colourAt(p.x, p.y);
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        marks += r > 200 && g > 200 && b > 200 ? 'w' : r < 60 && g < 60 && b < 60 ? 'k' : 'g';
    }
    return marks;
}

}  // namespace

TEST(EngineOrientation, EveryValueIsMeasuredDrawnAndTurnedUpright) {
    ASSERT_NE(Engine().dll, nullptr);
    const struct {
        int value;  // 0: no EXIF block; 9: out of range
        bool bigEndian;
        const char* upright;
    } cases[] = {{0, false, "wkgg"}, {1, false, "wkgg"}, {2, false, "kwgg"}, {3, true, "ggwk"},
                 {4, false, "ggkw"}, {5, true, "wggk"},  {6, false, "gwkg"}, {6, true, "gwkg"},
                 {7, true, "gkwg"},  {8, false, "kggw"}, {9, false, "wkgg"}};
    const Bytes stored = MakePicture(96, 64, L"image/jpeg", RGB(200, 120, 40), RGB(0, 0, 0));
    ScratchFolder dir("orient");
    auto [top, pic] = MakePictureWindow(100, 100, 0, 0);
    ASSERT_TRUE(WaitForFrame(top));
    for (const auto& c : cases) {
        SCOPED_TRACE("orientation " + std::to_string(c.value) + (c.bigEndian ? " MM" : " II"));
        const Bytes jpeg = c.value ? WithExifOrientation(stored, c.value, c.bigEndian) : stored;
        const bool swapped = c.value >= 5 && c.value <= 8;
        const int w = swapped ? 64 : 96, h = swapped ? 96 : 64;
        // Measured from the bytes; bytes that merely name the file are no picture.
        vela::ForgetMeasurement();
        EXPECT_EQ(vela::MeasurePictureWidth(jpeg), w);
        EXPECT_EQ(vela::MeasurePictureHeight(jpeg), h);
        ASSERT_TRUE(WriteBytes(dir / "p.jpg", jpeg));
        const std::string path = dir / "p.jpg";
        EXPECT_EQ(vela::MeasurePictureWidth(Bytes(path.begin(), path.end())), 0);
        // Drawn 1:1 by the engine into a view of the upright size.
        SetWindowPos(pic, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        const int before = FrameInfoOf(top).pictureFrame;
        ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
        ASSERT_TRUE(WaitFor([&] { return FrameInfoOf(top).pictureFrame > before && !FrameInfoOf(top).pending; }));
        const FrameShot shot = Shoot(top);
        EXPECT_EQ(Corners(w, h,
                          [&](int x, int y) {
                              const uint32_t p = shot.At(100 + x, 100 + y);
                              return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
                          }),
                  c.upright);
        // The quarter turn: a PNG of the upright picture turned clockwise.
        const Bytes turned = vela::RotatePictureBytes(jpeg);
        ASSERT_GT(turned.size(), 8u);
        EXPECT_EQ(turned[1], 'P');
        EXPECT_EQ(vela::MeasurePictureWidth(turned), h);
        EXPECT_EQ(vela::MeasurePictureHeight(turned), w);
        const std::string upright = c.upright;
        EXPECT_EQ(Corners(h, w, [&](int x, int y) { return PixelOf(turned, x, y); }),
                  upright.back() + upright.substr(0, 3));
    }
    Close(top);
}
