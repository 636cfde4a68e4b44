#include "files/paths.h"

#include <new>

#include "runtime/entry_points.h"
#include "runtime/unique.h"

namespace vela {

Text FolderOfPath(std::string_view path) {
    path = UntilNul(path);
    std::size_t slash = FindLastByte(path, '\\');
    return slash == kNotFound ? Text() : Text(path.substr(0, slash + 1));
}

Text FileNameOfPath(std::string_view path) {
    Text p(UntilNul(path));
    const char* name = api::PathFindFileNameA(p.c_str());
    if (!name) return {};
    Text part(name);
    // PathFindFileNameA gives "pics\" for C:\pics\ ; such a path has no file name.
    if (!part.empty() && FindLastByte(part, '\\') == part.size() - 1) return {};
    return part;
}

Bytes ReadWholeFile(std::string_view path) {
    Text p(UntilNul(path));
    if (p.empty()) return {};
    Unique<HANDLE, CloseHandle> file(
        CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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
