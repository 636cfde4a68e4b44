#pragma once
// The headers of a 32-bit PE file (an .exe or .dll of the build), read
// from its bytes for the tests that look at what a binary holds.
#include <windows.h>

#include <cstddef>
#include <vector>

#include "runtime/text.h"

namespace vela::test {

struct PeHeaders {
    bool ok = false;  // false when the bytes hold no whole PE header and section table
    IMAGE_NT_HEADERS32 nt{};
    std::vector<IMAGE_SECTION_HEADER> sections;
};
PeHeaders ReadPeHeaders(const Bytes& file);

// The file offset of a relative virtual address, or `size` (past the end of
// the file) when no section holds it.
std::size_t FileOffsetOf(const PeHeaders& pe, DWORD rva, std::size_t size);

}  // namespace vela::test
