#include "native_command.h"

#include <windows.h>

namespace vela::test {

std::string WithUnixPaths(const ScratchFolder& dir, std::string a) {
    for (size_t open = a.find('{'); open != std::string::npos; open = a.find('{', open)) {
        const size_t close = a.find('}', open);
        if (close == std::string::npos) break;
        const std::string path = UnixPath(dir / a.substr(open + 1, close - open - 1));
        a.replace(open, close - open + 1, path);
        open += path.size();
    }
    return a;
}

// Wine starts a native program without waiting for it, so the output is
// written under another name, renamed when done, and waited for.
bool RunShell(const ScratchFolder& dir, const std::string& command, const std::string& output) {
    Child child;
    if (!StartChild(child, "Z:\\bin\\sh -c \"" + command + "\"")) return false;
    return WaitFor([&] { return GetFileAttributesA((dir / output).c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
}

bool RunNative(const ScratchFolder& dir, const std::string& command, const std::string& output) {
    const std::string done = UnixPath(dir / output);
    // The tool writes a hidden name with the output's extension (which names its format), renamed when done.
    const size_t slash = done.rfind('/');
    const std::string part = done.substr(0, slash + 1) + "part-" + done.substr(slash + 1);
    std::string c = WithUnixPaths(dir, command);
    const size_t at = c.find(done);
    if (at == std::string::npos) return false;
    c.replace(at, done.size(), part);
    return RunShell(dir, c + " >/dev/null 2>&1 && mv " + part + " " + done, output);
}

bool NativeCommand(const ScratchFolder& dir, const std::string& command, const std::string& output) {
    const std::string line = WithUnixPaths(dir, command);
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
