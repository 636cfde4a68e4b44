#include "runtime/text.h"

#include <windows.h>

#include <algorithm>

namespace vela {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool MatchesAt(std::string_view text, std::size_t at, std::string_view needle, bool ignoreAsciiCase) {
    if (text.size() - at < needle.size()) return false;
    for (std::size_t i = 0; i < needle.size(); ++i) {
        char a = text[at + i], b = needle[i];
        if (ignoreAsciiCase ? FoldAscii(a) != FoldAscii(b) : a != b) return false;
    }
    return true;
}

}  // namespace

std::size_t FindText(std::string_view text, std::string_view needle, std::size_t from, bool ignoreAsciiCase) {
    for (std::size_t i = from; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1) {
        if (MatchesAt(text, i, needle, ignoreAsciiCase)) return i;
    }
    return kNotFound;
}

std::size_t FindLastByte(std::string_view text, char b) {
    std::size_t found = kNotFound;
    for (std::size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1) {
        if (text[i] == b) found = i;
    }
    return found;
}

bool SameText(std::string_view a, std::string_view b) { return UntilNul(a) == UntilNul(b); }

Text TextOfBytes(ByteView bytes) {
    auto end = std::find(bytes.begin(), bytes.end(), 0);
    return Text(bytes.begin(), end);
}

std::wstring WideFromGbk(std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(kCodePageGbk, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(kCodePageGbk, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

Text GbkFromWide(std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(kCodePageGbk, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0) return {};
    Text out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(kCodePageGbk, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace vela
