// The header readers that settle a picture's size without decoding it.
#include "picture/picture_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vela::imaging::HeaderSize out;
    for (vela::imaging::HeaderReader read : vela::imaging::kHeaderReaders) read(data, size, &out);
    vela::imaging::SizeFromHeader(data, size, &out);
    return 0;
}
