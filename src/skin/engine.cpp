#include "skin/engine.h"

#include <cctype>

#include "runtime/library_search.h"
#include "runtime/text.h"
#include "runtime/unique.h"

namespace vela::skin {
namespace {

Engine g_engine;
bool g_loaderRan = false;

void CloseFile(HANDLE h) { CloseHandle(h); }
using FileHandle = Unique<HANDLE, CloseFile>;

HMODULE TryLoad(const Path& path) {
    if (path.empty()) return nullptr;
    // No error box for a library that is not there or not loadable.
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE m = LoadLibraryW(path.c_str());
    SetErrorMode(old);
    return m;
}

// The library path kept in a path file: its first 255 bytes, nothing trimmed.
// An empty text when the file cannot be opened; opened says whether it could.
std::string ReadPathFile(const std::string& file, bool& opened) {
    opened = false;
    if (file.empty()) return {};
    FileHandle h(CreateFileW(WideFromGb18030(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return {};
    opened = true;
    char buffer[256] = {};
    DWORD read = 0;
    if (!ReadFile(h.Get(), buffer, 255, &read, nullptr)) return {};
    // The path ends at its first NUL byte like any text.
    return std::string(UntilNul(buffer, read));
}

// A drive path (C:\...) or a network path (\\server\...); anything else
// the system would resolve against the current directory or drive.
bool IsFullPath(const std::string& path) {
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       path[2] == '\\';
    const bool network = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    return drive || network;
}

}  // namespace

HMODULE FindEngineLibrary(const EngineSearch& search) {
    const Path folder = search.programFolder.empty() ? runtime::ProgramFolder() : search.programFolder;
    const Path fileName = WideFromGb18030(search.fileName);
    if (!folder.empty()) {
        if (HMODULE m = TryLoad(folder + L"\\" + fileName)) return m;
        if (HMODULE m = TryLoad(folder + L"\\" + WideFromGb18030(search.subFolder) + fileName)) return m;
    }
    // A bare name goes through the system search, which start-up has
    // already kept out of the current directory. The lib folder is not
    // asked for by a relative path: the system resolves one with a folder
    // part against the current directory, so it is the program's, above.
    if (HMODULE m = TryLoad(fileName)) return m;
    bool opened = false;
    std::string path = ReadPathFile(search.firstPathFile, opened);
    if (!opened) path = ReadPathFile(search.secondPathFile, opened);
    // The same holds for a relative path in the path file.
    if (!IsFullPath(path)) return nullptr;
    // Its bytes are a GBK text, as every text of the viewer.
    return TryLoad(WideFromGb18030(path));
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
