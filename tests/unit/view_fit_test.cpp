// The fit that shows a picture whole: both sides of the free area, never
// enlarged, long pictures by width from their top, and the window sized
// around the fitted picture.
#include <float.h>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "view/view_math.h"

using namespace vela::view;

namespace {

class ViewFit : public ::testing::Test {
protected:
    void SetUp() override { _fpreset(); }
};

struct FitCase {
    int pictureWidth, pictureHeight, windowWidth, windowHeight;
    Fit expected;
};

}  // namespace

TEST_F(ViewFit, WholeInsideBothSidesOfTheFreeArea) {
    const FitCase cases[] = {
        // A phone photo standing upright on a full-screen window: by height.
        {3024, 4032, 1920, 1080, {{735, 980}, false}},
        // The same in the window made around it: both sides meet exactly.
        {3024, 4032, 835, 1080, {{735, 980}, false}},
        // Wider than the area's shape: by width.
        {4000, 3000, 1920, 1080, {{1306, 980}, false}},
        {2500, 1500, 1920, 1080, {{1633, 980}, false}},
        {2500, 1500, 1733, 1080, {{1633, 979}, false}},
        // Fits already: natural size, never enlarged.
        {650, 380, 800, 500, {{650, 380}, false}},
        {700, 400, 800, 500, {{700, 400}, false}},
        // One pixel too high: by height.
        {700, 401, 800, 500, {{698, 400}, false}},
        // Nothing decoded.
        {0, 0, 800, 500, {{0, 0}, false}},
    };
    for (const FitCase& c : cases) {
        EXPECT_EQ(FitWhole(c.pictureWidth, c.pictureHeight, c.windowWidth, c.windowHeight), c.expected)
            << c.pictureWidth << "x" << c.pictureHeight << " in " << c.windowWidth << "x" << c.windowHeight;
    }
}

TEST_F(ViewFit, LongPicturesFitByWidthFromTheirTop) {
    EXPECT_TRUE(IsLongPicture(800, 2400));
    EXPECT_FALSE(IsLongPicture(800, 2399));
    EXPECT_FALSE(IsLongPicture(0, 100));
    const FitCase cases[] = {
        // Narrower than the free width: natural size, from the top.
        {800, 3000, 900, 1080, {{800, 3000}, true}},
        {800, 3000, 1920, 1080, {{800, 3000}, true}},
        // Wider: fitted to the free width.
        {2000, 9000, 1920, 1080, {{1820, 8189}, true}},
        // Short enough to fit the height: whole, centred as any other.
        {100, 300, 800, 500, {{100, 300}, false}},
    };
    for (const FitCase& c : cases) {
        EXPECT_EQ(FitWhole(c.pictureWidth, c.pictureHeight, c.windowWidth, c.windowHeight), c.expected)
            << c.pictureWidth << "x" << c.pictureHeight;
    }
    EXPECT_EQ(TopOfLongPicture(), 50);
    EXPECT_EQ(TopOfLongPicture(125.0), 62);
}

TEST_F(ViewFit, FittedViewsStayInsideAndKeepTheRatio) {
    for (int windowWidth = 300; windowWidth <= 1920; windowWidth += 37) {
        for (int windowHeight = 200; windowHeight <= 1080; windowHeight += 41) {
            for (int pictureWidth : {1, 99, 700, 2500, 6000}) {
                for (int pictureHeight : {1, 380, 1500, 2999}) {
                    if (IsLongPicture(pictureWidth, pictureHeight)) continue;
                    const Size s = FitWhole(pictureWidth, pictureHeight, windowWidth, windowHeight).size;
                    ASSERT_LE(s.width, std::max(1, windowWidth - 100));
                    ASSERT_LE(s.height, std::max(1, windowHeight - 100));
                    ASSERT_LE(s.width, pictureWidth);
                    ASSERT_LE(s.height, pictureHeight);
                    // One side meets the free area (or the picture's own).
                    const bool meets = s.width == pictureWidth || s.width == windowWidth - 100 ||
                                       s.height == windowHeight - 100;
                    ASSERT_TRUE(meets) << pictureWidth << "x" << pictureHeight << " in " << windowWidth << "x"
                                       << windowHeight;
                    // The side that follows keeps the ratio within a pixel.
                    const double height = double(pictureHeight) * s.width / pictureWidth;
                    const double width = double(pictureWidth) * s.height / pictureHeight;
                    ASSERT_TRUE(std::abs(s.height - height) <= 1.0 || std::abs(s.width - width) <= 1.0)
                        << pictureWidth << "x" << pictureHeight << " in " << windowWidth << "x" << windowHeight;
                }
            }
        }
    }
}

TEST_F(ViewFit, TinyWindowsStillGetAPixel) {
    EXPECT_EQ(FitWhole(400, 300, 50, 50).size, (Size{1, 0}));
    EXPECT_EQ(FitWhole(300, 400, 50, 50).size, (Size{0, 1}));
}

TEST_F(ViewFit, WindowIsTheFittedPicturePlusTheMargin) {
    const struct {
        int pictureWidth, pictureHeight;
        Size window;
    } cases[] = {
        {3024, 4032, {835, 1080}},   // by height: the full height, narrow
        {2500, 1500, {1733, 1080}},  // by height (1633 x 980)
        {650, 380, {750, 480}},      // natural (the smallest window comes after)
        {800, 3000, {900, 1080}},    // long: by width, as high as the area
        {1000, 300, {1100, 400}},
        {1820, 980, {1920, 1080}},   // exactly the free area: the whole area
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowSizeForPicture(c.pictureWidth, c.pictureHeight, 1920, 1080), c.window)
            << c.pictureWidth << "x" << c.pictureHeight;
    }
    // A work area less a 40-pixel taskbar.
    EXPECT_EQ(WindowSizeForPicture(3024, 4032, 1920, 1040), (Size{805, 1040}));
}
