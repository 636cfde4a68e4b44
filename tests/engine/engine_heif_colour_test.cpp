// The colours a HEIF/AVIF picture names by code (nclx): patches written
// losslessly by avifenc in P3, BT.2020, BT.709 primaries and in the sRGB,
// BT.709 and linear transfers come out in sRGB (the screen's colours under
// Wine, which names no monitor profile) as the colour arithmetic of those
// standards says: primaries to XYZ to sRGB, D65 on both sides. A PQ
// or HLG picture is tone-mapped: brighter patches stay brighter, none clipped.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine_harness.h"
#include "image_magick.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

struct Xy {
    double x, y;
};
struct Primaries {
    Xy r, g, b;
};
constexpr Xy kD65{0.3127, 0.3290};
constexpr Primaries kBt709{{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
constexpr Primaries kP3{{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}};
constexpr Primaries kBt2020{{0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}};

using Mat = std::array<std::array<double, 3>, 3>;

Mat Inverse(const Mat& m) {
    const double d = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Mat r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, e = (i + 2) % 3;
            r[i][j] = (m[a][c] * m[b][e] - m[a][e] * m[b][c]) / d;
        }
    return r;
}

// RGB to XYZ of the primaries and white (SMPTE RP 177).
Mat ToXyz(const Primaries& p) {
    const Xy c[3] = {p.r, p.g, p.b};
    Mat m{};
    for (int i = 0; i < 3; ++i) {
        m[0][i] = c[i].x / c[i].y;
        m[1][i] = 1;
        m[2][i] = (1 - c[i].x - c[i].y) / c[i].y;
    }
    const Mat inv = Inverse(m);
    const double w[3] = {kD65.x / kD65.y, 1, (1 - kD65.x - kD65.y) / kD65.y};
    for (int i = 0; i < 3; ++i) {
        const double s = inv[i][0] * w[0] + inv[i][1] * w[1] + inv[i][2] * w[2];
        for (int r = 0; r < 3; ++r) m[r][i] *= s;
    }
    return m;
}

double SrgbToLinear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double LinearToSrgb(double v) { return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }
double Bt709ToLinear(double v) { return v < 0.081 ? v / 4.5 : std::pow((v + 0.099) / 1.099, 1 / 0.45); }

enum class Curve { Srgb, Bt709, Linear };

// One stored 8-bit colour in sRGB, as the standards' arithmetic gives it.
std::array<int, 3> Expected(const std::array<int, 3>& rgb, const Primaries& p, Curve curve) {
    const Mat to = ToXyz(p), from = Inverse(ToXyz(kBt709));
    double lin[3], xyz[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const double v = rgb[i] / 255.0;
        lin[i] = curve == Curve::Srgb ? SrgbToLinear(v) : curve == Curve::Bt709 ? Bt709ToLinear(v) : v;
    }
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < 3; ++i) xyz[r] += to[r][i] * lin[i];
    std::array<int, 3> out{};
    for (int r = 0; r < 3; ++r) {
        const double v = from[r][0] * xyz[0] + from[r][1] * xyz[1] + from[r][2] * xyz[2];
        out[r] = static_cast<int>(std::lround(255 * LinearToSrgb(std::clamp(v, 0.0, 1.0))));
    }
    return out;
}

// Inside every gamut here, away from the clipped edges.
const std::array<int, 3> kPatches[] = {{200, 90, 70}, {70, 170, 100}, {60, 80, 180}, {128, 128, 128}};

struct ColourCase {
    const char* name;
    const char* cicp;  // primaries/transfer/matrix (identity: lossless RGB)
    Primaries primaries;
    Curve curve;
};

const ColourCase kColourCases[] = {
    {"p3_srgb_curve", "12/13/0", kP3, Curve::Srgb},
    {"bt2020_srgb_curve", "9/13/0", kBt2020, Curve::Srgb},
    {"bt709_bt709_curve", "1/1/0", kBt709, Curve::Bt709},
    {"bt709_linear", "1/8/0", kBt709, Curve::Linear},
    {"bt709_srgb_curve", "1/13/0", kBt709, Curve::Srgb},
};

// The engine's straight RGB of patch i (16 pixels wide), taken at its middle.
std::array<int, 3> PatchOf(const ExuiPixels& px, int i) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(px.bits) + 8 * px.stride);
    const uint32_t p = row[i * 16 + 8];
    return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
}

// Patches 16x16 side by side, from colours given as ImageMagick names them.
Bytes WritePatches(const ScratchFolder& dir, const std::vector<std::string>& colours, const std::string& depth,
                   const std::string& avifenc) {
    std::vector<std::string> args = {"-size", "16x16"};
    for (const std::string& c : colours) args.push_back("xc:" + c);
    args.insert(args.end(), {"+append", "-depth", depth});
    if (!ImageMagick(dir, args, "png:", "src.png") || !RunNative(dir, avifenc + " {src.png} {pic.avif}", "pic.avif"))
        return {};
    return ReadBytes(dir / "pic.avif");
}

class HeifNclx : public ::testing::TestWithParam<ColourCase> {};

}  // namespace

TEST_P(HeifNclx, PatchesComeOutAsTheStandardsArithmeticSays) {
    const ColourCase& c = GetParam();
    ScratchFolder dir("heif-nclx");
    std::vector<std::string> colours;
    for (const auto& p : kPatches) {
        char name[16];
        std::snprintf(name, sizeof name, "#%02x%02x%02x", p[0], p[1], p[2]);
        colours.push_back(name);
    }
    const Bytes file = WritePatches(dir, colours, "8", std::string("avifenc -s 8 -l --cicp ") + c.cicp);
    ASSERT_FALSE(file.empty());
    ExuiPixels px{};
    ExuiPixelsHandle h = Engine().DecodePicturePixels(file.data(), static_cast<int32_t>(file.size()), &px);
    ASSERT_NE(h, nullptr);
    for (int i = 0; i < 4; ++i) {
        const auto want = Expected(kPatches[i], c.primaries, c.curve), have = PatchOf(px, i);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(have[k], want[k], 3) << c.name << " patch " << i << " channel " << k;
    }
    Engine().FreePicturePixels(h);
}

INSTANTIATE_TEST_SUITE_P(Colours, HeifNclx, ::testing::ValuesIn(kColourCases),
                         [](const ::testing::TestParamInfo<ColourCase>& info) { return std::string(info.param.name); });

// Code values (0..1) of grey patches rising in brightness.
double PqSignal(double nits) {
    // SMPTE ST 2084's inverse EOTF.
    const double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128, c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32,
                 c3 = 2392.0 / 4096 * 32;
    const double y = std::pow(nits / 10000, m1);
    return std::pow((c1 + c2 * y) / (1 + c3 * y), m2);
}

struct HdrCase {
    const char* name;
    const char* cicp;
    double signal[4];
};

// PQ greys at 100, 203, 1000 and 4000 nits; HLG greys at signal levels
// from a dim grey to near its top, 10 bits in BT.2020.
const HdrCase kHdrCases[] = {
    {"pq", "9/16/0", {PqSignal(100), PqSignal(203), PqSignal(1000), PqSignal(4000)}},
    {"hlg", "9/18/0", {0.3, 0.5, 0.75, 0.95}},
};

class HeifHdr : public ::testing::TestWithParam<HdrCase> {};

// The tone map keeps the patches grey and in order, and leaves headroom
// below white for all but the brightest: nothing is clipped.
TEST_P(HeifHdr, GreysStayInOrderUnclipped) {
    const HdrCase& c = GetParam();
    ScratchFolder dir("heif-hdr");
    std::vector<std::string> colours;
    for (const double e : c.signal) {
        const long code = std::lround(e * 1023), v16 = std::lround(code * 65535.0 / 1023);
        char name[32];
        std::snprintf(name, sizeof name, "#%04lx%04lx%04lx", v16, v16, v16);
        colours.push_back(name);
    }
    const Bytes file = WritePatches(dir, colours, "16", std::string("avifenc -s 8 -l -d 10 --cicp ") + c.cicp);
    ASSERT_FALSE(file.empty());
    ExuiPixels px{};
    ExuiPixelsHandle h = Engine().DecodePicturePixels(file.data(), static_cast<int32_t>(file.size()), &px);
    ASSERT_NE(h, nullptr);
    int before = -1;
    for (int i = 0; i < 4; ++i) {
        const auto have = PatchOf(px, i);
        EXPECT_NEAR(have[0], have[1], 3) << c.name << ": grey stays grey, patch " << i;
        EXPECT_GT(have[1], before + 8) << c.name << ": patch " << i << " brighter than the one before";
        if (i < 3) EXPECT_LT(have[1], 250) << c.name << ": patch " << i << " below white";
        before = have[1];
    }
    Engine().FreePicturePixels(h);
}

INSTANTIATE_TEST_SUITE_P(Transfers, HeifHdr, ::testing::ValuesIn(kHdrCases),
                         [](const ::testing::TestParamInfo<HdrCase>& info) { return std::string(info.param.name); });
