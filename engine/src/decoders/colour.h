#pragma once
// True colours: a picture that carries an ICC profile (JPEG APP2, PNG
// iCCP, WebP ICCP) has its pixels converted from that profile to the
// screen's (the monitor's profile where Windows names a readable one, sRGB
// otherwise) through Little CMS, perceptual intent, 8 bits a channel; the
// transforms are kept per profile.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/canvas.h"

namespace uiengine {

// The profile stored in a picture whose decoder does not hand it over (a
// PNG's iCCP chunk, inflated; a JPEG's APP2 segments where the platform
// decodes it); empty without one or when it cannot be read. Never throws.
std::vector<uint8_t> StoredProfile(const void* data, size_t length);

// Converts the decoded pixels in place from the picture's profile (its
// bytes, as the decoder or StoredProfile gave them). Nothing changes for
// an empty profile, an sRGB one, one that cannot be read or is not RGB.
// Callable from any thread; never throws.
void ToScreenColours(Image& image, const std::vector<uint8_t>& profile);

}  // namespace uiengine
