#include "image_magick.h"

namespace vela::test {

// Wine starts a native program without waiting for it, so the output is
// written under another name, renamed when done, and waited for.
bool ImageMagick(const ScratchFolder& dir, const std::vector<std::string>& arguments, const std::string& format,
                 const std::string& output) {
    auto unixOf = [&](std::string a) {
        const size_t open = a.find('{'), close = a.find('}');
        if (open != std::string::npos && close > open)
            a.replace(open, close - open + 1, UnixPath(dir / a.substr(open + 1, close - open - 1)));
        return a;
    };
    const std::string done = UnixPath(dir / output), part = done + ".part";
    std::string command = "/usr/bin/convert-im6.q16";
    for (const std::string& a : arguments) command += " " + unixOf(a);
    command += " " + format + part + " && mv " + part + " " + done;
    Child child;
    if (!StartChild(child, "Z:\\bin\\sh -c \"" + command + "\"")) return false;
    return WaitFor([&] { return GetFileAttributesA((dir / output).c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
}

}  // namespace vela::test
