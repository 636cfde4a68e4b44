#pragma once
// Icon and cursor files as the tests build them: 32-bit DIB images with
// their masks, or any bytes (a PNG), behind an icon directory.
#include <cstdint>
#include <vector>

#include "runtime/text.h"

namespace vela::test {

// A 32-bit icon image of w x h: its BITMAPINFOHEADER (of doubled height),
// opaque pixels of a blue with a white one in seven, and the AND mask.
Bytes IconBitmap(int w, int h);

// One image of a directory: the sides the directory lists (0 for 256) and
// the image's bytes.
struct IconEntry {
    int width, height;
    Bytes image;
};
// The directory of the images, the images after it in order. A cursor
// (type 2) lists the hot spot (3, 5) where an icon lists planes and bit count.
Bytes IconDirectory(const std::vector<IconEntry>& images, bool cursor = false);

}  // namespace vela::test
