#pragma once
// The recording stand-in engine (VelaRecordingEngine.dll, built with the
// tests): loading it as the process's engine and reading what it recorded.
#include <windows.h>

#include <string>

namespace vela::test {

inline constexpr char kRecordingEngine[] = "VelaRecordingEngine.dll";

// Makes the recording engine the process's engine (through the loader, from
// the current directory); false when it did not load.
bool UseRecordingEngine();

// The calls recorded since the last Clear, one line each.
std::string RecordedCalls();
void ClearRecordedCalls();
// Adds a line of the test's own to the record (to see an order of calls).
void NoteInRecord(const std::string& line);
// The next create call fails (returns null, sets no "Tab_Control").
void FailNextCreate();
// Raises an engine event on the control over `host` through its callback;
// -12345 when the host has no engine control.
int RaiseEngineEvent(HWND host, int code, int a1 = 0, int a2 = 0, int a3 = 0, int a4 = 0);

}  // namespace vela::test
