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

}  // namespace vela
