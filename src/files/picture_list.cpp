#include "files/picture_list.h"

#include <windows.h>

#include <algorithm>

#include "files/paths.h"
#include "files/picture_order.h"
#include "runtime/file_replace.h"
#include "runtime/library_search.h"
#include "runtime/unique.h"

namespace vela {

std::vector<Path> PictureList;
int CurrentIndex = 0;

namespace {

// The extensions of a picture's own file name. ASCII letters compare
// ignoring case (cameras write DSC0001.JPG, which Windows opens through the
// .jpg association); every other character compares exactly.
constexpr std::wstring_view kPictureExtensions[] = {L".jpg", L".bmp", L".ico", L".png", L".gif", L".webp",
                                                    L".heic", L".heif", L".avif", L".jxl"};

// Every scan takes the next number; a scan whose number is no longer the
// latest has been overtaken by one started during its message processing.
unsigned scanGeneration = 0;

// The new file a save writes before it replaces its target.
constexpr std::wstring_view kTemporaryPrefix = L"vel";

PathView UntilNul(PathView path) { return path.substr(0, path.find(L'\0')); }

// Only the file's own name counts: a folder called shots.png holds no
// pictures for it, and x.jpg.png is one PNG, c.gif.bak no picture.
bool HasPictureExtension(PathView path) {
    const std::size_t slash = path.rfind(L'\\');
    const PathView name = slash == PathView::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot == PathView::npos) return false;
    const PathView extension = name.substr(dot);
    for (PathView known : kPictureExtensions) {
        if (SameIgnoringAsciiCase(extension, known)) return true;
    }
    return false;
}

}  // namespace

bool HasCurrentPicture() {
    return CurrentIndex >= 1 && static_cast<std::size_t>(CurrentIndex) <= PictureList.size();
}

Path CurrentPicturePath() { return HasCurrentPicture() ? PictureList[CurrentIndex - 1] : Path(); }

void ReleasePictureList() {
    std::vector<Path>().swap(PictureList);
    CurrentIndex = 0;
}

std::vector<Path> FindFilesInFolder(PathView folder, PathView pattern, const AfterEachEntry& afterEachEntry) {
    std::vector<Path> files;
    Path dir(UntilNul(folder));
    if (dir.empty() || dir.back() != L'\\') dir += L'\\';
    WIN32_FIND_DATAW entry;
    Unique<HANDLE, FindClose> search(FindFirstFileW(ExtendedLengthPath(dir + Path(UntilNul(pattern))).c_str(), &entry));
    if (!search) return files;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        files.push_back(dir + entry.cFileName);
        if (afterEachEntry && !afterEachEntry()) break;
    } while (FindNextFileW(search.Get(), &entry));
    return files;
}

std::vector<Path> FilterPictures(const std::vector<Path>& files) {
    std::vector<Path> pictures;
    for (const Path& file : files) {
        if (HasPictureExtension(file)) pictures.push_back(file);
    }
    return pictures;
}

bool RebuildPictureList(PathView path, const std::function<void()>& processMessages) {
    const unsigned mine = ++scanGeneration;
    const Path wanted(UntilNul(path));
    PictureList.clear();
    const Path folder = wanted.empty() ? runtime::ProgramFolder() : FolderOfPath(wanted);
    std::vector<Path> files = FindFilesInFolder(folder, L"*.*", [&] {
        if (processMessages) processMessages();
        return scanGeneration == mine;
    });
    if (scanGeneration != mine) return false;
    PictureList = FilterPictures(files);
    // The order Explorer shows by name, whatever order the file system gave.
    SortInExplorerOrder(PictureList);
    if (wanted.empty()) {
        CurrentIndex = 1;
        return true;
    }
    // The entry that names the very file opened. An entry merely containing
    // the path (x.jpg.png for x.jpg, \a.jpg for a bare a.jpg) is another
    // file, and no entry at all is better than a wrong one.
    CurrentIndex = 0;
    for (std::size_t i = 0; i < PictureList.size(); ++i) {
        if (PictureList[i] == wanted) CurrentIndex = static_cast<int>(i + 1);
    }
    return true;
}

int PreviousIndex(int current, int count) { return (current > 1 && current <= count) ? current - 1 : 0; }

int NextIndex(int current, int count) { return (current >= 0 && current < count) ? current + 1 : 0; }

bool WritePictureFile(PathView path, const Bytes& bytes) {
    const Path name(UntilNul(path));
    const Path platformName = ExtendedLengthPath(name);
    // No bytes (nothing shown, or no memory to copy them out of the view)
    // are no picture: the target keeps what it holds.
    if (name.empty() || bytes.empty()) return false;
    // The target must take writing with no other handle open, exactly as a
    // truncating open would: a folder, a read-only, hidden or system file or
    // one that another program holds refuses, and keeps its content.
    const DWORD attributes = GetFileAttributesW(platformName.c_str());
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
    if (existed && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        return false;
    if (!Unique<HANDLE, CloseHandle>(CreateFileW(platformName.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr)))
        return false;
    // The bytes go to a new file beside the target, which then replaces it:
    // a write that fails half way (a full disk, a share gone) leaves the
    // target as it was rather than cut short, and nothing of the attempt.
    const Path temporary = NewFileBeside(FolderOfPath(name), kTemporaryPrefix);
    bool saved = false;
    if (!temporary.empty()) {
        saved = WriteWholeFile(temporary, TRUNCATE_EXISTING, bytes) && MoveFileOver(temporary, name);
        if (!saved) DeleteFileW(ExtendedLengthPath(temporary).c_str());
    } else if (!existed) {
        // A folder that takes no new file beside the one just made for the
        // target: that file is written where it stands. An existing file is
        // never cut short before its replacement is complete, so it is then
        // not written at all.
        saved = WriteWholeFile(name, TRUNCATE_EXISTING, bytes);
    }
    if (!saved && !existed) DeleteFileW(platformName.c_str());
    return saved;
}

}  // namespace vela
