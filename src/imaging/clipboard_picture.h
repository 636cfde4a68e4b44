#pragma once
// The pixels of a picture as it stands upright, for the clipboard.
#include <cstdint>

#include "runtime/text.h"

namespace vela {

struct UprightPicture {
    int width = 0, height = 0;
    // Rows from the bottom up, each pixel blue, green, red, alpha (not
    // premultiplied): the layout of a 32-bit bottom-up DIB.
    Bytes pixels;
    // The same picture encoded as PNG.
    Bytes png;
};

// The bytes decoded, stood upright by their EXIF orientation (WebP, HEIC,
// AVIF and JPEG XL by the engine, which stands them upright); an empty
// result (width 0) when they cannot be decoded or are too large to copy.
UprightPicture DecodeUpright(const Bytes& picture);

}  // namespace vela
