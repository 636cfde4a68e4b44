#pragma once
// A picture stood upright as its EXIF orientation says: the decoders hand
// over the rows as stored.
#include <atomic>

#include "core/canvas.h"

namespace uiengine {

// `stored` turned or mirrored as orientation 2 to 8 asks (any other value:
// unchanged). Mirrors and the half turn are made in place; the quarter
// turns and diagonal mirrors need a second buffer (empty when there is no
// room, or when cancelled).
Image Upright(Image stored, int orientation, const std::atomic<bool>* cancel = nullptr);

}  // namespace uiengine
