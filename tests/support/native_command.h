#pragma once
// Reference tools of this machine (Debian's heif-enc, avifenc, cjxl, djxl,
// ImageMagick's identify) run natively beside Wine, their answer read back.
#include <string>

#include "test_support.h"

namespace vela::test {

// The text with each {name} in it replaced by the Unix path of dir\name.
std::string WithUnixPaths(const ScratchFolder& dir, std::string text);

// Wine starts a native program without waiting for it: `command` run by sh,
// waited for until dir\output appears. True when it did.
bool RunShell(const ScratchFolder& dir, const std::string& command, const std::string& output);

// A native program of this machine (a reference encoder or decoder) that
// writes dir\output itself (`command` names it as {output}): written under a
// hidden name with the same extension and renamed when the command has
// succeeded. True when it did.
bool RunNative(const ScratchFolder& dir, const std::string& command, const std::string& output);

// `command` run by sh in the folder, each {name} in it standing for the
// Unix path of dir\name; no double quotes in it. Its standard output goes
// to dir\output when it ends with success. True when the output appeared.
bool NativeCommand(const ScratchFolder& dir, const std::string& command, const std::string& output);

}  // namespace vela::test
