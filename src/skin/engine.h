#pragma once
// The outside skinned-UI engine, ExuiKrnln.dll: where it is looked for and
// its operations, bound by name from the list in ExuiExports.h. A missing
// export leaves its operation null; a missing CreateControl_WindowEx means
// no engine. PreparePictures is optional: without it each new picture is
// decoded when it is shown.
#include <windows.h>

#include <string>

#include "ExuiExports.h"
#include "runtime/platform_path.h"

namespace vela::skin {

struct Engine : ExuiExports {
    HMODULE module = nullptr;

    bool Present() const { return CreateControl_WindowEx != nullptr; }
};

// The places the loader tries, in order. The defaults are the program's;
// tests point them at their own folders and file name.
struct EngineSearch {
    // The program's own folder (UTF-16: it may lie in a folder whose name
    // the ANSI code page cannot spell); empty: the running executable's.
    Path programFolder;
    std::string fileName = "ExuiKrnln.dll";
    std::string subFolder = "lib\\ExuiKrnln\\";
    // The path files: the first one that opens is read, the second only when
    // the first cannot be opened.
    std::string firstPathFile = "C:\\ExuiKrnln.ini";
    std::string secondPathFile = "D:\\ExuiKrnln.ini";
};

// Finds and loads the library: <program folder>\<file>, <program
// folder>\<sub><file>, <file> through the system search, then the path in
// the path file (its first 255 bytes at most, taken whole; only a full
// path). The current directory is never a place: a picture opened from the
// shell makes the picture's folder the current directory. Null when
// nothing loads.
HMODULE FindEngineLibrary(const EngineSearch& search);

// Loads the engine through the search, looks its operations up, performs the
// start-up handshake and makes it the process's engine. Replaces an earlier
// one (which stays loaded).
const Engine& LoadEngine(const EngineSearch& search);
// EngineLoader: the program's start-up load with the default places; runs
// once, later calls return the engine already loaded.
const Engine& EngineLoader();
// The process's engine; empty (no module, no operations) before any load.
const Engine& CurrentEngine();
// Makes a given library the process's engine (null: no engine).
const Engine& UseEngineModule(HMODULE module);

}  // namespace vela::skin
