#include "app/command_line.h"

#include <windows.h>

namespace vela {
namespace {

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Steps over one character: two bytes for a lead byte with a follower.
std::size_t Next(std::string_view s, std::size_t i) {
    return (IsLeadByte(s[i]) && i + 1 < s.size()) ? i + 2 : i + 1;
}

// Reads one argument starting at i (not at a separator); returns its end.
std::size_t ReadArgument(std::string_view s, std::size_t i, Text* argument) {
    argument->clear();
    if (s[i] == '"') {
        std::size_t start = ++i;
        while (i < s.size() && s[i] != '"') i = Next(s, i);
        argument->assign(s.substr(start, std::min(i, s.size()) - start));
        return i < s.size() ? i + 1 : s.size();  // an unbalanced quote runs to the end
    }
    std::size_t start = i;
    while (i < s.size() && !IsSeparator(s[i]) && s[i] != '"') i = Next(s, i);
    i = std::min(i, s.size());
    argument->assign(s.substr(start, i - start));
    return i;
}

}  // namespace

Text LastCommandLineArgument(std::string_view s) {
    s = UntilNul(s);
    std::size_t i = 0;
    Text argument;
    while (i < s.size() && IsSeparator(s[i])) ++i;
    if (i < s.size()) i = ReadArgument(s, i, &argument);  // the program's own path
    Text last;
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

Text CommandLinePicturePath() { return LastCommandLineArgument(GetCommandLineA()); }

Text FullPathOf(std::string_view path) {
    const Text given(UntilNul(path));
    if (given.empty()) return given;
    Text full(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetFullPathNameA(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return given;
        if (n < full.size()) {
            full.resize(n);
            return full;
        }
        full.resize(n);  // n counts the terminating NUL when the buffer was short
    }
}

}  // namespace vela
