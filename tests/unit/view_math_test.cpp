// The arithmetic of scaling and centring, checked on the numbers the viewer
// meets, with the FPU at extended precision and all exceptions masked as the
// app runs it.
#include <float.h>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "view/view_math.h"

using namespace vela::view;

namespace {

class ViewMath : public ::testing::Test {
protected:
    void SetUp() override {
        _fpreset();
        _controlfp(_PC_64, _MCW_PC);
        _controlfp(_MCW_EM, _MCW_EM);
    }
};

}  // namespace

TEST_F(ViewMath, TruncationGoesTowardZeroAndUndefinedIsZero) {
    EXPECT_EQ(TruncToInt(99.9), 99);
    EXPECT_EQ(TruncToInt(-0.5), 0);
    EXPECT_EQ(TruncToInt(-1.9), -1);
    EXPECT_EQ(TruncToInt(1364.9999999), 1364);
    EXPECT_EQ(TruncToInt(2147483647.0), 2147483647);
    EXPECT_EQ(TruncToInt(-2147483648.0), std::numeric_limits<int>::min());
    EXPECT_EQ(TruncToInt(2147483648.0), 0);
    EXPECT_EQ(TruncToInt(-3e9), 0);
    EXPECT_EQ(TruncToInt(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(TruncToInt(-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(TruncToInt(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(ViewMath, ZoomLabelTakesTheQuotientFirst) {
    // 29 / 100 * 100 is just below 29 in double precision.
    EXPECT_EQ(ZoomPercent(29, 100), 28);
    EXPECT_EQ(ZoomLabelText(29, 100), "28%");
    EXPECT_EQ(ZoomLabelText(100, 100), "100%");
    EXPECT_EQ(ZoomLabelText(1820, 4000), "45%");
    EXPECT_EQ(ZoomLabelText(330, 400), "82%");
    // No picture: the quotient is undefined and the caption 0%.
    EXPECT_EQ(ZoomLabelText(100, 0), "0%");
    EXPECT_EQ(ZoomLabelText(0, 0), "0%");
    EXPECT_EQ(ZoomLabelText(-100, 0), "0%");
}

TEST_F(ViewMath, ZoomInSequenceFromAHundred) {
    const int expected[] = {110, 121, 133, 146, 160};
    const char* captions[] = {"110%", "121%", "133%", "146%", "160%"};
    int side = 100;
    for (int i = 0; i < 5; ++i) {
        side = ZoomInSide(side);
        EXPECT_EQ(side, expected[i]);
        EXPECT_EQ(ZoomLabelText(side, 100), captions[i]);
    }
}

TEST_F(ViewMath, ZoomOutThenInLosesAPixel) {
    EXPECT_EQ(ZoomOutSide(100), 90);
    EXPECT_EQ(ZoomInSide(ZoomOutSide(100)), 99);
}

TEST_F(ViewMath, SmallSidesStopGrowingAndZeroStaysZero) {
    for (int side = 0; side <= 9; ++side) EXPECT_EQ(ZoomInSide(side), side) << side;
    EXPECT_EQ(ZoomInSide(10), 11);
    EXPECT_EQ(ZoomOutSide(1), 0);
    EXPECT_EQ(ZoomOutSide(0), 0);
    EXPECT_EQ(ZoomInSide(0), 0);
    // Far past any int the side becomes 0 rather than a garbage value.
    EXPECT_EQ(ZoomInSide(2000000000), 0);
}

TEST_F(ViewMath, FitUsesOnlyTheWidth) {
    EXPECT_EQ(FitSize(4000, 3000, 1920), (Size{1820, 1364}));
    EXPECT_EQ(FitSize(500, 3000, 800), (Size{500, 3000}));
    // Exactly the window less the margin: natural size (the test is strict).
    EXPECT_EQ(FitSize(700, 400, 800), (Size{700, 400}));
    EXPECT_EQ(FitSize(701, 400, 800), (Size{700, 399}));
    EXPECT_EQ(FitSize(0, 0, 800), (Size{0, 0}));
    EXPECT_FALSE(NeedsFitting(700, 800));
    EXPECT_TRUE(NeedsFitting(701, 800));
}

TEST_F(ViewMath, FittedViewsKeepTheRatioWithinAPixel) {
    for (int windowWidth = 300; windowWidth <= 2000; windowWidth += 7) {
        for (int pictureWidth : {windowWidth - 99, windowWidth + 1, 3 * windowWidth, 6000}) {
            for (int pictureHeight : {1, 333, 1080, 4500}) {
                const Size s = FitSize(pictureWidth, pictureHeight, windowWidth);
                ASSERT_EQ(s.width, windowWidth - 100);
                const double exact = double(pictureHeight) * s.width / pictureWidth;
                ASSERT_LE(s.height, exact + 1e-7) << windowWidth << " " << pictureWidth << " " << pictureHeight;
                // The quotient can land just below a whole exact height
                // (3000 / (4000 / 1820) is just below 1365), losing one pixel.
                ASSERT_GE(s.height, exact - 1.0 - 1e-7) << windowWidth << " " << pictureWidth << " " << pictureHeight;
            }
        }
    }
}

TEST_F(ViewMath, CentringPlacesTheMiddleAtTheMiddle) {
    EXPECT_EQ(CentredPosition(800, 500), 150);
    EXPECT_EQ(CentredPosition(600, 3000), -1200);
    EXPECT_EQ(CentredPosition(1920, 1820), 50);
    EXPECT_EQ(CentredPosition(1080, 1364), -142);
    // 800/2 - 301/2 = 249.5, and -0.5 truncates to 0.
    EXPECT_EQ(CentredPosition(800, 301), 249);
    EXPECT_EQ(CentredPosition(100, 101), 0);
    EXPECT_EQ(CentredPosition(100, 103), -1);
}

TEST_F(ViewMath, WheelAnchorsAtTheCursorWhenTheViewIsWider) {
    const ViewRect view{-50, 0, 1000, 600};
    EXPECT_EQ(WheelStep(view, 900, 700, 500, 300, 120), (ViewRect{-100, -30, 1100, 660}));
    // Zooming out from there keeps the middle under the cursor; 1100 / 1.1
    // is just below 1000, so the width comes back as 999 and the left as
    // trunc(-100 + 550 - 499.5) = -49.
    const ViewRect in = WheelStep(view, 900, 700, 500, 300, 120);
    const ViewRect out = WheelStep(in, 900, 700, 550, 330, -120);
    EXPECT_EQ(out, (ViewRect{-49, 0, 999, 600}));
    // One event is one step whatever the distance.
    EXPECT_EQ(WheelStep(view, 900, 700, 500, 300, 960), WheelStep(view, 900, 700, 500, 300, 1));
}

TEST_F(ViewMath, WheelCentresWhenTheViewIsNotWider) {
    // Equal widths do not anchor (the test is strict).
    EXPECT_EQ(WheelStep({7, 9, 900, 600}, 900, 700, 10, 10, 120), (ViewRect{-45, 20, 990, 660}));
    EXPECT_EQ(WheelStep({7, 9, 400, 300}, 900, 700, 10, 10, -1), (ViewRect{268, 214, 363, 272}));
    // Distance 0 changes nothing.
    EXPECT_EQ(WheelStep({7, 9, 2000, 300}, 900, 700, 10, 10, 0), (ViewRect{7, 9, 2000, 300}));
}

TEST_F(ViewMath, WheelOnAFlatViewDoesNotProduceGarbage) {
    // A 0-high view: the vertical ratio is undefined and the top becomes 0.
    const ViewRect r = WheelStep({-10, 40, 1000, 0}, 900, 700, 100, 5, 120);
    EXPECT_EQ(r.width, 1100);
    EXPECT_EQ(r.height, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.left, -20);
}

TEST_F(ViewMath, RotatedViewZoomsAgainstTheUnrotatedWidth) {
    // A 400 x 300 picture at 100 % turned: 300 x 400, then one zoom in.
    int width = 300, height = 400;
    width = ZoomInSide(width);
    height = ZoomInSide(height);
    EXPECT_EQ(width, 330);
    EXPECT_EQ(height, 440);
    EXPECT_EQ(ZoomLabelText(width, 400), "82%");
}

TEST_F(ViewMath, WindowAroundAPicture) {
    EXPECT_EQ(WindowSideForPicture(650, 1920), 750);
    EXPECT_EQ(WindowSideForPicture(380, 1080), 480);
    EXPECT_EQ(WindowSideForPicture(1000, 1920), 1100);
    EXPECT_EQ(WindowSideForPicture(2500, 1920), 1920);
    EXPECT_EQ(WindowSideForPicture(1819, 1920), 1919);
    EXPECT_EQ(WindowSideForPicture(1820, 1920), 1920);
    EXPECT_EQ(WindowSideForPicture(0, 1080), 100);
    EXPECT_EQ(CentredPosition(1920, 1100), 410);
}

TEST_F(ViewMath, EdgeDistancesAndPanning) {
    EXPECT_EQ(FromFarEdge(800, kCloseOffset), 770);
    EXPECT_EQ(FromFarEdge(800, kMaximizeOffset), 740);
    EXPECT_EQ(FromFarEdge(800, kMinimizeOffset), 710);
    EXPECT_EQ(FromFarEdge(800, kSettingsOffset), 680);
    EXPECT_EQ(FromFarEdge(500, 48), 452);
    const double dx = DragOffset(150, 400);
    EXPECT_EQ(dx, -250.0);
    EXPECT_EQ(DraggedPosition(dx, 430), 180);
    EXPECT_EQ(DraggedPosition(dx, -5000), -5250);
    EXPECT_EQ(DraggedPosition(DragOffset(-1200, 10), 10), -1200);
}
