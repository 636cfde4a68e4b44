// Both binaries may use addresses above 2 GiB: a 32-bit viewer on 64-bit
// Windows then has 4 GiB for large pictures.
#include <gtest/gtest.h>

#include <windows.h>

#include "pe_headers.h"
#include "test_support.h"

using namespace vela::test;

namespace {

// The file header's characteristics of a PE file, or -1 when unreadable.
int Characteristics(const std::string& path) {
    const PeHeaders pe = ReadPeHeaders(ReadBytes(path));
    return pe.ok ? pe.nt.FileHeader.Characteristics : -1;
}

}  // namespace

TEST(LargeAddressAware, BothBinariesAreMarked) {
    for (const char* name : {"VelaViewer.exe", "ExuiKrnln.dll"}) {
        SCOPED_TRACE(name);
        const int flags = Characteristics(ProgramFolder() + "\\" + name);
        ASSERT_GE(flags, 0);
        EXPECT_NE(flags & IMAGE_FILE_LARGE_ADDRESS_AWARE, 0);
        // Sanity of the reading: both are 32-bit images.
        EXPECT_NE(flags & IMAGE_FILE_32BIT_MACHINE, 0);
    }
}
