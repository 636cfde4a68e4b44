// JPEG XL files through the engine's decoder, against Debian's own tools:
// pictures drawn by ImageMagick, written by cjxl (8- and 16-bit, alpha,
// grey, lossless and lossy, a JPEG with an EXIF orientation carried over
// as the codestream's), each decoded by the engine and by djxl, which must
// agree within 3 a channel, upright at djxl's size; damaged files and a
// header that claims a giant decode to nothing; a picture in Adobe RGB is
// drawn in sRGB as ImageMagick's -profile converts djxl's decode of it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "colour_pictures.h"
#include "engine_harness.h"
#include "image_magick.h"
#include "jxl_pictures.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

// A straight pixel premultiplied, as the engine draws: the reference in
// the engine's terms, by exact arithmetic.
uint32_t Premultiplied(uint32_t argb) {
    const uint32_t a = argb >> 24;
    auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | mul(argb >> 16 & 0xFF) << 16 | mul(argb >> 8 & 0xFF) << 8 | mul(argb & 0xFF);
}

// The largest difference of one channel over the two pictures.
int LargestDifference(const Pixels& engine, const Pixels& reference) {
    int largest = 0;
    for (size_t i = 0; i < engine.argb.size(); ++i) {
        const uint32_t e = engine.argb[i], r = Premultiplied(reference.argb[i]);
        for (int shift : {0, 8, 16, 24})
            largest = std::max(largest, std::abs(static_cast<int>(e >> shift & 0xFF) - static_cast<int>(r >> shift & 0xFF)));
    }
    return largest;
}

// The drawings the files are made from: a swirled gradient (every pixel
// different), with alpha rising from 16 to 255 for the alpha files.
const std::vector<std::string> kOpaque = {"-size", "96x64", "gradient:#ff8000-#0040ff", "-swirl", "90"};
const std::vector<std::string> kAlpha = {"-size", "96x64", "gradient:#ff800010-#0040ffff", "-swirl", "90"};

std::vector<std::string> With(std::vector<std::string> a, std::initializer_list<const char*> more) {
    a.insert(a.end(), more.begin(), more.end());
    // sRGB named, no gamma chunk: cjxl keeps the colours sRGB.
    a.insert(a.end(), {"-define", "png:include-chunk=none,srgb"});
    return a;
}

}  // namespace

TEST(EngineJxl, DecodesAgreeWithDjxlWithinThreeAChannel) {
    const struct {
        const char* what;
        std::vector<std::string> drawing;
        const char* format;
        const char* cjxl;
        int width, height;
    } cases[] = {
        {"8-bit lossless", With(kOpaque, {}), "PNG24:", "-d 0", 96, 64},
        {"8-bit lossy (XYB)", With(kOpaque, {}), "PNG24:", "-d 1", 96, 64},
        {"16-bit lossless", With(kOpaque, {"-depth", "16"}), "PNG48:", "-d 0", 96, 64},
        {"16-bit lossy", With(kOpaque, {"-depth", "16"}), "PNG48:", "-d 1.5", 96, 64},
        {"alpha lossless", With(kAlpha, {}), "PNG32:", "-d 0", 96, 64},
        {"alpha lossy", With(kAlpha, {}), "PNG32:", "-d 1", 96, 64},
        {"grey lossless", With(kOpaque, {"-colorspace", "Gray"}), "PNG:", "-d 0", 96, 64},
        {"grey lossy", With(kOpaque, {"-colorspace", "Gray"}), "PNG:", "-d 2", 96, 64},
    };
    ScratchFolder dir("jxl-decode");
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string png = "source" + std::to_string(n) + ".png", jxl = "picture" + std::to_string(n++) + ".jxl";
        ASSERT_TRUE(ImageMagick(dir, c.drawing, c.format, png));
        ASSERT_TRUE(Cjxl(dir, png, jxl, c.cjxl));
        const Pixels reference = DjxlPixels(dir, jxl);
        ASSERT_EQ(reference.width, c.width);
        ASSERT_EQ(reference.height, c.height);
        const Pixels decoded = DecodedByEngine(ReadBytes(dir / jxl));
        ASSERT_EQ(decoded.width, reference.width);
        ASSERT_EQ(decoded.height, reference.height);
        EXPECT_LE(LargestDifference(decoded, reference), 3);
    }
}

TEST(EngineJxl, TheCodestreamOrientationStandsThePictureUpright) {
    // A JPEG with an EXIF orientation, carried over losslessly by cjxl (it
    // becomes the codestream's orientation); djxl's PNG stands upright.
    ScratchFolder dir("jxl-orientation");
    ASSERT_TRUE(ImageMagick(dir, With(kOpaque, {"-quality", "92"}), "JPG:", "plain.jpg"));
    const Bytes plain = ReadBytes(dir / "plain.jpg");
    const struct {
        int orientation;
        int width, height;
    } cases[] = {{3, 96, 64}, {6, 64, 96}, {8, 64, 96}, {5, 64, 96}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        const std::string jpeg = "turned" + std::to_string(c.orientation) + ".jpg", jxl = jpeg + ".jxl";
        ASSERT_TRUE(WriteBytes(dir / jpeg, WithExifOrientation(plain, c.orientation)));
        ASSERT_TRUE(Cjxl(dir, jpeg, jxl, "--lossless_jpeg=1"));
        const Pixels reference = DjxlPixels(dir, jxl);
        ASSERT_EQ(reference.width, c.width);
        ASSERT_EQ(reference.height, c.height);
        const Pixels decoded = DecodedByEngine(ReadBytes(dir / jxl));
        ASSERT_EQ(decoded.width, c.width);
        ASSERT_EQ(decoded.height, c.height);
        EXPECT_LE(LargestDifference(decoded, reference), 3);
    }
}

TEST(EngineJxl, DamagedFilesAndLyingHeadersDecodeToNothing) {
    ScratchFolder dir("jxl-damaged");
    ASSERT_TRUE(ImageMagick(dir, With(kOpaque, {}), "PNG24:", "source.png"));
    ASSERT_TRUE(Cjxl(dir, "source.png", "good.jxl", "-d 1"));
    const Bytes good = ReadBytes(dir / "good.jxl");
    ASSERT_FALSE(DecodedByEngine(good).argb.empty());
    Bytes scrambled = good;
    for (size_t i = good.size() / 3; i < good.size(); i += 7) scrambled[i] ^= 0x5A;
    // A bare codestream whose size header claims 60000 x 60000 (jxlinfo
    // reads it so) with default metadata, and nothing after: 14 GB of
    // pixels no 32-bit process holds.
    const Bytes giant = {0xFF, 0x0A, 0xFC, 0x52, 0x07, 0x7E, 0xA9, 0x13};
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {{"cut in half", Bytes(good.begin(), good.begin() + good.size() / 2)},
                 {"cut after the signature", Bytes(good.begin(), good.begin() + 2)},
                 {"scrambled after its header", scrambled},
                 {"a header claiming a giant picture", giant}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(DecodedByEngine(c.bytes).argb.empty());
    }
}

TEST(EngineJxl, AnAdobeRgbPictureIsDrawnAsTheReferenceConvertsIt) {
    // Flat 16 x 16 patches of saturated and middle colours in a PNG with
    // an Adobe RGB (1998) profile; cjxl keeps the profile, lossless or
    // lossy (XYB). The reference: djxl's decode (in the colours its PNG's
    // profile names) converted to sRGB by ImageMagick's -profile.
    constexpr int kW = 64, kH = 32, kBlock = 16;
    const uint32_t patches[8] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080, 0xC86428, 0x28A0C8, 0xF0E0D0, 0x204010};
    std::vector<uint32_t> rgb;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) rgb.push_back(patches[(y / kBlock) * (kW / kBlock) + x / kBlock]);
    ScratchFolder dir("jxl-colour");
    ASSERT_TRUE(WriteBytes(dir / "adobe.png", MakeRgbPng(kW, kH, rgb, AdobeRgbProfile())));
    ASSERT_TRUE(WriteBytes(dir / "srgb.icc", SrgbProfile()));
    const struct {
        const char* jxl;
        const char* cjxl;
    } cases[] = {{"lossless.jxl", "-d 0"}, {"lossy.jxl", "-d 0.5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.jxl);
        ASSERT_TRUE(Cjxl(dir, "adobe.png", c.jxl, c.cjxl));
        const Pixels reference = DjxlPixels(dir, c.jxl, {"-intent", "Perceptual", "-profile", "{srgb.icc}"});
        ASSERT_EQ(reference.width, kW);
        ASSERT_EQ(reference.height, kH);
        const Pixels decoded = DecodedByEngine(ReadBytes(dir / c.jxl));
        ASSERT_EQ(decoded.width, kW);
        ASSERT_EQ(decoded.height, kH);
        // Compared at each patch's middle, away from the lossy edges.
        for (int y = kBlock / 2; y < kH; y += kBlock)
            for (int x = kBlock / 2; x < kW; x += kBlock) {
                const uint32_t got = decoded.At(x, y), want = reference.At(x, y);
                for (int shift : {0, 8, 16})
                    EXPECT_LE(std::abs(static_cast<int>(got >> shift & 0xFF) - static_cast<int>(want >> shift & 0xFF)), 3)
                        << std::hex << "at " << x << "," << y << ": " << got << " against " << want;
            }
        // Converted, not drawn as stored: the brown patch comes out redder.
        EXPECT_GE(static_cast<int>(decoded.At(kBlock / 2, kBlock + kBlock / 2) >> 16 & 0xFF), 0xC8 + 16);
    }
}
