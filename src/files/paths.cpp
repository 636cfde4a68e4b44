#include "files/paths.h"

#include <new>

#include "runtime/entry_points.h"
#include "runtime/unique.h"

namespace vela {

namespace {

PathView UntilNul(PathView path) { return path.substr(0, path.find(L'\0')); }

}  // namespace

Path FolderOfPath(PathView path) {
    path = UntilNul(path);
    const std::size_t slash = path.rfind(L'\\');
    return slash == PathView::npos ? Path() : Path(path.substr(0, slash + 1));
}

Path FileNameOfPath(PathView path) {
    const Path p(UntilNul(path));
    const wchar_t* name = api::PathFindFileNameW(p.c_str());
    if (!name) return {};
    Path part(name);
    // PathFindFileNameW gives "pics\" for C:\pics\ ; such a path has no file name.
    if (!part.empty() && part.back() == L'\\') return {};
    return part;
}

Text FileNameText(PathView path) { return Gb18030FromWide(FileNameOfPath(path)); }

Bytes ReadWholeFile(PathView path) {
    const Path p(UntilNul(path));
    if (p.empty()) return {};
    Unique<HANDLE, CloseHandle> file(CreateFileW(ExtendedLengthPath(p).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    LARGE_INTEGER size{};
    // One read of at most 2 GiB less one byte; larger files are not pictures
    // this 32-bit program could hold.
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFE) return {};
    Bytes bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return {};  // too large for this process: treated like an unreadable file
    }
    if (bytes.empty()) return {};
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        return {};
    }
    return bytes;
}

}  // namespace vela
