#pragma once
// A file written whole, and a new empty file beside another: the pieces of
// a replacement that never leaves its target cut short.
#include <windows.h>

#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela {

// The bytes written to a file opened for writing with no sharing (created,
// or truncated when it exists, as disposition says); false when any step
// fails. Any length of path.
bool WriteWholeFile(PathView path, DWORD disposition, ByteView bytes);

// A new, empty file in folder (which ends with a backslash, or is empty for
// the current folder) named as GetTempFileNameW names its files
// (<prefix><hex>.tmp), made here so that a folder of any length takes one;
// empty when none could be made.
Path NewFileBeside(PathView folder, PathView prefix);

// The file `from` moved over `to` (MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH), tried again for up to a second while another
// program holds `to` open without letting it be replaced.
bool MoveFileOver(PathView from, PathView to);

// bytes written to a new file beside target, which then replaces target
// (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH); a failure at any
// step leaves target as it was and no new file behind.
bool ReplaceFileWhole(PathView target, PathView prefix, ByteView bytes);

}  // namespace vela
