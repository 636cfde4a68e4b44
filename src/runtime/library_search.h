#pragma once
// Where the process looks for libraries. A picture opened from the shell
// starts the viewer with the picture's folder as its current directory, so
// that folder is never a place to load code from: the program's own folder
// and the system's folders are.
#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela::runtime {

// Takes the current directory out of the process's library search. Runs
// first thing at start, before any library is loaded by name: on systems
// that have SetDefaultDllDirectories the search becomes the program's
// folder and the system folders; elsewhere SetDllDirectoryA("") drops the
// current directory from the classic search order.
void KeepCurrentDirectoryOutOfLibrarySearch();

// The running executable's full path; empty when the system cannot say.
Path ModulePath();
// The folder of the running executable, without a trailing backslash;
// empty when the system cannot say.
Path ProgramFolder();

}  // namespace vela::runtime
