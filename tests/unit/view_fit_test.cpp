// The fit that shows a picture whole, and the window sized around it: the
// edges the end-to-end tests do not reach.
#include <float.h>

#include <gtest/gtest.h>

#include "view/view_math.h"

using namespace vela::view;

TEST(ViewFit, WholeInsideBothSidesLongPicturesByWidthFromTheTop) {
    _fpreset();
    const struct {
        int pictureWidth, pictureHeight, windowWidth, windowHeight;
        Fit expected;
    } cases[] = {
        {3024, 4032, 835, 1080, {{735, 980}, false}},     // both sides meet exactly
        {4000, 3000, 1920, 1080, {{1306, 980}, false}},   // wider, yet by height
        {700, 400, 800, 500, {{700, 400}, false}},        // exactly the free area: natural
        {700, 401, 800, 500, {{698, 400}, false}},        // one pixel too high
        {0, 0, 800, 500, {{0, 0}, false}},                // nothing decoded
        {400, 300, 50, 50, {{1, 0}, false}},              // smaller than the margins
        {2000, 9000, 1920, 1080, {{1820, 8189}, true}},   // long and wide: the free width
        {800, 2400, 1920, 1080, {{800, 2400}, true}},     // exactly three times: long
        {800, 2399, 1920, 1080, {{326, 980}, false}},     // just under: whole
        {100, 300, 800, 500, {{100, 300}, false}},        // long but fits: centred
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitWhole(c.pictureWidth, c.pictureHeight, c.windowWidth, c.windowHeight), c.expected)
            << c.pictureWidth << "x" << c.pictureHeight << " in " << c.windowWidth << "x" << c.windowHeight;
    }
    EXPECT_EQ(TopOfLongPicture(125.0), 62);  // half the margin at 125 % scaling
    // The window around the fitted picture: within a work area less a
    // 40-pixel taskbar; the whole area when the picture fills it exactly.
    EXPECT_EQ(WindowSizeForPicture(3024, 4032, 1920, 1040), (Size{805, 1040}));
    EXPECT_EQ(WindowSizeForPicture(1820, 980, 1920, 1080), (Size{1920, 1080}));
}
