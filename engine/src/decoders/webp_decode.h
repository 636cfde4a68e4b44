#pragma once
// WebP pictures through libwebp (built from source with the engine): still
// pictures decoded straight into the engine's 32-bit pixels; a moving
// picture's first frame as its canvas shows it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/canvas.h"

namespace uiengine {

// The picture (a moving one: its first frame composed on its canvas),
// premultiplied BGRA; empty when the bytes are not a decodable WebP, when
// the process has no room, or once *cancel is set. Never throws, never
// keeps a reference to data.
Image DecodeWebp(const void* data, size_t length, const std::atomic<bool>* cancel = nullptr);

// The ICC profile of the WebP's ICCP chunk, as libwebp's demuxer finds it
// in a sound file; empty without one. Never throws.
std::vector<uint8_t> WebpProfile(const void* data, size_t length);

}  // namespace uiengine
