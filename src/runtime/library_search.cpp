#include "runtime/library_search.h"

#include <windows.h>

#include <vector>

namespace vela::runtime {
namespace {

// From the platform headers of Windows 8, which also has the function on
// Windows 7 with update KB2533623: only the program's folder, the folders
// added by AddDllDirectory and System32.
constexpr DWORD kSearchDefaultDirs = 0x00001000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
constexpr DWORD kLongestModulePath = 32768;

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

}  // namespace

void KeepCurrentDirectoryOutOfLibrarySearch() {
    // Bound by name: importing it would keep the program from starting on a
    // Windows 7 without that update.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                   reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    if (setDefault && setDefault(kSearchDefaultDirs)) return;
    SetDllDirectoryA("");
}

Path ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return Path(buffer.data(), n);
        if (buffer.size() >= kLongestModulePath) return {};
        buffer.resize(buffer.size() * 2);
    }
}

Path ProgramFolder() {
    const Path module = ModulePath();
    const std::size_t slash = module.rfind(L'\\');
    return slash == Path::npos ? Path() : module.substr(0, slash);
}

}  // namespace vela::runtime
