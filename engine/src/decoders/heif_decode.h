#pragma once
// HEIC and AVIF pictures (the HEIF container; HEVC through libde265, AV1
// through dav1d) through libheif, bound at run time from the engine's
// folder (heif_library.h): the primary picture, standing upright as its
// irot/imir say, with alpha; 10- and 12-bit values rounded to 8 bits; its
// colours as its ICC profile or its nclx code says, a HDR picture (PQ, HLG)
// tone-mapped.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/canvas.h"

namespace uiengine {

// True for a file whose ftyp box names a HEIF brand (HEIC, AVIF, or the
// general mif1): the bytes libheif is asked about.
bool LooksLikeHeif(const void* data, size_t length);

// The primary picture, premultiplied BGRA, with the ICC profile its
// colours are in into *profile (the embedded one, or one made from its
// nclx colour; empty for sRGB). Empty when libheif is not there, when the
// bytes are not a decodable HEIF, when the memory budget has no room for
// the picture, or once *cancel is set. Never throws, never keeps a
// reference to data.
Image DecodeHeif(const void* data, size_t length, const std::atomic<bool>* cancel, std::vector<uint8_t>* profile);

}  // namespace uiengine
