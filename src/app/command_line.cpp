#include "app/command_line.h"

#include <windows.h>

namespace vela {
namespace {

bool IsSeparator(wchar_t c) { return c <= L' '; }

// Reads one argument starting at i (not at a separator); returns its end.
// A surrogate pair is never a separator or a quote: it stays whole.
std::size_t ReadArgument(PathView s, std::size_t i, Path* argument) {
    argument->clear();
    if (s[i] == L'"') {
        const std::size_t start = ++i;
        while (i < s.size() && s[i] != L'"') ++i;
        argument->assign(s.substr(start, i - start));
        return i < s.size() ? i + 1 : s.size();  // an unbalanced quote runs to the end
    }
    const std::size_t start = i;
    while (i < s.size() && !IsSeparator(s[i]) && s[i] != L'"') ++i;
    argument->assign(s.substr(start, i - start));
    return i;
}

}  // namespace

Path LastCommandLineArgument(PathView s) {
    s = s.substr(0, s.find(L'\0'));
    std::size_t i = 0;
    Path argument;
    while (i < s.size() && IsSeparator(s[i])) ++i;
    if (i < s.size()) i = ReadArgument(s, i, &argument);  // the program's own path
    Path last;
    while (i < s.size()) {
        if (IsSeparator(s[i])) {
            ++i;
            continue;
        }
        i = ReadArgument(s, i, &argument);
        last = argument;
    }
    return last;
}

Path CommandLinePicturePath() { return LastCommandLineArgument(GetCommandLineW()); }

Path FullPathOf(PathView path) {
    const Path given(path.substr(0, path.find(L'\0')));
    if (given.empty()) return given;
    Path full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return given;
        if (n < full.size()) {
            full.resize(n);
            return full;
        }
        full.resize(n);  // n counts the terminating NUL when the buffer was short
    }
}

}  // namespace vela
