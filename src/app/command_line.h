#pragma once
#include "runtime/text.h"

namespace vela {

// The last argument of a command line after the program's own path, or the
// empty text. A double quote starts an argument that runs to the next double
// quote (spaces included, quotes dropped); otherwise an argument is a run of
// characters above the space that ends before the next double quote;
// characters at or below the space separate arguments; a GBK lead byte always
// takes the following byte with it.
Text LastCommandLineArgument(std::string_view commandLine);

// LastCommandLineArgument of this process's command line.
Text CommandLinePicturePath();

// path made absolute against the current folder and drive (GetFullPathNameA);
// empty stays empty, and a path the platform cannot resolve is kept as given.
Text FullPathOf(std::string_view path);

}  // namespace vela
