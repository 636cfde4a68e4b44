#include "files/picture_actions.h"

#include <cstring>
#include <iterator>

#include "view/picture_state.h"
#include "files/paths.h"
#include "files/picture_list.h"
#include "runtime/entry_points.h"
#include "runtime/message_box.h"
#include "util/com_initialization.h"

namespace vela {
namespace {

void CloseFileHandle(HANDLE handle) { api::CloseHandle(handle); }
using FileHandle = Unique<HANDLE, CloseFileHandle>;

// The shell expands wildcards in a delete list: a name holding one would
// delete other files.
bool HasWildcard(PathView path) { return path.find_first_of(L"*?") != PathView::npos; }

Text Formatted(const SYSTEMTIME& time, bool date) {
    char buffer[255] = "";
    int n = date ? api::GetDateFormatA(0, 0, &time, "yyyy-MM-dd", buffer, sizeof buffer)
                 : api::GetTimeFormatA(0, 0, &time, "HH:mm:ss", buffer, sizeof buffer);
    return n > 0 ? Text(buffer) : Text();
}

Text LocalTimeText(const FILETIME& utc) {
    FILETIME local{};
    SYSTEMTIME time{};
    if (!api::FileTimeToLocalFileTime(&utc, &local) || !api::FileTimeToSystemTime(&local, &time)) return {};
    return TimeAsText(time);
}

}  // namespace

void DeleteCurrentPicture() {
    if (!HasCurrentPicture()) return;
    const Path path = CurrentPicturePath();
    const Text question = FileNameText(path) + "\r\n是否删除？";
    if (runtime::ShowMessageBox(question, "是否删除文件？", MB_YESNO) != IDYES) return;
    MoveFileToRecycleBin(path);
}

bool MoveFileToRecycleBin(PathView path) {
    if (path.empty() || HasWildcard(path)) return false;
    // A list of one name, closed by an empty name.
    Path list = ShellPath(path);
    if (list.empty()) return false;
    list.append(2, L'\0');
    SHFILEOPSTRUCTW op{};
    op.hwnd = nullptr;
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.pTo = nullptr;
    op.fFlags = FOF_ALLOWUNDO;
    return api::SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

void LocateCurrentFile() {
    if (!HasCurrentPicture()) return;
    ShowFileInFolder(CurrentPicturePath());
}

void FreeItemList(ITEMIDLIST* list) { api::ILFree(list); }

ItemList ItemListOfExistingFile(PathView path) {
    if (path.empty() || GetFileAttributesW(ExtendedLengthPath(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        return ItemList();
    const Path shellPath = ShellPath(path);
    if (shellPath.empty()) return ItemList();
    return ItemList(api::ILCreateFromPathW(shellPath.c_str()));
}

HRESULT ShowFileInFolder(PathView path) {
    ItemList list = ItemListOfExistingFile(path);
    if (!list) return S_FALSE;
    // The shell reaches its folder windows through COM, which the calling
    // thread must have entered; the window thread has not otherwise.
    const ComInitialization com;
    // A count of 0 selects the item the list names itself.
    return api::SHOpenFolderAndSelectItems(list.Get(), 0, nullptr, 0);
}

void ShowPictureInformation() {
    if (!HasCurrentPicture()) return;
    const Path path = CurrentPicturePath();
    const FileTimesText times = FileTimesAsText(path);
    const std::int64_t size = FileSizeInKilobytes(path);
    const Text type = FileTypeName(path);
    runtime::ShowMessageBox(PictureInformationText(size, PictureWidth, PictureHeight, times, type), "图片信息",
                            MB_OK);
}

std::int64_t FileSizeInKilobytes(PathView path) {
    // Asked of the path itself: a search would take * and ? in a name as
    // wildcards and describe whichever file matched first.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!api::GetFileAttributesExW(ExtendedLengthPath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    // The whole 64-bit size: a file of 2 GiB or more keeps its true figure.
    const std::uint64_t bytes = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return static_cast<std::int64_t>(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0));
}

Text TimeAsText(const SYSTEMTIME& time) { return Formatted(time, true) + " " + Formatted(time, false); }

FileTimesText FileTimesAsText(PathView path) {
    FileHandle file(api::CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    FILETIME creation{}, access{}, write{};
    if (!api::GetFileTime(file.Get(), &creation, &access, &write)) return {};
    return {LocalTimeText(creation), LocalTimeText(write)};
}

Text FileTypeName(PathView path) {
    // The type comes from the name's extension; a path too long for the
    // shell and without a short form is asked by its file name alone, with
    // SHGFI_USEFILEATTRIBUTES so that the shell does not look for it.
    const Path shellPath = ShellPath(path);
    const Path asked = shellPath.empty() ? FileNameOfPath(path) : shellPath;
    const UINT flags = SHGFI_TYPENAME | (shellPath.empty() ? SHGFI_USEFILEATTRIBUTES : 0);
    SHFILEINFOW info{};
    {
        const ComInitialization com;
        api::SHGetFileInfoW(asked.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags);
    }
    const std::wstring_view name(info.szTypeName, std::size(info.szTypeName));
    return Gb18030FromWide(name.substr(0, name.find(L'\0')));
}

Text PictureInformationText(std::int64_t kilobytes, int width, int height, const FileTimesText& times,
                            std::string_view typeName) {
    Text text = "文件大小：";
    text += std::to_string(kilobytes);
    text += "kb\r\n图片宽度：";
    text += std::to_string(width);
    text += "\r\n图片高度：";
    text += std::to_string(height);
    text += "\r\n创建时间：";
    text += times.creation;
    text += "\r\n修改时间：";
    text += times.lastWrite;
    text += "\r\n文件类型：";
    text += typeName;
    return text;
}

}  // namespace vela
