#include "runtime/file_replace.h"

#include <algorithm>

#include "runtime/unique.h"

namespace vela {
namespace {

// GetTempFileNameW's own range: four hexadecimal digits, never 0.
constexpr unsigned kNameNumbers = 0xFFFF;
constexpr std::size_t kLargestWrite = 1u << 24;
// Another program reading the target (a virus scanner, an indexer, an
// editor) holds it open without FILE_SHARE_DELETE for a moment, and the
// replace is refused meanwhile: it is tried again for up to a second
// before the write is given up.
constexpr int kReplaceTries = 50;
constexpr DWORD kReplacePauseMs = 20;

Path NumberedName(PathView folder, PathView prefix, unsigned number) {
    wchar_t digits[8];
    wsprintfW(digits, L"%X", number);
    return Path(folder).append(prefix).append(digits).append(L".tmp");
}

Path FolderPart(PathView path) {
    const std::size_t slash = path.rfind(L'\\');
    return slash == PathView::npos ? Path() : Path(path.substr(0, slash + 1));
}

}  // namespace

bool WriteWholeFile(PathView path, DWORD disposition, ByteView bytes) {
    Unique<HANDLE, CloseHandle> file(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                                 disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min(bytes.size() - done, kLargestWrite));
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

Path NewFileBeside(PathView folder, PathView prefix) {
    // Started where the clock says, like GetTempFileNameW, so that two
    // writers rarely try the same names in turn.
    const unsigned start = GetTickCount() % kNameNumbers;
    for (unsigned i = 0; i < kNameNumbers; ++i) {
        const Path name = NumberedName(folder, prefix, (start + i) % kNameNumbers + 1);
        Unique<HANDLE, CloseHandle> file(CreateFileW(ExtendedLengthPath(name).c_str(), GENERIC_WRITE, 0, nullptr,
                                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return name;
        const DWORD error = GetLastError();
        // Only a name already taken is worth another try.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

bool MoveFileOver(PathView from, PathView to) {
    const Path source = ExtendedLengthPath(from), target = ExtendedLengthPath(to);
    for (int tries = 1;; ++tries) {
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        const bool heldOpen =
            error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
        if (!heldOpen || tries == kReplaceTries) return false;
        Sleep(kReplacePauseMs);
    }
}

bool ReplaceFileWhole(PathView target, PathView prefix, ByteView bytes) {
    const Path temporary = NewFileBeside(FolderPart(target), prefix);
    if (temporary.empty()) return false;
    const bool saved = WriteWholeFile(temporary, TRUNCATE_EXISTING, bytes) && MoveFileOver(temporary, target);
    if (!saved) DeleteFileW(ExtendedLengthPath(temporary).c_str());
    return saved;
}

}  // namespace vela
