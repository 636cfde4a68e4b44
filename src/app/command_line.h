#pragma once
#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela {

// The last argument of a command line after the program's own path, or the
// empty text. A double quote starts an argument that runs to the next double
// quote (spaces included, quotes dropped); otherwise an argument is a run of
// characters above the space that ends before the next double quote;
// characters at or below the space separate arguments. The line is UTF-16,
// so every name arrives whole, whatever the system's code page.
Path LastCommandLineArgument(PathView commandLine);

// LastCommandLineArgument of this process's command line (GetCommandLineW).
Path CommandLinePicturePath();

// path made absolute against the current folder and drive (GetFullPathNameW,
// of any length); empty stays empty, and a path the platform cannot resolve
// is kept as given.
Path FullPathOf(PathView path);

}  // namespace vela
