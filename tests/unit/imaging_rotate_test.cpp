// Turning pictures a quarter clockwise: the result is always PNG, its size
// swapped and its content turned, and broken input gives an empty array.
#include <windows.h>

#include <gtest/gtest.h>

#include "imaging/imaging.h"
#include "imaging/imaging_internal.h"
#include "test_support.h"

using namespace vela;
using vela::test::MakePicture;
using vela::test::PixelOf;

namespace {

const Bytes kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool StartsWithPngSignature(const Bytes& b) {
    return b.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), b.begin());
}

// MakePicture marks the top-left quarter white on a coloured ground.
bool IsMark(COLORREF c) { return c == RGB(255, 255, 255); }

}  // namespace

TEST(ImagingRotate, JpegTurnsIntoAPngOfSwappedSize) {
    const Bytes jpeg = MakePicture(640, 480, L"image/jpeg");
    const Bytes turned = RotatePictureBytes(jpeg);
    ASSERT_TRUE(StartsWithPngSignature(turned));
    EXPECT_EQ(MeasurePictureWidth(turned), 480);
    EXPECT_EQ(MeasurePictureHeight(turned), 640);
    // The argument is not changed.
    EXPECT_EQ(jpeg, MakePicture(640, 480, L"image/jpeg"));
}

TEST(ImagingRotate, TurnIsClockwiseAndFourTurnsComeBack) {
    ASSERT_TRUE(StartImaging());
    const Bytes start = MakePicture(40, 20, L"image/png");
    ASSERT_TRUE(IsMark(PixelOf(start, 0, 0)));
    ASSERT_FALSE(IsMark(PixelOf(start, 39, 0)));
    Bytes b = RotatePictureBytes(start);
    // Clockwise: the top-left corner goes to the top-right.
    EXPECT_EQ(MeasurePictureWidth(b), 20);
    EXPECT_TRUE(IsMark(PixelOf(b, 19, 0)));
    EXPECT_FALSE(IsMark(PixelOf(b, 0, 0)));
    for (int i = 0; i < 3; ++i) b = RotatePictureBytes(b);
    EXPECT_EQ(MeasurePictureWidth(b), 40);
    EXPECT_EQ(MeasurePictureHeight(b), 20);
    EXPECT_TRUE(IsMark(PixelOf(b, 0, 0)));
    EXPECT_FALSE(IsMark(PixelOf(b, 39, 0)));
    EXPECT_FALSE(IsMark(PixelOf(b, 0, 19)));
    StopImaging();
}

TEST(ImagingRotate, WorksWithAndWithoutAProcessWideStart) {
    const Bytes gif = test::MakeGif(7, 3);
    StopImaging();
    const Bytes alone = RotatePictureBytes(gif);
    ASSERT_TRUE(StartImaging());
    EXPECT_TRUE(StartImaging());  // a second start is harmless
    const Bytes started = RotatePictureBytes(gif);
    StopImaging();
    StopImaging();
    EXPECT_EQ(MeasurePictureWidth(alone), 3);
    EXPECT_EQ(MeasurePictureHeight(alone), 7);
    EXPECT_EQ(alone, started);
    // Measurements start and stop GDI+ for themselves after StopImaging.
    EXPECT_EQ(MeasurePictureWidth(RotatePictureBytes(MakePicture(5, 9, L"image/bmp"))), 9);
}

TEST(ImagingRotate, UndecodableBytesGiveAnEmptyArray) {
    EXPECT_TRUE(RotatePictureBytes({}).empty());
    const std::string text = "not a picture at all";
    EXPECT_TRUE(RotatePictureBytes(Bytes(text.begin(), text.end())).empty());
    Bytes png = MakePicture(50, 50, L"image/png");
    png.resize(20);
    EXPECT_TRUE(RotatePictureBytes(png).empty());
}

TEST(ImagingInternal, EncodeImageAsPngOfNothingIsEmpty) {
    EXPECT_TRUE(imaging::EncodeImageAsPng(nullptr).empty());
    EXPECT_EQ(imaging::BitmapFromPictureBytes({}), nullptr);
}
