#include "decoders/heif_colour.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>

#include "core/unique.h"

namespace uiengine {

namespace {

constexpr float kSdrWhiteNits = 203.0f;
constexpr float kHlgPeakNits = 1000.0f;
constexpr float kHlgSystemGamma = 1.2f;
constexpr int kEncodeSteps = 4096;

void CloseProfile(cmsHPROFILE p) { cmsCloseProfile(p); }
void FreeCurve(cmsToneCurve* c) { cmsFreeToneCurve(c); }

bool Near(const float a[2], double x, double y) { return std::fabs(a[0] - x) < 0.002 && std::fabs(a[1] - y) < 0.002; }

// The curve from stored values to linear light, as ICC parametric type 4:
// Y = (aX + b)^g for X >= d, Y = cX below.
cmsToneCurve* CurveOf(HeifTransfer t) {
    if (t == HeifTransfer::Linear) return cmsBuildGamma(nullptr, 1.0);
    if (t == HeifTransfer::Bt709) {
        const cmsFloat64Number p[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
        return cmsBuildParametricToneCurve(nullptr, 4, p);
    }
    const cmsFloat64Number p[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, p);
}

float PqToNits(float e) {
    constexpr float m1 = 2610.0f / 16384, m2 = 2523.0f / 4096 * 128, c1 = 3424.0f / 4096, c2 = 2413.0f / 4096 * 32,
                    c3 = 2392.0f / 4096 * 32;
    const float p = std::pow(std::clamp(e, 0.0f, 1.0f), 1 / m2);
    return 10000.0f * std::pow(std::max(p - c1, 0.0f) / (c2 - c3 * p), 1 / m1);
}

// HLG's inverse OETF: scene light 0..1.
float HlgToScene(float e) {
    constexpr float a = 0.17883277f, b = 0.28466892f, c = 0.55991073f;
    e = std::clamp(e, 0.0f, 1.0f);
    return e <= 0.5f ? e * e / 3 : (std::exp((e - c) / a) + b) / 12;
}

float SrgbEncode(float v) { return v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f; }

}  // namespace

HeifTransfer TransferOfCode(int code) {
    switch (code) {
        case 1: case 6: case 14: case 15: return HeifTransfer::Bt709;  // BT.709, BT.601, BT.2020 10/12-bit
        case 8: return HeifTransfer::Linear;
        case 16: return HeifTransfer::Pq;
        case 18: return HeifTransfer::Hlg;
        default: return HeifTransfer::Srgb;  // sRGB, and what is unspecified
    }
}

std::vector<uint8_t> NclxProfile(const NclxColour& colour, HeifTransfer storedCurve) {
    std::vector<uint8_t> bytes;
    const bool srgbPrimaries = Near(colour.red, 0.64, 0.33) && Near(colour.green, 0.30, 0.60) &&
                               Near(colour.blue, 0.15, 0.06) && Near(colour.white, 0.3127, 0.3290);
    if (srgbPrimaries && storedCurve == HeifTransfer::Srgb) return bytes;
    try {
        const cmsCIExyY white{colour.white[0], colour.white[1], 1.0};
        const cmsCIExyYTRIPLE primaries{{colour.red[0], colour.red[1], 1.0},
                                        {colour.green[0], colour.green[1], 1.0},
                                        {colour.blue[0], colour.blue[1], 1.0}};
        Unique<cmsToneCurve*, FreeCurve> curve(CurveOf(storedCurve));
        if (!curve) return bytes;
        cmsToneCurve* curves[3] = {curve.Get(), curve.Get(), curve.Get()};
        Unique<cmsHPROFILE, CloseProfile> profile(cmsCreateRGBProfile(&white, &primaries, curves));
        cmsUInt32Number size = 0;
        if (!profile || !cmsSaveProfileToMem(profile.Get(), nullptr, &size) || size == 0) return bytes;
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile.Get(), bytes.data(), &size)) bytes.clear();
    } catch (...) {
        bytes.clear();  // without room for it the picture is drawn as stored
    }
    return bytes;
}

ToneMap::ToneMap(HeifTransfer transfer, int maxCode, const NclxColour& colour) : transfer_(transfer) {
    linear_.resize(static_cast<size_t>(maxCode) + 1);
    for (int code = 0; code <= maxCode; ++code) {
        const float e = static_cast<float>(code) / static_cast<float>(maxCode);
        linear_[code] = transfer == HeifTransfer::Pq ? PqToNits(e) / kSdrWhiteNits : HlgToScene(e);
    }
    encode_.resize(kEncodeSteps + 1);
    for (int i = 0; i <= kEncodeSteps; ++i)
        encode_[i] = static_cast<uint8_t>(std::lround(255 * SrgbEncode(static_cast<float>(i) / kEncodeSteps)));
    // The luminance weights of the primaries: the Y row of the RGB->XYZ
    // matrix, the scales S that make the sum of S_i (X_i, 1, Z_i) the white.
    const auto x = [](const float c[2]) { return double(c[0]) / c[1]; };
    const auto z = [](const float c[2]) { return (1.0 - c[0] - c[1]) / c[1]; };
    const double m[3][3] = {{x(colour.red), x(colour.green), x(colour.blue)}, {1, 1, 1},
                            {z(colour.red), z(colour.green), z(colour.blue)}};
    const double w[3] = {x(colour.white), 1, z(colour.white)};
    const auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    const double bt2020[3] = {0.2627, 0.6780, 0.0593};
    for (int i = 0; i < 3; ++i) {
        // Cramer's rule; BT.2020's weights where the primaries are degenerate.
        double a[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) a[r][c] = c == i ? w[r] : m[r][c];
        weights_[i] = static_cast<float>(std::fabs(d) > 1e-9 ? det(a) / d : bt2020[i]);
    }
}

float ToneMap::Linear(uint16_t code) const { return linear_[std::min<size_t>(code, linear_.size() - 1)]; }

float ToneMap::Luminance(uint16_t r, uint16_t g, uint16_t b) const {
    const float y = weights_[0] * Linear(r) + weights_[1] * Linear(g) + weights_[2] * Linear(b);
    if (transfer_ == HeifTransfer::Pq) return y;
    // HLG: the reference display's light, its OOTF scaling by scene luminance.
    return kHlgPeakNits / kSdrWhiteNits * std::pow(std::max(y, 0.0f), kHlgSystemGamma);
}

void ToneMap::SetBrightest(float brightest) {
    const float w = std::max(brightest, 1.0f);
    inverseWhiteSquared_ = 1 / (w * w);
}

void ToneMap::Map(uint16_t r, uint16_t g, uint16_t b, uint8_t out[3]) const {
    float c[3] = {Linear(r), Linear(g), Linear(b)};
    const float l = Luminance(r, g, b);
    // In display light, SDR-white units (HLG: the OOTF's gain on the scene light).
    const float toDisplay = transfer_ == HeifTransfer::Pq ? 1.0f : (l > 0 ? l / (weights_[0] * c[0] + weights_[1] * c[1] + weights_[2] * c[2]) : 0.0f);
    const float mapped = l * (1 + l * inverseWhiteSquared_) / (1 + l);
    const float scale = l > 0 ? mapped / l * toDisplay : 0.0f;
    float top = 0;
    for (float& v : c) top = std::max(top, v *= scale);
    if (top > 1) for (float& v : c) v /= top;
    for (int i = 0; i < 3; ++i) out[i] = encode_[static_cast<size_t>(std::lround(std::clamp(c[i], 0.0f, 1.0f) * kEncodeSteps))];
}

}  // namespace uiengine
