// The checks made before picture bytes reach the platform's decoders.
#include "picture/decoder_guards.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vela::imaging::DecodersMayRead(data, size);
    vela::imaging::BitmapRowsInside(data, size);
    vela::imaging::IconImagesInside(data, size);
    vela::imaging::GifPixelsFitData(data, size);
    vela::imaging::DecodableLength(data, size);
    return 0;
}
