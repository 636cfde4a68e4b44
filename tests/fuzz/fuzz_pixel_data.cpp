// Whether a GIF's or a PNG's pixels can all be in its data, and a cut
// moving GIF's first picture alone: the walk over a GIF's blocks and LZW
// codes, and a PNG's header and chunks.
#include <cstdlib>

#include "picture/pixel_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vela::imaging::GifPicturesComplete(data, size);
    vela::imaging::PngRowsFitData(data, size);
    const size_t end = vela::imaging::GifFirstPictureEnd(data, size);
    if (end > size) std::abort();
    const std::vector<uint8_t> alone = vela::imaging::GifFirstPictureAlone(data, size);
    // The copy is the file up to the first picture's end and the trailer byte.
    if (!alone.empty() && (alone.size() != end + 1 || alone.back() != 0x3B)) std::abort();
    return 0;
}
