// The scale a large JPEG is decoded at: the smallest M/8 of each side that
// still covers the fitted view (and keeps the sides long enough for halved
// copies), and the sides of the copy the engine's decode then gives, against
// what libjpeg-turbo's own djpeg gives for the same files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "decoders/jpeg_decode.h"
#include "picture_box/jpeg_scale.h"
#include "test_support.h"

using namespace uiengine;

namespace {

// Expected values from ceil(side * M / 8) >= the view's side, worked by hand
// for the smallest M; both sides of the copy 512 or more.
TEST(JpegScale, TheSmallestEighthThatCoversTheView) {
    const struct {
        int w, h, viewW, viewH, eighths;
    } cases[] = {
        {6000, 4000, 1620, 1080, 3},   // 2250 x 1500; 2/8 gives 1500 < 1620
        {3024, 4032, 810, 1080, 3},    // the phone photo upright: 1134 x 1512; 2/8 gives 756 < 810
        {8002, 4402, 1920, 1057, 2},   // 2001 x 1101 (1000.25 rounds up); 1/8 gives 1001
        {4000, 3000, 1440, 1080, 3},   // 1500 x 1125
        {3000, 2000, 1620, 1080, 5},   // 1875 x 1250; 4/8 gives 1500
        {1600, 1200, 1200, 900, 6},    // exactly 1200 x 900; 5/8 gives 1000
        {2100, 1400, 1620, 1080, 7},   // 1837.5 rounds up to 1838; 6/8 gives 1575
        {1001, 1001, 876, 876, 7},     // 875.875 rounds up to 876: covered
        {16384, 8192, 2048, 1024, 1},  // an eighth covers it
        {2048, 1024, 300, 150, 4},     // 1/8 and 2/8 would cover, but 128 and 256 rows are too few to halve
        {640, 480, 640, 480, 0},       // only the whole picture covers it
        {1000, 500, 10, 5, 0},         // never 512 rows below the whole
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << " in " << c.viewW << " x " << c.viewH);
        EXPECT_EQ(CoveringEighths(c.w, c.h, c.viewW, c.viewH), c.eighths);
    }
}

// The picture fitted into the screen, each side rounded up: w * H against
// h * W says which side meets the bounds first.
TEST(JpegScale, TheViewAPictureIsFittedTo) {
    const struct {
        int w, h, boundsW, boundsH, viewW, viewH;
    } cases[] = {
        {6000, 4000, 1920, 1080, 1620, 1080},  // 6000 * 1080 / 4000
        {4032, 3024, 1920, 1080, 1440, 1080},
        {3024, 4032, 1920, 1080, 810, 1080},   // 3024 * 1080 / 4032
        {8002, 4402, 1920, 1080, 1920, 1057},  // 4402 * 1920 / 8002 = 1056.2
        {640, 480, 1920, 1080, 640, 480},      // never enlarged
        {2000, 100, 1920, 1080, 1920, 96},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const FittedSize f = FitInside(c.w, c.h, c.boundsW, c.boundsH);
        EXPECT_EQ(f.width, c.viewW);
        EXPECT_EQ(f.height, c.viewH);
    }
}

// Each line of the table: a file made at build time, M, and the sides djpeg
// -scale M/8 decoded it to.
TEST(JpegScale, TheDecodedCopyHasTheSidesDjpegGives) {
    std::ifstream table(std::string("Z:") + VELA_DJPEG_SCALES);
    ASSERT_TRUE(table) << VELA_DJPEG_SCALES;
    std::string line;
    int lines = 0;
    while (std::getline(table, line)) {
        std::istringstream in(line);
        std::string file;
        int eighths = 0, width = 0, height = 0;
        ASSERT_TRUE(in >> file >> eighths >> width >> height) << line;
        SCOPED_TRACE(line);
        const vela::Bytes bytes = vela::test::ReadBytes("Z:" + file);
        ASSERT_FALSE(bytes.empty());
        const Image copy = DecodeJpeg(bytes.data(), bytes.size(), [eighths](int, int) { return eighths; });
        EXPECT_EQ(copy.width, width);
        EXPECT_EQ(copy.height, height);
        // The stored sides are in the name (scale-WxH.jpg).
        int storedW = 0, storedH = 0;
        ASSERT_EQ(std::sscanf(file.substr(file.rfind("scale-")).c_str(), "scale-%dx%d", &storedW, &storedH), 2);
        EXPECT_EQ(ScaledSide(storedW, eighths), width);
        EXPECT_EQ(ScaledSide(storedH, eighths), height);
        ++lines;
    }
    EXPECT_EQ(lines, 6 * 8);
}

}  // namespace
