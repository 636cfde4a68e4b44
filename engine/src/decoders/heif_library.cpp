#include "decoders/heif_library.h"

#include <windows.h>

#include <mutex>
#include <string>

namespace uiengine {

namespace {

constexpr wchar_t kDe265Dll[] = L"libde265.dll";
constexpr wchar_t kHeifDll[] = L"libheif.dll";

// The folder this DLL was loaded from, with its trailing backslash; empty
// when it cannot be told.
std::wstring EngineFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&EngineFolder), &self))
        return {};
    // Long paths: grown until the name fits (at most the 32767 a path can hold).
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// By full path only; LOAD_WITH_ALTERED_SEARCH_PATH makes the DLL's own
// links look in its folder first instead of the program's current folder.
HMODULE LoadFromEngineFolder(const std::wstring& folder, const wchar_t* name) {
    if (folder.empty()) return nullptr;
    const std::wstring path = folder + name;
    // No "insert the disk" box for a folder on a missing drive.
    DWORD oldMode = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (quiet) SetThreadErrorMode(oldMode, nullptr);
    return module;
}

bool Bind(HMODULE heif, HeifApi* api) {
    bool all = true;
#define VELA_HEIF_BIND(name)                                                                        \
    api->name = reinterpret_cast<decltype(api->name)>(reinterpret_cast<void*>(GetProcAddress(heif, #name))); \
    all = all && api->name != nullptr;
    VELA_HEIF_FUNCTIONS(VELA_HEIF_BIND)
#undef VELA_HEIF_BIND
    return all;
}

}  // namespace

const HeifApi* Heif() {
    static HeifApi api;
    static const HeifApi* bound = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        const std::wstring folder = EngineFolder();
        // Kept loaded for the life of the process: decodes may run on any worker.
        if (!LoadFromEngineFolder(folder, kDe265Dll)) return;
        const HMODULE heif = LoadFromEngineFolder(folder, kHeifDll);
        if (!heif || !Bind(heif, &api)) return;
        // Registers the built-in decoders; this build loads no plugins.
        if (api.heif_init(nullptr).code != heif_error_Ok) return;
        bound = &api;
    });
    return bound;
}

}  // namespace uiengine
