// The engine's picture memory for the native GIF frame target: the parts of
// canvas.cpp the frame reader calls, without GDI. The memory budget is a
// fixed 4 MB, so that screens of up to a quarter million pixels are played
// (larger ones refused, as a process short of room refuses them) while
// each input still runs in milliseconds.
#include <algorithm>
#include <cstring>

#include "core/canvas.h"

namespace uiengine {

bool RoomFor(uint64_t bytes, uint64_t alongside) { return bytes + alongside <= (4ull << 20); }

bool Image::Reset(int w, int h, uint32_t fill) {
    if (!Allocate(w, h)) return false;
    std::fill(pixels.begin(), pixels.end(), fill);
    opaque = (fill >> 24) == 255;
    return true;
}

bool Image::Allocate(int w, int h) {
    Clear();
    const uint64_t n = static_cast<uint64_t>(std::max(w, 0)) * std::max(h, 0);
    if (n > 0x3FFFFFFFull || !RoomFor(n * 4)) return false;
    pixels.resize(static_cast<size_t>(n));
    width = std::max(w, 0);
    height = std::max(h, 0);
    return true;
}

Image CopyOf(const Image& image) {
    Image out;
    if (image.Empty() || !out.Allocate(image.width, image.height)) return out;
    std::memcpy(out.pixels.data(), image.pixels.data(), image.pixels.size() * 4);
    out.opaque = image.opaque;
    return out;
}

bool AllOpaque(const Image& image) {
    for (uint32_t p : image.pixels)
        if ((p >> 24) != 255) return false;
    return !image.pixels.empty();
}

void FillCopy(const Canvas& dst, RECT r, uint32_t colour) {
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, dst.width);
    r.bottom = std::min<LONG>(r.bottom, dst.height);
    for (LONG y = r.top; y < r.bottom && r.left < r.right; ++y)
        std::fill(dst.Row(y) + r.left, dst.Row(y) + r.right, colour);
}

}  // namespace uiengine
