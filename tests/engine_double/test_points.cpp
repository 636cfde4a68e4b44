// The memory bound, the prepared signal and the frame watch of the engine
// build the tests use (bin/hold/ExuiKrnln.dll), found by names of this
// process's id or of the watch its starter named; the hold of a request to
// prepare, by names of the id of the process that started this one (a test
// that starts the viewer names them before the viewer runs). The shipped
// engine has no bound, tells nobody, holds nothing and waits for nobody.
#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#include "core/test_points.h"

namespace uiengine {

// While this process has a file mapping of this name, its first 8 bytes are
// the bound. Zero or no mapping: no bound.
uint64_t MemoryBoundPoint() {
    char name[64];
    wsprintfA(name, "uiengine-memory-bound-%lu", GetCurrentProcessId());
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
    if (!mapping) return 0;
    uint64_t bound = 0;
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof bound)) {
        std::memcpy(&bound, view, sizeof bound);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return bound;
}

// A manual-reset event of this name, when the process has one, is set after
// each picture prepared ahead and kept.
void PreparedPoint() {
    char name[64];
    wsprintfA(name, "uiengine-prepared-%lu", GetCurrentProcessId());
    if (HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, name)) {
        SetEvent(done);
        CloseHandle(done);
    }
}

namespace {

DWORD ParentProcessId() {
    const DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

// A hold nobody lets go ends by itself after this.
constexpr DWORD kPrepareHoldMs = 30000;

}  // namespace

// When the starting process has a manual-reset event of the first name, it
// is set on each request to prepare; when it has one of the second, the
// request waits until that one is set.
void PrepareAskedPoint() {
    const DWORD parent = ParentProcessId();
    if (!parent) return;
    char name[64];
    wsprintfA(name, "uiengine-prepare-asked-%lu", parent);
    if (HANDLE asked = OpenEventA(EVENT_MODIFY_STATE, FALSE, name)) {
        SetEvent(asked);
        CloseHandle(asked);
    }
    wsprintfA(name, "uiengine-prepare-hold-%lu", parent);
    if (HANDLE hold = OpenEventA(SYNCHRONIZE, FALSE, name)) {
        WaitForSingleObject(hold, kPrepareHoldMs);
        CloseHandle(hold);
    }
}

// A process started with UIENGINE_FRAME_WATCH=<name> in its environment,
// while events <name>-presented and <name>-seen exist: each frame put on the
// screen sets the first and waits (5 s at most) for the watcher to set the
// second once it has read the screen, so that no frame is on screen too
// briefly to be seen.
void PresentedPoint() {
    char watch[64];
    const DWORD n = GetEnvironmentVariableA("UIENGINE_FRAME_WATCH", watch, sizeof watch - 16);
    if (n == 0 || n >= sizeof watch - 16) return;
    char name[80];
    wsprintfA(name, "%s-presented", watch);
    HANDLE presented = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
    wsprintfA(name, "%s-seen", watch);
    HANDLE seen = OpenEventA(SYNCHRONIZE, FALSE, name);
    if (presented && seen) {
        SetEvent(presented);
        WaitForSingleObject(seen, 5000);
    }
    if (presented) CloseHandle(presented);
    if (seen) CloseHandle(seen);
}

}  // namespace uiengine
