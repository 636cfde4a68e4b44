#pragma once
// Still GIFs, and a moving GIF's first picture, through the engine's own GIF
// reader (the one that plays moving GIFs), so that a GIF shows alike on
// every system: the logical screen's size, the first picture placed at its
// offset on it, what it leaves uncovered transparent.
#include <atomic>
#include <cstddef>

#include "core/canvas.h"

namespace uiengine {

// The first picture on its logical screen, premultiplied; empty when the
// bytes are no GIF the reader can show (no screen, no whole first picture,
// its pixels not all in the data), without room, or once *cancel is set.
// Never keeps a reference to data.
Image DecodeGif(const void* data, size_t length, const std::atomic<bool>* cancel = nullptr);

}  // namespace uiengine
