#pragma once
// The measurement's first try: the size a picture's header settles, read
// without decoding it; also tells the start picture's thread that a
// picture needs no measurement by GDI+.
#include "runtime/text.h"

namespace vela::imaging {

// True, with the upright size, when the decoders may read the bytes at all
// and their header settles the size; false sends the measurement to GDI+.
bool MeasureFromHeader(ByteView picture, int* width, int* height);

}  // namespace vela::imaging
