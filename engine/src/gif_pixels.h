#pragma once
// Whether a GIF's first picture has all its pixels in the data, told by
// counting what its LZW codes stand for (nothing is decoded into pixels).
#include <cstddef>
#include <cstdint>

namespace uiengine {

// False for a GIF whose first picture's compressed data ends (cut short, a
// code no decoder can read, the end code) before it gives width x height
// pixels: such a picture is undecodable, as a JPEG that ends before its
// picture data is. True for anything else, a GIF whose first picture cannot
// be found among its blocks included (the decoder decides).
bool GifFirstPictureComplete(const void* data, size_t length);

}  // namespace uiengine
