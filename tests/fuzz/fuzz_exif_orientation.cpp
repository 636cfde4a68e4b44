// A JPEG's segments and its EXIF orientation, and the TIFF block alone.
#include "picture/exif_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vela::imaging::JpegOrientation(data, size);
    vela::imaging::TiffOrientation(data, size);
    size_t segments = 0;
    vela::imaging::WalkJpegSegments(data, size, [&](const vela::imaging::JpegSegment&) { return ++segments < 1000; });
    return 0;
}
