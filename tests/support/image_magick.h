#pragma once
// ImageMagick (Debian's, run natively beside Wine) as the reference the
// tests take pictures and expectations from.
#include <string>
#include <vector>

#include "native_command.h"
#include "test_support.h"

namespace vela::test {

// ImageMagick's convert on files of `dir`: `arguments` ({name} in one
// standing for the Unix path of dir\name), writing dir\output (as `format`,
// e.g. "rgb:"). True when the output appeared. The arguments reach a shell
// as written: an argument with spaces or parentheses is quoted or escaped
// by the caller.
bool ImageMagick(const ScratchFolder& dir, const std::vector<std::string>& arguments, const std::string& format,
                 const std::string& output);

}  // namespace vela::test
