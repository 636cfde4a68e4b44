#pragma once
// JPEG pictures through libjpeg-turbo (built from source with the engine):
// decoded straight into the engine's 32-bit pixels, reduced in the DCT
// domain when a smaller copy is all the view needs.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/canvas.h"

namespace uiengine {

// libjpeg-turbo reduces each side to M/8 in the DCT domain (M = 1..8), a
// side of n pixels then giving ceil(n * M / 8).
constexpr int kWholeEighths = 8;  // M = 8: the picture as stored

// A side of `side` pixels decoded at M/8.
constexpr int ScaledSide(int side, int eighths) {
    return static_cast<int>((static_cast<int64_t>(side) * eighths + kWholeEighths - 1) / kWholeEighths);
}

// True when the bytes start like a JPEG (SOI followed by a marker).
bool LooksLikeJpeg(const void* data, size_t length);

// The picture as stored (rows as the file holds them, no EXIF turn), each
// side reduced to M/8 in the DCT domain (ScaledSide: ceil(side * M / 8)
// pixels), opaque. `scaleFor` is asked with the stored width and height and
// answers M, 1 to 8 (8: the whole picture); any other answer refuses the
// picture (empty result). Empty
// too when the bytes cannot be decoded, when the process has no room, or
// once *cancel is set (checked between bands of rows), and for a file
// that ends before its picture data does. With `profile`, the ICC profile
// its APP2 segments carry (as libjpeg-turbo joins them; empty without a
// whole one) goes there. Never throws, never writes to the console, never
// ends the process.
Image DecodeJpeg(const void* data, size_t length, const std::function<int(int, int)>& scaleFor,
                 const std::atomic<bool>* cancel = nullptr, std::vector<uint8_t>* profile = nullptr);

}  // namespace uiengine
