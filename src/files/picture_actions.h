#pragma once
// Delete, locate and describe the current picture file, PictureList's entry
// at CurrentIndex. With no current entry each of them does nothing.
#include <windows.h>
#include <shlobj.h>

#include <cstdint>

#include "runtime/platform_path.h"
#include "runtime/text.h"
#include "runtime/unique.h"

namespace vela {

// Asks "<name>\r\n是否删除？" and, on Yes, moves the file to the recycle bin.
// The picture stays shown and the list unchanged; nothing reports the outcome.
void DeleteCurrentPicture();
// One FO_DELETE with FOF_ALLOWUNDO only, so the shell may ask again or report
// a failure itself; a path of MAX_PATH or more is given as its short form
// (ShellPath), and without one the shell is not asked. True when the call
// succeeded and was not aborted.
bool MoveFileToRecycleBin(PathView path);

void LocateCurrentFile();
// Opens the file's folder in the shell with the file selected, inside a COM
// apartment of the calling thread; the shell's answer, S_FALSE when no
// such file exists.
HRESULT ShowFileInFolder(PathView path);

// Shows size, width, height, creation and modification times and file type.
void ShowPictureInformation();

void FreeItemList(ITEMIDLIST* list);
using ItemList = Unique<ITEMIDLIST*, FreeItemList>;
// The shell's item-ID list for an existing path (its ShellPath); none when
// the file is not there or the shell makes no list.
ItemList ItemListOfExistingFile(PathView path);

// The size rounded up to whole kilobytes, from the full 64-bit size; -1 when
// the path names no existing file.
std::int64_t FileSizeInKilobytes(PathView path);

struct FileTimesText {
    Text creation;
    Text lastWrite;
};
// Local times as "yyyy-MM-dd HH:mm:ss"; both empty when the file cannot be
// opened for reading with read sharing.
FileTimesText FileTimesAsText(PathView path);
// A SYSTEMTIME as "yyyy-MM-dd HH:mm:ss".
Text TimeAsText(const SYSTEMTIME& time);

// The shell's type name for the path, as a GBK text (GB18030 for what lies
// outside GBK); empty when it knows none.
Text FileTypeName(PathView path);

// The six lines of the information box.
Text PictureInformationText(std::int64_t kilobytes, int width, int height, const FileTimesText& times,
                            std::string_view typeName);

}  // namespace vela
