#pragma once
// The folder part and the file-name part of a path, and a file read whole.
#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela {

// Up to and including the last backslash (C:\pics\a.jpg -> C:\pics\); empty
// when there is none.
Path FolderOfPath(PathView path);
// The part after the last backslash, extension included; empty when the path
// ends with a backslash.
Path FileNameOfPath(PathView path);
// The file name as the viewer's texts carry it (GBK, a character outside
// GBK as its GB18030 sequence), for the title and the questions.
Text FileNameText(PathView path);
// The whole file, opened for reading with writing by others denied; an empty
// array when it cannot be opened or read. Any length of path.
Bytes ReadWholeFile(PathView path);

}  // namespace vela
