#include "decoders/upright.h"

#include <algorithm>

#include "core/pool.h"

namespace uiengine {

Image Upright(Image stored, int orientation, const std::atomic<bool>* cancel) {
    const int w = stored.width, h = stored.height;
    if (stored.Empty()) return stored;
    uint32_t* all = stored.pixels.data();
    switch (orientation) {
        case 2:  // mirrored left-right
            for (int y = 0; y < h; ++y) std::reverse(stored.Row(y), stored.Row(y) + w);
            return stored;
        case 3:  // half turn
            std::reverse(all, all + static_cast<size_t>(w) * h);
            return stored;
        case 4:  // mirrored top-bottom
            for (int y = 0; y < h / 2; ++y) std::swap_ranges(stored.Row(y), stored.Row(y) + w, stored.Row(h - 1 - y));
            return stored;
        default: break;
    }
    if (orientation < 5 || orientation > 8) return stored;
    Image out;
    if (!out.Allocate(h, w)) return out;
    out.opaque = stored.opaque;
    // Row y of the upright picture reads one column of the stored one, from
    // its top (step +w) or its bottom (step -w).
    const ptrdiff_t down = w;
    const bool ok = ParallelRows(
        out.height,
        [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                ptrdiff_t at, step;
                switch (orientation) {
                    case 5: at = y, step = down; break;                                   // transposed
                    case 6: at = ptrdiff_t{h - 1} * w + y, step = -down; break;           // quarter clockwise
                    case 7: at = ptrdiff_t{h - 1} * w + (w - 1 - y), step = -down; break;  // other diagonal
                    default: at = w - 1 - y, step = down; break;                          // quarter anticlockwise
                }
                uint32_t* row = out.Row(y);
                for (int x = 0; x < out.width; ++x, at += step) row[x] = all[at];
            }
        },
        cancel);
    if (!ok) out.Clear();
    return out;
}

}  // namespace uiengine
