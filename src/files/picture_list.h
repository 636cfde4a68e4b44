#pragma once
// The pictures of the folder of the picture being shown, and which of them
// is current. The list is a snapshot taken when a picture is opened: the
// folder's files in Explorer's order by name whose own name ends in one of
// ".jpg", ".bmp", ".ico", ".png", ".gif", ".webp", ".heic", ".heif", ".avif",
// ".jxl" (ASCII letters in either case),
// each once. Paths are UTF-16, of any length.
#include <functional>
#include <vector>

#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela {

// Full paths, numbered from 1 in meaning (PictureList[CurrentIndex - 1]).
extern std::vector<Path> PictureList;
// 0 when no entry is current: nothing scanned yet, or the opened file is
// not among the entries (photo.JPG, a cursor file).
extern int CurrentIndex;

// 1 <= CurrentIndex <= number of entries.
bool HasCurrentPicture();
// The current entry, or empty text when there is none.
Path CurrentPicturePath();
// For the exit routine: the entries and the list go, no entry is current.
void ReleasePictureList();

// Called after each file found; returning false ends the enumeration early.
using AfterEachEntry = std::function<bool()>;

// The files (not folders) of a folder matching a pattern, as folder + "\" +
// name, in the order the file system gives them. A missing folder gives an
// empty list.
std::vector<Path> FindFilesInFolder(PathView folder, PathView pattern, const AfterEachEntry& afterEachEntry);
// The picture entries of a raw listing, in its order.
std::vector<Path> FilterPictures(const std::vector<Path>& files);

// Rebuilds PictureList from the folder of path (the program's folder for an
// empty path), in Explorer's order by name, and sets CurrentIndex: the
// entry equal to path, 0 when there is none, 1 for an empty path. processMessages runs after each file
// found. When another scan starts meanwhile (from inside processMessages),
// the newer one wins: this one stops and leaves the list and CurrentIndex
// alone, and returns false.
bool RebuildPictureList(PathView path, const std::function<void()>& processMessages);

// The number to step to from current in a list of count entries, or 0 when
// the step does nothing (no wrap-around; from no entry, next is the first).
int PreviousIndex(int current, int count);
int NextIndex(int current, int count);

// The bytes written unchanged to path, created or replaced whole; false (and
// nothing reported) when there are no bytes, when the target refuses writing (a folder, a read-only,
// hidden or system file, a file open elsewhere) or a write fails, and then
// an existing target keeps its content and no new or partial file is left.
bool WritePictureFile(PathView path, const Bytes& bytes);

}  // namespace vela
