#pragma once
// ImageMagick (Debian's, run natively beside Wine) as the reference the
// tests take pictures and expectations from.
#include <string>
#include <vector>

#include "test_support.h"

namespace vela::test {

// The Unix path Wine maps a Windows path to (for the native reference tool).
std::string UnixPath(const std::string& windowsPath);

// A native program of this machine (a reference encoder or decoder) run
// through the shell on files of `dir`: `command` with each {name} standing
// for the Unix path of dir\name; `output` (a file of dir the command
// writes) appears only once the command has succeeded. True when it did.
bool RunNative(const ScratchFolder& dir, const std::string& command, const std::string& output);

// ImageMagick's convert on files of `dir`: `arguments` ({name} in one
// standing for the Unix path of dir\name), writing dir\output (as `format`,
// e.g. "rgb:"). True when the output appeared. The arguments reach a shell
// as written: an argument with spaces or parentheses is quoted or escaped
// by the caller.
bool ImageMagick(const ScratchFolder& dir, const std::vector<std::string>& arguments, const std::string& format,
                 const std::string& output);

}  // namespace vela::test
