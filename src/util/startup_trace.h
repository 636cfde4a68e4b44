#pragma once
// Where start-up time goes, for measurements only: when the environment
// variable VELA_STARTUP_TRACE names a file, each mark appends one line
// "<label> <milliseconds since the process was created>" to it; otherwise a
// mark costs one cached check and writes nothing.
namespace vela {

void StartupMark(const char* label);

}  // namespace vela
