#include "files/picture_list.h"

#include <windows.h>

#include <algorithm>

#include "files/paths.h"
#include "files/picture_order.h"
#include "runtime/library_search.h"
#include "runtime/unique.h"

namespace vela {

std::vector<Text> PictureList;
int CurrentIndex = 0;

namespace {

// The extensions of a picture's own file name. ASCII letters compare
// ignoring case (cameras write DSC0001.JPG, which Windows opens through the
// .jpg association); every other byte compares exactly.
constexpr std::string_view kPictureExtensions[] = {".jpg", ".bmp", ".ico", ".png", ".gif", ".webp"};

// Every scan takes the next number; a scan whose number is no longer the
// latest has been overtaken by one started during its message processing.
unsigned scanGeneration = 0;


bool EndsWithBackslash(std::string_view text) {
    // The last character, not the last byte: a GBK trail byte 0x5C is no backslash.
    return !text.empty() && FindLastByte(text, '\\') == text.size() - 1;
}

// Only the file's own name counts: a folder called shots.png holds no
// pictures for it, and x.jpg.png is one PNG, c.gif.bak no picture.
bool HasPictureExtension(std::string_view path) {
    const std::size_t slash = FindLastByte(path, '\\');
    const std::string_view name = slash == kNotFound ? path : path.substr(slash + 1);
    const std::size_t dot = FindLastByte(name, '.');
    if (dot == kNotFound) return false;
    const std::string_view extension = name.substr(dot);
    for (std::string_view known : kPictureExtensions) {
        if (extension.size() == known.size() && FindText(extension, known, 0, true) == 0) return true;
    }
    return false;
}

}  // namespace

bool HasCurrentPicture() {
    return CurrentIndex >= 1 && static_cast<std::size_t>(CurrentIndex) <= PictureList.size();
}

Text CurrentPicturePath() { return HasCurrentPicture() ? PictureList[CurrentIndex - 1] : Text(); }

void ReleasePictureList() {
    std::vector<Text>().swap(PictureList);
    CurrentIndex = 0;
}

std::vector<Text> FindFilesInFolder(std::string_view folder, std::string_view pattern,
                                    const AfterEachEntry& afterEachEntry) {
    std::vector<Text> files;
    Text dir(UntilNul(folder));
    if (!EndsWithBackslash(dir)) dir += '\\';
    WIN32_FIND_DATAA entry;
    Unique<HANDLE, FindClose> search(FindFirstFileA((dir + Text(UntilNul(pattern))).c_str(), &entry));
    if (!search) return files;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        files.push_back(dir + entry.cFileName);
        if (afterEachEntry && !afterEachEntry()) break;
    } while (FindNextFileA(search.Get(), &entry));
    return files;
}

std::vector<Text> FilterPictures(const std::vector<Text>& files) {
    std::vector<Text> pictures;
    for (const Text& file : files) {
        if (HasPictureExtension(file)) pictures.push_back(file);
    }
    return pictures;
}

bool RebuildPictureList(std::string_view path, const std::function<void()>& processMessages) {
    const unsigned mine = ++scanGeneration;
    const Text wanted(UntilNul(path));
    PictureList.clear();
    const Text folder = wanted.empty() ? runtime::ProgramFolder() : FolderOfPath(wanted);
    std::vector<Text> files = FindFilesInFolder(folder, "*.*", [&] {
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

namespace {

// The bytes written to a file opened for writing with no sharing (created,
// or truncated when it exists); false when any step fails.
bool WriteWholeFile(const char* name, DWORD disposition, const Bytes& bytes) {
    Unique<HANDLE, CloseHandle> file(
        CreateFileA(name, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

bool WritePictureFile(std::string_view path, const Bytes& bytes) {
    const Text name(UntilNul(path));
    // No bytes (nothing shown, or no memory to copy them out of the view)
    // are no picture: the target keeps what it holds.
    if (name.empty() || bytes.empty()) return false;
    // The target must take writing with no other handle open, exactly as a
    // truncating open would: a folder, a read-only, hidden or system file or
    // one that another program holds refuses, and keeps its content.
    const DWORD attributes = GetFileAttributesA(name.c_str());
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
    if (existed && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        return false;
    if (!Unique<HANDLE, CloseHandle>(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr)))
        return false;
    // The bytes go to a new file beside the target, which then replaces it:
    // a write that fails half way (a full disk, a share gone) leaves the
    // target as it was rather than cut short, and nothing of the attempt.
    char temporary[MAX_PATH] = {};
    const Text folder = FolderOfPath(name);
    bool saved = false;
    if (GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "vel", 0, temporary)) {
        saved = WriteWholeFile(temporary, TRUNCATE_EXISTING, bytes) &&
                MoveFileExA(temporary, name.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!saved) DeleteFileA(temporary);
    } else if (!existed) {
        // A folder that takes no new file beside the one just made for the
        // target: that file is written where it stands. An existing file is
        // never cut short before its replacement is complete, so it is then
        // not written at all.
        saved = WriteWholeFile(name.c_str(), TRUNCATE_EXISTING, bytes);
    }
    if (!saved && !existed) DeleteFileA(name.c_str());
    return saved;
}

}  // namespace vela
