#pragma once
// Encoded pictures (PNG, JPEG, BMP, GIF, ICO) into premultiplied images,
// through GDI+ started once for the process on first use.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "canvas.h"

namespace uiengine {

// The whole picture (first frame) as it stands upright (a JPEG's EXIF
// orientation applied: the decoders give the rows as stored), or an empty image when the bytes cannot
// be decoded, or when the process has no room for it, or once *cancel is
// set (checked between bands of rows; what was made is freed at once).
// Never throws, never keeps a reference to data. When `packed`
// is given, a colour JPEG's rows may be left as the decoder gives them:
// packed 24-bit BGR (3 * width bytes a row) from the start of the image's
// buffer, its alpha not yet set; *packed then says so, and the image is
// usable only after WidenPacked (HalvePacked may read it before).
Image DecodePicture(const void* data, size_t length, bool* packed = nullptr,
                    const std::atomic<bool>* cancel = nullptr);
// Packed rows widened in place to opaque 32-bit pixels (on the workers);
// false when cancelled first (the image is then cleared).
bool WidenPacked(Image& image, const std::atomic<bool>* cancel = nullptr);
// The picture halved straight from its packed rows (the same pixels as
// Halve of the widened picture); empty when a side is below 2, when there
// is no room or when cancelled.
Image HalvePacked(const Image& image, const std::atomic<bool>* cancel = nullptr);

// A colour JPEG's first halved copy (both sides halved, rounded down), made
// band by band as the decoder reads, without a buffer for the whole
// picture; the same pixels as HalvePacked of DecodePicture's packed result.
// Empty for any other picture, for a size `wanted` (given the whole
// picture's width and height) refuses, when there is no room, or once
// cancelled.
Image DecodeHalved(const void* data, size_t length, bool (*wanted)(int, int), const std::atomic<bool>* cancel = nullptr);

}  // namespace uiengine
