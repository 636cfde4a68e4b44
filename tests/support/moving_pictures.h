#pragma once
// Moving GIFs written byte by byte, for the tests of playing them: every
// field (delay, disposal, transparency, loop count, place of each picture)
// as the test asks, so that what the viewer shows can be told exactly.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "runtime/text.h"

namespace vela::test {

struct GifFrame {
    int x = 0, y = 0, w = 0, h = 0;
    std::vector<uint8_t> indexes;  // w * h palette indexes, rows top-down; empty: `run` over the whole frame
    int delayCs = 10;              // hundredths of a second
    int disposal = 1;              // 1 keep, 2 clear to the background, 3 restore the previous
    int transparent = -1;          // the index drawn as nothing, or none
    uint8_t run = 0;               // the one index of a frame without `indexes`, written as LZW's
                                   // longest codes (millions of pixels in a few kilobytes)
    int keepFull = -1;             // 0 or more: `indexes` compressed as an encoder does (codes
                                   // growing to 12 bits), its full table kept for that many
                                   // codes before each clear code (a deferred clear)
    // A picture of one index over its whole rectangle.
    static GifFrame Solid(int x, int y, int w, int h, uint8_t index, int delayCs = 10, int disposal = 1);
    // The same, with the index held as a run instead of w * h bytes.
    static GifFrame Run(int x, int y, int w, int h, uint8_t index, int delayCs = 10);
};

// A GIF of w x h with a global palette of the given colours (up to 256) and
// the frames; a NETSCAPE2.0 block with `loops` unless it is negative.
Bytes MakeMovingGif(int w, int h, const std::vector<COLORREF>& palette, const std::vector<GifFrame>& frames,
                    int loops = 0);

}  // namespace vela::test
