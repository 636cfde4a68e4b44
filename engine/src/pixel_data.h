#pragma once
// Whether a picture's pixels can all be in its data, told without decoding
// them: pictures whose data ends first are undecodable, and the platform's
// codecs under Wine keep memory on every such failure.
#include <cstddef>
#include <cstdint>

namespace uiengine {

// False for a GIF whose first picture's compressed data ends (cut short, a
// code no decoder can read, the end code) before it gives width x height
// pixels: such a picture is undecodable, as a JPEG that ends before its
// picture data is. True for anything else, a GIF whose first picture cannot
// be found among its blocks included (the decoder decides).
bool GifFirstPictureComplete(const void* data, size_t length);

// False for a PNG whose image data chunks, inflated at deflate's largest
// ratio (1032 to 1), are still fewer bytes than the rows its header declares:
// no decoder can fill them. True for anything else, a PNG whose header
// cannot be read included (the decoder decides).
bool PngRowsFitData(const void* data, size_t length);

}  // namespace uiengine
