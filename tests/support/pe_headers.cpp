#include "pe_headers.h"

#include <algorithm>
#include <cstring>

namespace vela::test {

PeHeaders ReadPeHeaders(const Bytes& b) {
    PeHeaders pe;
    auto read = [&](std::size_t at, void* out, std::size_t n) {
        if (at > b.size() || n > b.size() - at) return false;
        std::memcpy(out, &b[at], n);
        return true;
    };
    LONG ntAt = 0;
    if (!read(0x3C, &ntAt, sizeof ntAt) || ntAt <= 0 || !read(ntAt, &pe.nt, sizeof pe.nt)) return pe;
    if (pe.nt.Signature != IMAGE_NT_SIGNATURE) return pe;
    const std::size_t sectionsAt =
        ntAt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + pe.nt.FileHeader.SizeOfOptionalHeader;
    pe.sections.resize(pe.nt.FileHeader.NumberOfSections);
    for (std::size_t i = 0; i < pe.sections.size(); ++i)
        if (!read(sectionsAt + i * sizeof(IMAGE_SECTION_HEADER), &pe.sections[i], sizeof(IMAGE_SECTION_HEADER)))
            return pe;
    pe.ok = true;
    return pe;
}

std::size_t FileOffsetOf(const PeHeaders& pe, DWORD rva, std::size_t size) {
    for (const IMAGE_SECTION_HEADER& s : pe.sections)
        if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
            return rva - s.VirtualAddress + s.PointerToRawData;
    return size;
}

}  // namespace vela::test
