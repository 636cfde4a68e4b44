#include "runtime/exit.h"

#include <windows.h>

#include <utility>

namespace vela::runtime {
namespace {
ExitRoutineFn g_exitRoutine = nullptr;
}

void RegisterExitRoutine(ExitRoutineFn routine) { g_exitRoutine = routine; }

void RunExitRoutine() {
    // Taken out first so that an end requested from inside the routine
    // cannot run it twice.
    if (ExitRoutineFn routine = std::exchange(g_exitRoutine, nullptr)) routine();
}

void EndProgram(int exitCode) {
    RunExitRoutine();
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace vela::runtime
