#include "imaging/header_measure.h"

#include "picture/decoder_guards.h"
#include "picture/picture_header.h"

namespace vela::imaging {

bool MeasureFromHeader(ByteView picture, int* width, int* height) {
    // Bytes the guards keep from the decoders measure 0, as their decode
    // would: a header never vouches for them.
    if (picture.empty() || !DecodersMayRead(picture.data(), picture.size())) return false;
    HeaderSize size;
    if (!SizeFromHeader(picture.data(), picture.size(), &size)) return false;
    *width = size.width;
    *height = size.height;
    return true;
}

}  // namespace vela::imaging
