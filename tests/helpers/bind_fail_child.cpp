// Child program for the binding tests: registers an exit routine that leaves
// a marker file, then calls an entry point that cannot be bound.
// Usage: bind_fail_child <marker path> (library|name)
#include <windows.h>

#include <cstring>

#include "runtime/bind.h"
#include "runtime/exit.h"

namespace {
const char* g_marker = nullptr;

void WriteMarker() {
    HANDLE f = CreateFileA(g_marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
}

using NoArgs = int(WINAPI*)();
constinit vela::runtime::Entry<NoArgs> MissingName{"kernel32.dll", "NoSuchEntryPoint"};
constinit vela::runtime::Entry<NoArgs> MissingLibrary{"nosuchlib.dll", "Anything"};
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    g_marker = argv[1];
    vela::runtime::RegisterExitRoutine(WriteMarker);
    if (std::strcmp(argv[2], "library") == 0) return MissingLibrary();
    return MissingName();
}
