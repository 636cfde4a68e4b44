// The shipped binaries start on the oldest Windows the build targets
// (Windows 7): neither imports a function that only later systems export.
// Such functions are bound by name at run time, with a fallback.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "pe_headers.h"
#include "test_support.h"

using namespace vela;

namespace {

// Functions of Windows 8 and later that a MinGW build can pull in through
// its headers or runtime, or that this code base has had reason to use.
const char* const kNewerThanWindows7[] = {
    "GetSystemTimePreciseAsFileTime", "SetDefaultDllDirectories", "AddDllDirectory", "RemoveDllDirectory",
    "GetDpiForWindow", "GetDpiForSystem", "GetDpiForMonitor", "SetThreadDpiAwarenessContext",
    "SetProcessDpiAwarenessContext", "SetProcessDpiAwareness", "GetCurrentPackageId", "GetCurrentPackageFullName",
    "CreateFile2", "GetSystemMetricsForDpi", "AdjustWindowRectExForDpi", "EnableNonClientDpiScaling",
    "WaitOnAddress", "WakeByAddressSingle", "WakeByAddressAll", "PrefetchVirtualMemory",
    "GetOverlappedResultEx", "SetThreadDescription", "GetThreadDescription", "CreateFileMappingFromApp",
    "MapViewOfFileFromApp", "VirtualAllocFromApp", "GetFirmwareType", "IsWindows8OrGreater",
    "InitializeSynchronizationBarrier", "EnterSynchronizationBarrier",
};

// The names a PE file imports, read from its import directory (by name;
// ordinal imports have none).
std::set<std::string> ImportedNames(const Bytes& b) {
    std::set<std::string> names;
    auto read = [&](std::size_t at, void* out, std::size_t n) {
        if (at + n > b.size()) return false;
        std::memcpy(out, &b[at], n);
        return true;
    };
    const test::PeHeaders pe = test::ReadPeHeaders(b);
    if (!pe.ok) return names;
    auto offset = [&](DWORD rva) { return test::FileOffsetOf(pe, rva, b.size()); };
    const IMAGE_DATA_DIRECTORY& directory = pe.nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (std::size_t at = offset(directory.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR library;
        if (!read(at, &library, sizeof library) || library.Name == 0) break;
        const DWORD thunks = library.OriginalFirstThunk ? library.OriginalFirstThunk : library.FirstThunk;
        for (std::size_t t = offset(thunks);; t += sizeof(DWORD)) {
            DWORD entry = 0;
            if (!read(t, &entry, sizeof entry) || entry == 0) break;
            if (entry & IMAGE_ORDINAL_FLAG32) continue;
            const std::size_t nameAt = offset(entry) + sizeof(WORD);  // past the hint
            if (nameAt >= b.size()) break;
            names.insert(std::string(reinterpret_cast<const char*>(&b[nameAt]), strnlen(reinterpret_cast<const char*>(&b[nameAt]), b.size() - nameAt)));
        }
    }
    return names;
}

}  // namespace

TEST(Imports, ShippedBinariesImportNothingNewerThanWindows7) {
    for (const char* file : {"VelaViewer.exe", "ExuiKrnln.dll"}) {
        SCOPED_TRACE(file);
        const std::set<std::string> imported = ImportedNames(test::ReadBytes(test::ProgramFolder() + "\\" + file));
        // The reader finds what every such program imports.
        ASSERT_TRUE(imported.count("GetProcAddress") && imported.count("LoadLibraryA")) << imported.size();
        for (const char* newer : kNewerThanWindows7) EXPECT_EQ(imported.count(newer), 0u) << newer;
    }
}
