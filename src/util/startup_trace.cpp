#include "util/startup_trace.h"

#include <windows.h>

#include <cstdio>

namespace vela {
namespace {

using SystemTimeFn = void(WINAPI*)(FILETIME*);

// The precise clock exists from Windows 8 on: bound by name, so that the
// program still starts on Windows 7, where the trace falls back to the
// coarser one.
SystemTimeFn SystemTimeClock() {
    static const SystemTimeFn clock = [] {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        auto precise = kernel ? reinterpret_cast<SystemTimeFn>(reinterpret_cast<void*>(
                                    GetProcAddress(kernel, "GetSystemTimePreciseAsFileTime")))
                              : nullptr;
        return precise ? precise : &GetSystemTimeAsFileTime;
    }();
    return clock;
}

}  // namespace

void StartupMark(const char* label) {
    static char path[MAX_PATH] = "";
    static int state = 0;  // 0: not looked yet, 1: tracing, 2: off
    if (state == 0) {
        const DWORD n = GetEnvironmentVariableA("VELA_STARTUP_TRACE", path, sizeof path);
        state = n > 0 && n < sizeof path ? 1 : 2;
    }
    if (state != 1) return;
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
    SystemTimeClock()(&now);
    ULARGE_INTEGER c{{created.dwLowDateTime, created.dwHighDateTime}}, t{{now.dwLowDateTime, now.dwHighDateTime}};
    const double ms = static_cast<double>(t.QuadPart - c.QuadPart) / 10000.0;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%-28s %8.1f\n", label, ms);
        std::fclose(f);
    }
}

}  // namespace vela
