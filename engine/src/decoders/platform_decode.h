#pragma once
// Pictures other than JPEG (PNG, BMP, GIF, ICO, and a JPEG libjpeg-turbo
// refused) through GDI+, started once for the process on first use.
#include <atomic>
#include <cstddef>

#include "core/canvas.h"

namespace uiengine {

// The first frame as stored, premultiplied; empty when the bytes cannot be
// decoded, when the process has no room, or once *cancel is set (checked
// between bands of rows). Never keeps a reference to data.
Image DecodeWithGdiplus(const void* data, size_t length, const std::atomic<bool>* cancel = nullptr);

}  // namespace uiengine
