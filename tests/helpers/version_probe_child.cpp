// Child program for the version probe test: runs under the Windows version
// its Wine prefix gives it and writes what the probe says, one line each:
// the bare name, the name with every decoration, and major.minor.
// Usage: version_probe_child <output path>
#include <windows.h>

#include <string>

#include "util/windows_version.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    int major = -1, minor = -1;
    std::string out = vela::WindowsVersionName(major, minor) + "\n";
    out += vela::WindowsVersionName(major, minor, true, true, true, true) + "\n";
    out += std::to_string(major) + "." + std::to_string(minor);
    HANDLE f = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(f, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
    CloseHandle(f);
    return 0;
}
