#pragma once
// JPEG XL pictures through libjxl (built from source with the engine):
// decoded upright (the codestream's orientation applied by the decoder),
// 8 bits a channel whatever the stored depth, into the engine's
// premultiplied 32-bit pixels; a moving picture's frames composed on its
// canvas by the decoder.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/canvas.h"
#include "decoders/animation.h"

namespace uiengine {

// True for a bare JPEG XL codestream or the JPEG XL container.
bool LooksLikeJxl(const void* data, size_t length);

// The picture (a moving one: its first frame as its canvas shows it),
// premultiplied BGRA, and into *profile the ICC profile of the decoded
// pixels' colours (empty for sRGB pixels); empty when the bytes are not a
// decodable JPEG XL, when the process has no room for it, or once *cancel
// is set. Never throws, never keeps a reference to data.
Image DecodeJxl(const void* data, size_t length, const std::atomic<bool>* cancel, std::vector<uint8_t>* profile);

// True for a JPEG XL whose header says it is animated.
bool IsMovingJxl(const void* data, size_t length);

// The frames of a moving JPEG XL, or null when the bytes are not one or
// there is no room to play it; the source keeps the bytes alive.
std::unique_ptr<FrameSource> OpenJxlFrames(SharedBytes bytes);

}  // namespace uiengine
