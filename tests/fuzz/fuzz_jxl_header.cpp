// A JPEG XL file's size header and orientation, from a bare codestream or
// gathered from the container's boxes.
#include "picture/jxl_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint64_t width = 0, height = 0;
    vela::imaging::LooksLikeJpegXl(data, size);
    vela::imaging::ReadJpegXlSize(data, size, &width, &height);
    return 0;
}
