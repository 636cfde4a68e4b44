#pragma once
// Encoded pictures (JPEG, PNG, BMP, GIF, ICO, WebP, HEIC, AVIF) into the
// engine's 32-bit pixels, standing upright (a JPEG's EXIF orientation
// applied): JPEG through libjpeg-turbo, WebP through libwebp, HEIC and AVIF
// through libheif, GIF through the engine's own reader on its logical
// screen, the others through GDI+;
// a picture with an embedded colour profile in the screen's colours.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/canvas.h"

namespace uiengine {

// Encoded bytes equal to those of `a`, compared in full: what a picture
// decoded before may stand for.
inline bool SameBytes(const std::vector<uint8_t>& a, const void* data, size_t length) {
    return a.size() == length && (length == 0 || std::memcmp(a.data(), data, length) == 0);
}

// The whole picture (first frame), or an empty image when the bytes cannot
// be decoded, when the process has no room for it, or once *cancel is set
// (checked between bands of rows; what was made is freed at once). Never
// throws, never keeps a reference to data.
Image DecodePicture(const void* data, size_t length, const std::atomic<bool>* cancel = nullptr);

// A JPEG reduced in the DCT domain: `scaleFor`, asked with the upright
// picture's width and height, names the reduction of each side as M/8
// (M = 1..7; the copy then has ceil(side * M / 8) pixels a side); any other
// answer wants no reduced copy. Empty then, for any picture but a JPEG, when the
// bytes cannot be decoded, when there is no room, or once cancelled.
Image DecodeReduced(const void* data, size_t length, int (*scaleFor)(int, int),
                    const std::atomic<bool>* cancel = nullptr);

}  // namespace uiengine
