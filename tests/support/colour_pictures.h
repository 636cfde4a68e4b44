#pragma once
// Pictures carrying ICC colour profiles, for the colour tests and the fuzz
// corpus: profiles made by Little CMS (linked into the tests only), spliced
// into JPEG files as APP2 segments and into PNG files as iCCP chunks.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/text.h"

namespace vela::test {

// Adobe RGB (1998): its primaries, D65 white, gamma 563/256.
Bytes AdobeRgbProfile();
// Little CMS's built-in sRGB.
Bytes SrgbProfile();
// The JPEG with the profile spliced in after its start marker, in APP2
// "ICC_PROFILE" pieces of at most `pieceSize` bytes.
Bytes WithJpegProfile(const Bytes& jpeg, const Bytes& profile, size_t pieceSize = 65519);
// How the profile of a PNG's iCCP chunk is compressed: in stored
// (uncompressed) blocks, or by zlib's deflate with its fixed codes only
// (Z_FIXED) or with codes of its own for the data (dynamic blocks).
enum class ZlibBlocks { Stored, Fixed, Dynamic };

// An 8-bit RGB PNG of the straight 0xRRGGBB pixels, rows top-down, with an
// iCCP chunk holding the profile unless empty.
Bytes MakeRgbPng(int w, int h, const std::vector<uint32_t>& rgb, const Bytes& profile = {},
                 ZlibBlocks blocks = ZlibBlocks::Stored);

}  // namespace vela::test
