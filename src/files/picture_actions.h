#pragma once
// Delete, locate and describe the current picture file, PictureList's entry
// at CurrentIndex. With no current entry each of them does nothing.
#include <windows.h>
#include <shlobj.h>

#include <cstdint>

#include "runtime/text.h"
#include "runtime/unique.h"

namespace vela {

// Asks "<name>\r\n是否删除？" and, on Yes, moves the file to the recycle bin.
// The picture stays shown and the list unchanged; nothing reports the outcome.
void DeleteCurrentPicture();
// One FO_DELETE with FOF_ALLOWUNDO only, so the shell may ask again or report
// a failure itself. True when the call succeeded and was not aborted.
bool MoveFileToRecycleBin(std::string_view path);

void LocateCurrentFile();
// Opens the file's folder in the shell with the file selected, inside a COM
// apartment of the calling thread; the shell's answer, S_FALSE when no
// such file exists.
HRESULT ShowFileInFolder(std::string_view path);

// Shows size, width, height, creation and modification times and file type.
void ShowPictureInformation();

void FreeItemList(ITEMIDLIST* list);
using ItemList = Unique<ITEMIDLIST*, FreeItemList>;
// The shell's item-ID list for an existing path; none when PathFileExistsA
// does not answer 1 or the shell makes no list.
ItemList ItemListOfExistingFile(std::string_view path);

// The size rounded up to whole kilobytes, from the full 64-bit size; -1 when
// the path names no existing file.
std::int64_t FileSizeInKilobytes(std::string_view path);

struct FileTimesText {
    Text creation;
    Text lastWrite;
};
// Local times as "yyyy-MM-dd HH:mm:ss"; both empty when the file cannot be
// opened for reading with read sharing.
FileTimesText FileTimesAsText(std::string_view path);
// A SYSTEMTIME as "yyyy-MM-dd HH:mm:ss".
Text TimeAsText(const SYSTEMTIME& time);

// The shell's type name for the path; empty when it knows none.
Text FileTypeName(std::string_view path);

// The six lines of the information box.
Text PictureInformationText(std::int64_t kilobytes, int width, int height, const FileTimesText& times,
                            std::string_view typeName);

}  // namespace vela
