#pragma once
// Pixels compared as the tests read them: 0xAARRGGBB from a composed frame
// or a decode, 0x00RRGGBB from the screen, against COLORREF colours.
#include <windows.h>

#include <cstdint>

namespace vela::test {

// The opaque 0xFFRRGGBB pixel of colour c.
inline uint32_t OpaquePixel(COLORREF c) {
    return 0xFF000000 | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}
// Every channel of a and b, alpha included, within tolerance of each other.
inline bool PixelNear(uint32_t a, uint32_t b, int tolerance = 6) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
        if (x - y > tolerance || y - x > tolerance) return false;
    }
    return true;
}
// The red, green and blue of the pixel (alpha ignored) each within
// tolerance of the colour's.
inline bool RgbNear(uint32_t pixel, COLORREF c, int tolerance) {
    const int d[3] = {static_cast<int>((pixel >> 16) & 0xFF) - GetRValue(c),
                      static_cast<int>((pixel >> 8) & 0xFF) - GetGValue(c), static_cast<int>(pixel & 0xFF) - GetBValue(c)};
    for (int v : d)
        if (v < -tolerance || v > tolerance) return false;
    return true;
}

}  // namespace vela::test
