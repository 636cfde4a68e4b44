#include "skin/engine.h"

#include "runtime/text.h"
#include "util/unique.h"

namespace vela::skin {
namespace {

Engine g_engine;
bool g_loaderRan = false;

void CloseFile(HANDLE h) { CloseHandle(h); }
using FileHandle = Unique<HANDLE, CloseFile>;

HMODULE TryLoad(const std::string& path) {
    if (path.empty()) return nullptr;
    // No error box for a library that is not there or not loadable.
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE m = LoadLibraryA(path.c_str());
    SetErrorMode(old);
    return m;
}

// The library path kept in a path file: its first 255 bytes, nothing trimmed.
// An empty text when the file cannot be opened; opened says whether it could.
std::string ReadPathFile(const std::string& file, bool& opened) {
    opened = false;
    if (file.empty()) return {};
    FileHandle h(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return {};
    opened = true;
    char buffer[256] = {};
    DWORD read = 0;
    if (!ReadFile(h.Get(), buffer, 255, &read, nullptr)) return {};
    // The path ends at its first NUL byte like any text.
    return std::string(UntilNul(buffer, read));
}

std::string CurrentDirectory() {
    char buffer[255] = {};
    DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    // A directory that does not fit is not cut short: a shortened path could
    // name a different folder.
    if (n == 0 || n >= sizeof buffer) return {};
    return std::string(buffer, n);
}

}  // namespace

HMODULE FindEngineLibrary(const EngineSearch& search) {
    std::string dir = search.currentDirectory.empty() ? CurrentDirectory() : search.currentDirectory;
    if (!dir.empty()) {
        if (HMODULE m = TryLoad(dir + "\\" + search.fileName)) return m;
        if (HMODULE m = TryLoad(dir + "\\" + search.subFolder + search.fileName)) return m;
    }
    if (HMODULE m = TryLoad(search.fileName)) return m;
    if (HMODULE m = TryLoad(search.subFolder + search.fileName)) return m;
    bool opened = false;
    std::string path = ReadPathFile(search.firstPathFile, opened);
    if (!opened) path = ReadPathFile(search.secondPathFile, opened);
    return TryLoad(path);
}

const Engine& UseEngineModule(HMODULE m) {
    g_loaderRan = true;
    g_engine = Engine{BindExuiExports(m), m};
    if (g_engine.CallInternalFunction_Ex) {
        g_engine.CallInternalFunction_Ex(ENGINE_HANDSHAKE_FUNCTION, reinterpret_cast<INT_PTR>(m), 0, 0,
                                         ENGINE_HANDSHAKE_MAGIC);
    }
    return g_engine;
}

const Engine& LoadEngine(const EngineSearch& search) {
    return UseEngineModule(FindEngineLibrary(search));
}

const Engine& EngineLoader() {
    if (g_loaderRan) return g_engine;
    return LoadEngine(EngineSearch{});
}

const Engine& CurrentEngine() { return g_engine; }

}  // namespace vela::skin
