#pragma once
// True colours: a picture that carries an ICC profile (JPEG APP2, PNG
// iCCP, WebP ICCP) has its pixels converted from that profile to the
// screen's (the monitor's profile where Windows names a readable one, sRGB
// otherwise) through Little CMS, perceptual intent, 8 bits a channel; the
// transforms are kept per profile.
#include <cstddef>

#include "canvas.h"

namespace uiengine {

// Converts the decoded pixels of the encoded picture in place. Nothing
// changes for a picture without a profile, with an sRGB one, with one that
// cannot be read or is not RGB. Callable from any thread; never throws.
void ToScreenColours(Image& image, const void* data, size_t length);

}  // namespace uiengine
