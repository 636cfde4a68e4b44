#include "image_magick.h"

namespace vela::test {

std::string UnixPath(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* unix = toUnix(wide.c_str());
    if (!unix) return {};
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    // ImageMagick reads "c:" in a path as a format prefix: the drive's own folder instead.
    const size_t drive = out.find("/dosdevices/c:/");
    if (drive != std::string::npos) out.replace(drive, 15, "/drive_c/");
    return out;
}

namespace {

// Each {name} in the text replaced by the Unix path of dir\name.
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

}  // namespace

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

bool ImageMagick(const ScratchFolder& dir, const std::vector<std::string>& arguments, const std::string& format,
                 const std::string& output) {
    const std::string done = UnixPath(dir / output), part = done + ".part";
    std::string command = "/usr/bin/convert-im6.q16";
    for (const std::string& a : arguments) command += " " + WithUnixPaths(dir, a);
    command += " " + format + part + " && mv " + part + " " + done;
    return RunShell(dir, command, output);
}

}  // namespace vela::test
