#pragma once
// Reference tools of this machine (Debian's heif-enc, avifenc, cjxl, djxl,
// ImageMagick's identify) run natively beside Wine, their answer read back.
#include <string>

#include "test_support.h"

namespace vela::test {

// `command` run by sh in the folder, each {name} in it standing for the
// Unix path of dir\name; no double quotes in it. Its standard output goes
// to dir\output when it ends with success. True when the output appeared.
bool NativeCommand(const ScratchFolder& dir, const std::string& command, const std::string& output);

}  // namespace vela::test
