#pragma once
// Texts are GBK (code page 936) byte strings; byte arrays carry pictures.
// Searches step over double-byte characters as units, so a match never starts
// on the trail byte of a character (a trail byte 0x5C is never a backslash).
#include <windows.h>
// commdlg.h maps FindText to FindTextA; this header's FindText is ours.
#undef FindText

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The GBK texts extended to GB18030: a character outside GBK travels as its
// four-byte sequence, a GBK text is the same bytes. Shared with the engine.
#include "text/gb18030.h"

namespace vela {

using Text = std::string;
using Bytes = std::vector<unsigned char>;
// Bytes read where they lie, for a call that only reads them.
using ByteView = std::span<const unsigned char>;
inline constexpr std::size_t kNotFound = std::string::npos;
inline constexpr unsigned kCodePageGbk = 936;

// A lead byte takes the following byte with it (when there is one). GBK's
// lead bytes are 0x81..0xFE; 0x80 and 0xFF stand alone, so a backslash
// after them still divides a path.
inline bool IsLeadByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

// Offset of the first occurrence of needle in text at or after byte offset
// from (which should be a character boundary), or kNotFound. With
// ignoreAsciiCase, A-Z and a-z compare equal; other bytes compare exactly.
// An empty needle is found at from while from < text.size().
std::size_t FindText(std::string_view text, std::string_view needle, std::size_t from = 0,
                     bool ignoreAsciiCase = false);
inline bool ContainsText(std::string_view text, std::string_view needle) {
    return FindText(text, needle) != kNotFound;
}
// Offset of the last character that is the single byte b, or kNotFound.
std::size_t FindLastByte(std::string_view text, char b);
// The text as the platform reads it: the bytes up to the first NUL (all if
// none). A fixed buffer is read no further than its capacity.
inline std::string_view UntilNul(std::string_view s) { return s.substr(0, s.find('\0')); }
inline std::string_view UntilNul(const char* buffer, std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity && buffer[n] != '\0') ++n;
    return {buffer, n};
}
// Byte-wise, case-sensitive equality of two texts, each ending at its first NUL.
bool SameText(std::string_view a, std::string_view b);
// The text held by a byte array: its bytes up to the first NUL (all if none).
Text TextOfBytes(ByteView bytes);

using text::Gb18030FromWide;
using text::WideFromGb18030;

// Code page 936 named explicitly, never the system's ANSI code page.
std::wstring WideFromGbk(std::string_view text);
Text GbkFromWide(std::wstring_view text);

}  // namespace vela
