#include "runtime/platform_path.h"

#include <windows.h>

namespace vela {
namespace {

constexpr std::wstring_view kExtendedPrefix = L"\\\\?\\";
constexpr std::wstring_view kExtendedNetworkPrefix = L"\\\\?\\UNC\\";

bool IsDrivePath(PathView path) {
    return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && path[2] == L'\\';
}

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool IsNetworkPath(PathView path) { return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?'; }

}  // namespace

Path ExtendedLengthPath(PathView path) {
    if (path.size() < MAX_PATH) return Path(path);
    if (IsDrivePath(path)) return Path(kExtendedPrefix).append(path);
    if (IsNetworkPath(path)) return Path(kExtendedNetworkPrefix).append(path.substr(2));
    return Path(path);
}

bool SameIgnoringAsciiCase(PathView a, PathView b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

Path ShellPath(PathView path) {
    if (path.size() < MAX_PATH) return Path(path);
    const Path extended = ExtendedLengthPath(path);
    const DWORD needed = GetShortPathNameW(extended.c_str(), nullptr, 0);
    if (needed == 0) return {};
    Path shortPath(needed, L'\0');
    const DWORD n = GetShortPathNameW(extended.c_str(), shortPath.data(), needed);
    if (n == 0 || n >= needed) return {};
    shortPath.resize(n);
    // Back to the plain form the shell parses.
    PathView plain = shortPath;
    Path result;
    if (plain.starts_with(kExtendedNetworkPrefix)) {
        result = L"\\\\" + Path(plain.substr(kExtendedNetworkPrefix.size()));
    } else if (plain.starts_with(kExtendedPrefix)) {
        result = Path(plain.substr(kExtendedPrefix.size()));
    } else {
        result = Path(plain);
    }
    return result.size() < MAX_PATH ? result : Path();
}

}  // namespace vela
