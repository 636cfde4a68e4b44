#include "recorder.h"

#include <vector>

#include "skin/engine.h"

namespace vela::test {
namespace {

HMODULE Module() { return GetModuleHandleA(kRecordingEngine); }

template <typename Fn>
Fn Export(const char* name) {
    HMODULE m = Module();
    return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

}  // namespace

bool UseRecordingEngine() {
    skin::EngineSearch search;
    search.fileName = kRecordingEngine;
    search.firstPathFile.clear();
    search.secondPathFile.clear();
    return skin::LoadEngine(search).Present();
}

std::string RecordedCalls() {
    auto log = Export<int(__stdcall*)(char*, int)>("Recorder_Log");
    if (!log) return "<no recorder>";
    std::vector<char> buffer(static_cast<std::size_t>(log(nullptr, 0)) + 1);
    log(buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

void ClearRecordedCalls() {
    if (auto f = Export<void(__stdcall*)()>("Recorder_Clear")) f();
}

void NoteInRecord(const std::string& line) {
    if (auto f = Export<void(__stdcall*)(const char*)>("Recorder_Note")) f(line.c_str());
}

void FailNextCreate() {
    if (auto f = Export<void(__stdcall*)()>("Recorder_FailNextCreate")) f();
}

int RaiseEngineEvent(HWND host, int code, int a1, int a2, int a3, int a4) {
    auto f = Export<int(__stdcall*)(HWND, int, int, int, int, int)>("Recorder_Raise");
    return f ? f(host, code, a1, a2, a3, a4) : -12345;
}

}  // namespace vela::test
