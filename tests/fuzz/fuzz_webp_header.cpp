// A WebP's first chunk: canvas size and flags.
#include "picture/webp_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vela::imaging::WebpHeader header;
    vela::imaging::LooksLikeWebp(data, size);
    vela::imaging::ReadWebpHeader(data, size, &header);
    return 0;
}
