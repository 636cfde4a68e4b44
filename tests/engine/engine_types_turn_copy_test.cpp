// The turn and the copy of pictures the platform cannot read (WebP, and
// HEIC, HEIF, AVIF, JPEG XL made by Debian's tools) go through the
// engine's pixels: where the engine decodes a file, the turn is a PNG of
// the other way round and the copy holds the engine's pixels upright;
// where it does not (no decoder for the kind in this engine), both are
// empty, as for any picture that cannot be read.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine_harness.h"
#include "native_command.h"
#include "imaging/clipboard_picture.h"
#include "imaging/imaging.h"
#include "skin/engine.h"
#include "test_support.h"
#include "webp_pictures.h"

using namespace vela::test;
using vela::Bytes;

TEST(EngineTypesTurnCopy, TurnAndCopyGoThroughTheEnginesPixels) {
    ASSERT_NE(Engine().DecodePicturePixels, nullptr);
    vela::skin::UseEngineModule(Engine().dll);
    ASSERT_TRUE(vela::StartImaging());
    ScratchFolder dir("typesturn");
    ASSERT_TRUE(NativeCommand(dir,
                              "convert-im6.q16 -size 64x48 xc:'rgb(30,140,220)' -fill white -draw 'rectangle 0,0 31,23' "
                              "PNG24:{q.png} && heif-enc -q 90 {q.png} -o {q.heic} && heif-enc -q 90 {q.png} -o {q.heif} && "
                              "avifenc -s 10 --min 0 --max 8 {q.png} {q.avif} && cjxl -d 0 {q.png} {q.jxl} && echo made",
                              "made"));
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"webp", EncodeWebp(QuarterPixels(64, 48, RGB(30, 140, 220)))},
        {"heic", ReadBytes(dir / "q.heic")},
        {"heif", ReadBytes(dir / "q.heif")},
        {"avif", ReadBytes(dir / "q.avif")},
        {"jxl", ReadBytes(dir / "q.jxl")},
    };
    int decoded = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.empty());
        const Pixels engine = DecodedByEngine(c.bytes);
        const Bytes turned = vela::RotatePictureBytes(c.bytes);
        const vela::UprightPicture copy = vela::DecodeUpright(c.bytes);
        if (engine.width == 0) {
            std::printf("%s: this engine does not decode it; turn and copy are empty\n", c.name);
            EXPECT_TRUE(turned.empty());
            EXPECT_EQ(copy.width, 0);
            continue;
        }
        ++decoded;
        ASSERT_EQ(engine.width, 64);
        ASSERT_EQ(engine.height, 48);
        ASSERT_GE(turned.size(), 8u);
        EXPECT_EQ(memcmp(turned.data(), "\x89PNG", 4), 0);
        EXPECT_EQ(vela::MeasurePictureWidth(turned), 48);
        EXPECT_EQ(vela::MeasurePictureHeight(turned), 64);
        // The copy's rows are bottom-up, blue, green, red, alpha.
        ASSERT_EQ(copy.width, 64);
        ASSERT_EQ(copy.height, 48);
        for (const auto& [x, y] : {std::pair{5, 5}, std::pair{50, 40}, std::pair{40, 10}}) {
            const size_t at = (static_cast<size_t>(47 - y) * 64 + x) * 4;
            const uint32_t copied = copy.pixels[at + 3] << 24 | copy.pixels[at + 2] << 16 | copy.pixels[at + 1] << 8 |
                                    copy.pixels[at];
            EXPECT_TRUE(PixelNear(copied, engine.At(x, y), 1)) << std::hex << copied << " " << engine.At(x, y);
        }
        EXPECT_FALSE(copy.png.empty());
    }
    // WebP at least: its copy no longer depends on the platform reading it.
    EXPECT_GE(decoded, 1);
    vela::StopImaging();
}
