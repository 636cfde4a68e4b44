#pragma once
// JPEG XL pictures made by Debian's cjxl and decoded by its djxl (package
// libjxl-tools, run natively beside Wine): the files the tests feed the
// engine and the reference they compare its decodes with.
#include <string>
#include <vector>

#include "test_support.h"
#include "webp_pictures.h"

namespace vela::test {

// cjxl on dir\input (a PNG, JPEG or GIF) with `options`, writing
// dir\output. True when the output appeared.
bool Cjxl(const ScratchFolder& dir, const std::string& input, const std::string& output, const std::string& options);

// djxl's decode of dir\input, as straight 8-bit pixels (its PNG read back
// through ImageMagick, with `convert`'s arguments applied, e.g. a colour
// profile); empty when djxl refuses the file (Debian's djxl 0.7 writes no
// 16-bit picture with alpha).
Pixels DjxlPixels(const ScratchFolder& dir, const std::string& input, const std::vector<std::string>& convert = {});

// A PAM file of 8-bit RGBA (ImageMagick's "pam:" with the alpha set), as
// straight pixels; empty for any other.
Pixels ReadPamPixels(const Bytes& pam);

}  // namespace vela::test
