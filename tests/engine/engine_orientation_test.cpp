// Photos whose EXIF block says how they stand: for every orientation value
// the viewer measures the upright size, the engine draws the upright
// picture and the quarter turn turns the upright picture. Two corner marks
// (white top-left, black top-right as stored) tell turns and mirrors apart.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine_harness.h"
#include "imaging/exif_orientation.h"
#include "imaging/imaging.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

enum Corner { TL, TR, BR, BL };
const char* const kCornerNames[] = {"top-left", "top-right", "bottom-right", "bottom-left"};

// What a corner of a picture shows: 'w' white, 'k' black, 'g' the ground.
char Mark(int r, int g, int b) {
    if (r > 200 && g > 200 && b > 200) return 'w';
    if (r < 60 && g < 60 && b < 60) return 'k';
    return 'g';
}
POINT SampleAt(Corner c, int w, int h) {
    const int left = w / 6, right = w - 1 - w / 6, top = h / 6, bottom = h - 1 - h / 6;
    switch (c) {
        case TL: return {left, top};
        case TR: return {right, top};
        case BR: return {right, bottom};
        default: return {left, bottom};
    }
}
// The marks of the four corners, clockwise from the top-left ("wkgg": as stored).
template <typename MarkAt>
std::string Corners(int w, int h, MarkAt markAt) {
    std::string s;
    for (Corner c : {TL, TR, BR, BL}) {
        const POINT p = SampleAt(c, w, h);
        s += markAt(p.x, p.y);
    }
    return s;
}
std::string Expected(Corner white, Corner black) {
    std::string s = "gggg";
    s[white] = 'w';
    s[black] = 'k';
    return s;
}
Corner Clockwise(Corner c) { return static_cast<Corner>((c + 1) % 4); }

struct Case {
    int value;  // 0: no EXIF block at all
    bool bigEndian;
    Corner white, black;  // where the stored top corners stand upright
};
// Stored 96 x 64: values 5 to 8 stand 64 x 96.
constexpr int kStoredW = 96, kStoredH = 64;
const Case kCases[] = {
    {0, false, TL, TR}, {1, false, TL, TR}, {2, false, TR, TL}, {3, true, BR, BL}, {4, false, BL, BR},
    {5, true, TL, BL},  {6, false, TR, BR}, {6, true, TR, BR},  {7, true, BR, TR}, {8, false, BL, TL},
    {9, false, TL, TR},  // out of range: as stored
};

class EngineOrientation : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(Engine().dll, nullptr); }
};

}  // namespace

TEST_F(EngineOrientation, EveryValueIsMeasuredDrawnAndTurnedUpright) {
    const Bytes plain = MakeCornerMarkedJpeg(kStoredW, kStoredH);
    ASSERT_FALSE(plain.empty());
    ScratchFolder dir("orient");
    HWND top = MakeTopLevel(100, 100, 648, 411);
    MakeSkinned(EngineType::WindowEx, top, 4, 4, 24, 24, 16);
    HWND pic = MakeSkinned(EngineType::PictureBoxEx, top, 100, 100, 0, 0, 15);
    ASSERT_TRUE(WaitForFrame(top));
    for (const Case& c : kCases) {
        SCOPED_TRACE("orientation " + std::to_string(c.value) + (c.bigEndian ? " big-endian" : " little-endian"));
        const Bytes jpeg = c.value ? WithExifOrientation(plain, c.value, c.bigEndian) : plain;
        const bool swapped = c.value >= 5 && c.value <= 8;
        const int w = swapped ? kStoredH : kStoredW, h = swapped ? kStoredW : kStoredH;
        EXPECT_EQ(vela::imaging::JpegOrientation(jpeg.data(), jpeg.size()), c.value >= 1 && c.value <= 8 ? c.value : 1);

        // Measured from the bytes and from a file named by them.
        vela::ForgetMeasurement();
        EXPECT_EQ(vela::MeasurePictureWidth(jpeg), w);
        EXPECT_EQ(vela::MeasurePictureHeight(jpeg), h);
        char name[16];
        wsprintfA(name, "p%d%c.jpg", c.value, c.bigEndian ? 'b' : 'l');
        const std::string file = dir / name;
        ASSERT_TRUE(WriteBytes(file, jpeg));
        EXPECT_EQ(vela::MeasurePictureWidth(Bytes(file.begin(), file.end())), w);
        EXPECT_EQ(vela::MeasurePictureHeight(Bytes(file.begin(), file.end())), h);

        // Drawn 1:1 by the engine into a view of the upright size.
        SetWindowPos(pic, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        const int before = FrameInfoOf(top).pictureFrame;
        ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
        ASSERT_TRUE(WaitFor([&] {
            const ExuiFrameInfo info = FrameInfoOf(top);
            return info.pictureFrame > before && !info.pending;
        }));
        const FrameShot shot = Shoot(top);
        ASSERT_EQ(shot.width, 648);
        EXPECT_EQ(Corners(w, h,
                          [&](int x, int y) {
                              const uint32_t p = shot.At(100 + x, 100 + y);
                              return Mark((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
                          }),
                  Expected(c.white, c.black));

        // The quarter turn: a PNG of the upright picture turned clockwise.
        const Bytes turned = vela::RotatePictureBytes(jpeg);
        ASSERT_GT(turned.size(), 8u);
        EXPECT_EQ(turned[1], 'P');
        EXPECT_EQ(vela::MeasurePictureWidth(turned), h);
        EXPECT_EQ(vela::MeasurePictureHeight(turned), w);
        EXPECT_EQ(Corners(h, w,
                          [&](int x, int y) {
                              const COLORREF p = PixelOf(turned, x, y);
                              return Mark(GetRValue(p), GetGValue(p), GetBValue(p));
                          }),
                  Expected(Clockwise(c.white), Clockwise(c.black)))
            << "white now " << kCornerNames[Clockwise(c.white)];
    }
    Close(top);
}
