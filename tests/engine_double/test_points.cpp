// The memory bound and the prepared signal of the engine build the tests use
// (bin/hold/ExuiKrnln.dll), found by names of this process's id. The shipped
// engine has no bound and tells nobody.
#include <windows.h>

#include <cstring>

#include "test_points.h"

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

}  // namespace uiengine
