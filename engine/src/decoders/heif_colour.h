#pragma once
// The colours a HEIF or AVIF picture names by code (its nclx colour: the
// primaries and white point, the transfer function) turned into what the
// engine's colour road takes, an ICC profile; and pictures in a HDR
// transfer (PQ, HLG) brought to SDR by a tone map instead of being clipped.
#include <cstdint>
#include <vector>

namespace uiengine {

// The transfer functions the engine reads; anything else is drawn as sRGB.
enum class HeifTransfer { Srgb, Bt709, Linear, Pq, Hlg };

// The nclx colour as the decoder needs it: chromaticities (x, y) of red,
// green, blue and white, and the transfer.
struct NclxColour {
    float red[2], green[2], blue[2], white[2];
    HeifTransfer transfer = HeifTransfer::Srgb;
};

// The transfer named by an nclx code (ITU-T H.273 transfer_characteristics).
HeifTransfer TransferOfCode(int code);

inline bool IsHdr(HeifTransfer t) { return t == HeifTransfer::Pq || t == HeifTransfer::Hlg; }

// An RGB matrix/shaper profile from the primaries and the tone curve the
// stored values are in (for a HDR picture: sRGB's curve, which the tone map
// writes); empty when that is sRGB itself (drawn as stored). Never throws.
std::vector<uint8_t> NclxProfile(const NclxColour& colour, HeifTransfer storedCurve);

// The tone map of a HDR picture: stored code values (0..maxCode) to
// display-referred values in sRGB's curve, 8 bits. Light is taken as the
// transfer says (PQ: absolute, up to 10000 nits; HLG: the reference
// 1000-nit display, system gamma 1.2), SDR white at 203 nits, and
// luminance compressed by the extended Reinhard curve
// L' = L (1 + L / Lw^2) / (1 + L), Lw the picture's brightest luminance in
// SDR-white units, so that only that brightest pixel reaches white; the
// channels keep their ratios (a channel past 1 scales the pixel down).
class ToneMap {
public:
    ToneMap(HeifTransfer transfer, int maxCode, const NclxColour& colour);
    // The luminance of one pixel's code values, in SDR-white units.
    float Luminance(uint16_t r, uint16_t g, uint16_t b) const;
    // Called with the largest Luminance over the picture before Map.
    void SetBrightest(float brightest);
    // One pixel's 8-bit values in sRGB's curve.
    void Map(uint16_t r, uint16_t g, uint16_t b, uint8_t out[3]) const;

private:
    float Linear(uint16_t code) const;
    HeifTransfer transfer_;
    std::vector<float> linear_;  // per code value: light (PQ: /203 nits; HLG: scene light 0..1)
    std::vector<uint8_t> encode_;  // linear 0..1 in 4096 steps to sRGB's curve
    float weights_[3];
    float inverseWhiteSquared_ = 0;
};

}  // namespace uiengine
