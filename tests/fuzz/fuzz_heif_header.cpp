// A HEIF file's boxes: the brands, and the primary item's size through the
// meta, item property and association boxes.
#include "picture/heif_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint64_t width = 0, height = 0;
    vela::imaging::HeifKindOf(data, size);
    vela::imaging::ReadHeifSize(data, size, &width, &height);
    return 0;
}
