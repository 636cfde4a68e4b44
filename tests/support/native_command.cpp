#include "native_command.h"

#include "image_magick.h"

namespace vela::test {

bool NativeCommand(const ScratchFolder& dir, const std::string& command, const std::string& output) {
    std::string line = command;
    for (size_t open = line.find('{'); open != std::string::npos; open = line.find('{', open)) {
        const size_t close = line.find('}', open);
        if (close == std::string::npos) return false;
        const std::string unix = UnixPath(dir / line.substr(open + 1, close - open - 1));
        line.replace(open, close - open + 1, unix);
        open += unix.size();
    }
    // Wine starts a native program without waiting for it: the output is
    // written under another name and renamed when done, and a failure
    // leaves a mark, so that it is not waited out.
    const std::string done = UnixPath(dir / output), part = done + ".part", failed = done + ".failed";
    Child child;
    if (!StartChild(child, "Z:\\bin\\sh -c \"export PATH=/usr/bin:/bin; (" + line + ") > " + part + " && mv " + part +
                               " " + done + " || touch " + failed + "\""))
        return false;
    auto there = [&](const std::string& name) { return GetFileAttributesA((dir / name).c_str()) != INVALID_FILE_ATTRIBUTES; };
    WaitFor([&] { return there(output) || there(output + ".failed"); }, 60000);
    return there(output);
}

}  // namespace vela::test
