#include "image_magick.h"

#include "native_command.h"

namespace vela::test {

bool ImageMagick(const ScratchFolder& dir, const std::vector<std::string>& arguments, const std::string& format,
                 const std::string& output) {
    const std::string done = UnixPath(dir / output), part = done + ".part";
    std::string command = "/usr/bin/convert-im6.q16";
    for (const std::string& a : arguments) command += " " + WithUnixPaths(dir, a);
    command += " " + format + part + " && mv " + part + " " + done;
    return RunShell(dir, command, output);
}

}  // namespace vela::test
