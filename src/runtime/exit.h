#pragma once
// The end of the program: one registered exit routine runs once, whichever
// way the program ends, then the process exits with the given code.

namespace vela::runtime {

using ExitRoutineFn = void (*)();

void RegisterExitRoutine(ExitRoutineFn routine);
// Runs the registered routine if it has not run yet.
void RunExitRoutine();
[[noreturn]] void EndProgram(int exitCode);

}  // namespace vela::runtime
