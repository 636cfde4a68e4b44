#pragma once
// The folder part and the file-name part of a path, and a file read whole.
#include "runtime/text.h"

namespace vela {

// Up to and including the last backslash (C:\pics\a.jpg -> C:\pics\); empty
// when there is none. A GBK trail byte 0x5C is not a backslash.
Text FolderOfPath(std::string_view path);
// The part after the last backslash, extension included; empty when the path
// ends with a backslash.
Text FileNameOfPath(std::string_view path);
// The whole file, opened for reading with writing by others denied; an empty
// array when it cannot be opened or read.
Bytes ReadWholeFile(std::string_view path);

}  // namespace vela
