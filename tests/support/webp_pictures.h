#pragma once
// WebP files written by libwebp's own encoder and muxer (linked into the
// tests only), and crafted WebP headers for the robustness tests.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "runtime/text.h"

namespace vela::test {

// Straight (not premultiplied) 0xAARRGGBB pixels, rows top-down.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
    uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

// A solid picture of `colour`, its top-left quarter white, as MakePicture
// draws them; opaque.
Pixels QuarterPixels(int width, int height, COLORREF colour);
// Lossless WebP of the pixels (every value kept), or lossy at `quality`.
Bytes EncodeWebp(const Pixels& pixels, bool lossless = true, float quality = 90.0f);
// A moving WebP: one frame a picture, each shown `delayMs`, repeated `loops`
// times (0: for ever). Lossless, every frame the whole canvas.
Bytes EncodeAnimatedWebp(const std::vector<Pixels>& frames, int delayMs, int loops = 0);
// The WebP with an ICCP chunk holding the profile (muxed by libwebp's muxer).
Bytes WithWebpProfile(const Bytes& webp, const Bytes& profile);
// A WebP whose VP8X header claims a canvas of w x h (stored minus one,
// 24 bits a side) with the given flags, followed by an empty VP8L chunk.
Bytes CraftedWebp(uint32_t width, uint32_t height, uint8_t flags);

}  // namespace vela::test
