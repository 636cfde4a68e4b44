// True colours: a JPEG and a PNG (its profile in stored, fixed-code and
// dynamic-code zlib blocks) carrying an Adobe RGB (1998) profile are
// drawn in sRGB as ImageMagick's -profile (Debian's, run natively beside
// Wine) converts them, within 2 per channel, and a WebP carrying it as the
// PNG is; the same pictures without a
// profile, with an sRGB one or with a damaged one are drawn exactly as
// their stored numbers; a turn keeps the drawn colours.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "colour_pictures.h"
#include "engine_harness.h"
#include "image_magick.h"
#include "imaging/imaging.h"
#include "skin/engine.h"
#include "test_support.h"
#include "webp_pictures.h"

using namespace vela::test;
using vela::Bytes;

namespace {

constexpr int kW = 64, kH = 32, kBlock = 16;
// Saturated and middle colours, where Adobe RGB and sRGB differ most and least.
const uint32_t kPatches[8] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080, 0xC86428, 0x28A0C8, 0xF0E0D0, 0x204010};

uint32_t PatchAt(int x, int y) { return kPatches[(y / kBlock) * (kW / kBlock) + x / kBlock]; }

std::vector<uint32_t> PatchPixels() {
    std::vector<uint32_t> px;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) px.push_back(PatchAt(x, y));
    return px;
}

// The patches as a JPEG from libjpeg-turbo at quality 100, every patch a
// whole block of 16 x 16 (flat blocks decode to their values).
Bytes PatchJpeg() {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = kW;
    c.image_height = kH;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(kW * 3);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < kW; ++x) {
            const uint32_t p = PatchAt(x, static_cast<int>(c.next_scanline));
            row[x * 3] = static_cast<JSAMPLE>(p >> 16);
            row[x * 3 + 1] = static_cast<JSAMPLE>(p >> 8);
            row[x * 3 + 2] = static_cast<JSAMPLE>(p);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    Bytes bytes(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

// The engine's decode as 0xRRGGBB (opaque pictures).
std::vector<uint32_t> EnginePixels(const Bytes& b) {
    std::vector<uint32_t> out = DecodedByEngine(b).argb;
    for (uint32_t& p : out) p &= 0xFFFFFF;
    return out;
}

// The reference: ImageMagick's conversion of the picture to sRGB as raw
// 8-bit RGB, as 0xRRGGBB.
std::vector<uint32_t> Reference(const ScratchFolder& dir, const std::string& name) {
    std::vector<uint32_t> out;
    if (!ImageMagick(dir, {"{" + name + "}", "-intent", "Perceptual", "-profile", "{srgb.icc}", "-depth", "8"}, "rgb:",
                     name + ".raw"))
        return out;
    const Bytes raw = ReadBytes(dir / (name + ".raw"));
    for (size_t i = 0; i + 2 < raw.size(); i += 3) out.push_back((raw[i] << 16) | (raw[i + 1] << 8) | raw[i + 2]);
    return out;
}

// Every channel within 2, compared at each patch's middle.
void ExpectNear(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want) {
    ASSERT_EQ(got.size(), static_cast<size_t>(kW * kH));
    ASSERT_EQ(want.size(), got.size());
    for (int y = kBlock / 2; y < kH; y += kBlock)
        for (int x = kBlock / 2; x < kW; x += kBlock) {
            const uint32_t a = got[y * kW + x], b = want[y * kW + x];
            for (int shift = 0; shift < 24; shift += 8)
                EXPECT_LE(std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)), 2)
                    << std::hex << "at " << x << "," << y << ": " << a << " against " << b;
        }
}

class EngineColour : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Engine().DecodePicturePixels, nullptr);
        vela::skin::UseEngineModule(Engine().dll);
        ASSERT_TRUE(WriteBytes(dir_ / "srgb.icc", SrgbProfile()));
    }
    ScratchFolder dir_{"colour"};
};

}  // namespace

TEST_F(EngineColour, AdobeRgbPicturesAreDrawnAsTheReferenceConvertsThem) {
    const Bytes adobe = AdobeRgbProfile();
    ASSERT_GT(adobe.size(), 128u);
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {{"adobe.jpg", WithJpegProfile(PatchJpeg(), adobe)},
                 {"adobe-pieces.jpg", WithJpegProfile(PatchJpeg(), adobe, 100)},
                 {"adobe.png", MakeRgbPng(kW, kH, PatchPixels(), adobe)},
                 {"adobe-fixed.png", MakeRgbPng(kW, kH, PatchPixels(), adobe, ZlibBlocks::Fixed)},
                 {"adobe-dynamic.png", MakeRgbPng(kW, kH, PatchPixels(), adobe, ZlibBlocks::Dynamic)}};
    // The compressed profiles' first blocks are of the kind named (the
    // block type follows the final-block bit, after the 2-byte zlib header
    // that follows the chunk's header, the name, its zero and the method).
    const size_t firstBlock = 8 + 25 + 8 + sizeof "profile" + 1 + 2;
    EXPECT_EQ((cases[3].bytes[firstBlock] >> 1) & 3, 1) << "fixed codes";
    EXPECT_EQ((cases[4].bytes[firstBlock] >> 1) & 3, 2) << "dynamic codes";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(dir_ / c.name, c.bytes));
        const std::vector<uint32_t> reference = Reference(dir_, c.name);
        ASSERT_FALSE(reference.empty()) << "ImageMagick did not convert " << c.name;
        ExpectNear(EnginePixels(c.bytes), reference);
        // The reference itself moved the colours (the orange patch by more
        // than 20 in a channel): the check is not one of unchanged numbers.
        const uint32_t orange = reference[24 * kW + 8], stored = kPatches[4];
        int moved = 0;
        for (int shift = 0; shift < 24; shift += 8)
            moved = std::max(moved, std::abs(static_cast<int>((orange >> shift) & 0xFF) - static_cast<int>((stored >> shift) & 0xFF)));
        EXPECT_GT(moved, 20) << std::hex << orange;
    }
    // A lossless WebP of the same pixels with the profile in its ICCP chunk
    // is drawn as the PNG is.
    Pixels opaque{kW, kH, {}};
    for (uint32_t c : PatchPixels()) opaque.argb.push_back(0xFF000000u | c);
    const Bytes webp = WithWebpProfile(EncodeWebp(opaque), adobe);
    ASSERT_FALSE(webp.empty());
    EXPECT_EQ(EnginePixels(webp), EnginePixels(cases[2].bytes));
    // ImageMagick writing the profile itself (its zlib, not ours).
    ASSERT_TRUE(WriteBytes(dir_ / "adobe.icc", adobe));
    ASSERT_TRUE(WriteBytes(dir_ / "plain.png", MakeRgbPng(kW, kH, PatchPixels())));
    ASSERT_TRUE(ImageMagick(dir_, {"{plain.png}", "-profile", "{adobe.icc}"}, "png:", "magick.png"));
    const Bytes magick = ReadBytes(dir_ / "magick.png");
    ExpectNear(EnginePixels(magick), Reference(dir_, "magick.png"));
}

TEST_F(EngineColour, WithoutAProfileWithAnSrgbOneOrADamagedOneNothingChanges) {
    const Bytes jpeg = PatchJpeg();
    const std::vector<uint32_t> stored = EnginePixels(jpeg);
    ASSERT_EQ(stored.size(), static_cast<size_t>(kW * kH));
    Bytes damaged = AdobeRgbProfile();
    for (size_t i = 0; i < damaged.size(); i += 7) damaged[i] ^= 0x5A;
    const struct {
        const char* what;
        Bytes bytes;
        std::vector<uint32_t> expected;
    } cases[] = {
        {"png without a profile", MakeRgbPng(kW, kH, PatchPixels()), PatchPixels()},
        {"png with sRGB", MakeRgbPng(kW, kH, PatchPixels(), SrgbProfile()), PatchPixels()},
        {"png with a damaged profile", MakeRgbPng(kW, kH, PatchPixels(), damaged), PatchPixels()},
        {"png with a cut profile", MakeRgbPng(kW, kH, PatchPixels(), Bytes(damaged.begin(), damaged.begin() + 60)),
         PatchPixels()},
        {"jpeg with sRGB", WithJpegProfile(jpeg, SrgbProfile()), stored},
        {"jpeg with a damaged profile", WithJpegProfile(jpeg, damaged), stored},
        {"jpeg with a piece missing", [&] {
             Bytes b = WithJpegProfile(jpeg, AdobeRgbProfile(), 100);
             b[2 + 4 + 12] = 9;  // the first piece numbered 9 of its count
             return b;
         }(), stored},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(EnginePixels(c.bytes), c.expected);
    }
}

TEST_F(EngineColour, ATurnKeepsTheDrawnColours) {
    ASSERT_TRUE(vela::StartImaging());
    const Bytes jpeg = WithJpegProfile(PatchJpeg(), AdobeRgbProfile());
    const std::vector<uint32_t> drawn = EnginePixels(jpeg);
    ASSERT_EQ(drawn.size(), static_cast<size_t>(kW * kH));
    const Bytes turned = vela::RotatePictureBytes(jpeg);
    ASSERT_FALSE(turned.empty());
    // Turned clockwise: the picture's (x, y) is the turn's (kH - 1 - y, x).
    for (int y = kBlock / 2; y < kH; y += kBlock)
        for (int x = kBlock / 2; x < kW; x += kBlock) {
            const uint32_t c = drawn[y * kW + x];
            EXPECT_EQ(PixelOf(turned, kH - 1 - y, x), RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF)) << x << "," << y;
        }
    vela::StopImaging();
}
