#pragma once
// Encoded pictures (PNG, JPEG, BMP, GIF, ICO) into premultiplied images,
// through GDI+ started once for the process on first use.
#include <cstddef>
#include <cstdint>

#include "canvas.h"

namespace uiengine {

// The whole picture (first frame), or an empty image when the bytes cannot
// be decoded. Never throws, never keeps a reference to data. When `half` is
// given it receives the picture halved (as Halve makes it) if the decoder
// could make it on the way, at no extra pass; else it is left empty.
Image DecodePicture(const void* data, size_t length, Image* half = nullptr);

}  // namespace uiengine
