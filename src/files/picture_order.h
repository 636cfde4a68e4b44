#pragma once
// The order of the folder's pictures, and an entry leaving the list. Kept
// apart from the enumeration and the matching of names: applied to the list
// they make.
#include <vector>

#include "runtime/platform_path.h"

namespace vela {

// Sorts full paths by their file names as Explorer orders them by name:
// StrCmpLogicalW on the UTF-16 names (digits compare as numbers,
// so img2.jpg comes before img10.jpg; letters ignore case). Entries with
// equal names keep their order. Whatever order the file system enumerates
// in (FAT32 and exFAT in directory order, a share as its server likes), the
// list comes out the same.
void SortInExplorerOrder(std::vector<Path>& paths);

// Every entry equal to path leaves the list. Returns the number (1-based) of
// the entry to show instead of current: the one that followed it, the new
// last one when it was at the end, 0 when the list is empty. An entry other
// than path stays current (its number moves up past removed ones).
int RemoveEntry(std::vector<Path>& paths, int current, const Path& path);

}  // namespace vela
