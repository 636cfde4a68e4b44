// The release zip as a Windows user takes it: unpacked into a fresh folder
// (tests/tools/run_in_package.sh), it holds exactly the program, the engine,
// the third-party notices and the read-me; both binaries are stripped and
// carry the project's version; and the program runs from there, showing a
// HEIC through the DLLs beside the engine.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "native_command.h"
#include "pe_headers.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {

std::string PackageFolder() {
    char folder[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("VELA_PACKAGE_FOLDER", folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(folder, n) : std::string();
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring VersionText(const std::string& file, const wchar_t* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (!size) return L"<no version>";
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return L"<unreadable>";
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(block.data(), key.c_str(), &value, &length) || !length) return L"<missing>";
    return static_cast<const wchar_t*>(value);
}

// A stripped PE file: no COFF symbols and no debug sections. Section names
// longer than eight bytes ("/4") point into the string table that follows
// the symbols, which stays for them (.eh_frame is one).
std::string DebugLeftIn(const std::string& file) {
    const vela::Bytes b = ReadBytes(file);
    const PeHeaders pe = ReadPeHeaders(b);
    if (!pe.ok) return "no PE header";
    std::string left;
    if (pe.nt.FileHeader.NumberOfSymbols) left += "symbols ";
    const std::size_t strings = pe.nt.FileHeader.PointerToSymbolTable + pe.nt.FileHeader.NumberOfSymbols * 18u;
    for (const IMAGE_SECTION_HEADER& s : pe.sections) {
        std::string name(reinterpret_cast<const char*>(s.Name), strnlen(reinterpret_cast<const char*>(s.Name), 8));
        if (name[0] == '/') {
            const std::size_t at = strings + std::strtoul(name.c_str() + 1, nullptr, 10);
            name = at < b.size() ? std::string(reinterpret_cast<const char*>(&b[at]), strnlen(reinterpret_cast<const char*>(&b[at]), b.size() - at)) : "?";
        }
        if (name.rfind(".debug", 0) == 0) left += name + " ";
    }
    return left;
}

}  // namespace

TEST(PackageE2E, HoldsExactlyWhatShips) {
    const std::string folder = PackageFolder();
    ASSERT_FALSE(folder.empty()) << "run through tests/tools/run_in_package.sh";
    const std::vector<std::string> expected = {"ExuiKrnln.dll",
                                               "README.txt",
                                               "VelaViewer.exe",
                                               "brotli-LICENSE",
                                               "dav1d-COPYING",
                                               "highway-LICENSE",
                                               "lcms2-COPYING",
                                               "libde265-COPYING",
                                               "libde265.dll",
                                               "libheif-COPYING",
                                               "libheif.dll",
                                               "libjpeg-turbo-LICENSE.md",
                                               "libjpeg-turbo-README.ijg",
                                               "libjxl-LICENSE",
                                               "libjxl-PATENTS",
                                               "libwebp-COPYING",
                                               "libwebp-PATENTS",
                                               "zlib-LICENSE"};
    EXPECT_EQ(FilesIn(folder), expected);
}

TEST(PackageE2E, BinariesAreStrippedAndCarryTheVersion) {
    const std::string folder = PackageFolder();
    ASSERT_FALSE(folder.empty());
    for (const char* name : {"VelaViewer.exe", "ExuiKrnln.dll"}) {
        SCOPED_TRACE(name);
        const std::string file = folder + "\\" + name;
        EXPECT_EQ(DebugLeftIn(file), "");
        EXPECT_EQ(VersionText(file, L"ProductName"), L"Vela图片查看器");
        EXPECT_EQ(VersionText(file, L"ProductVersion"), VELA_VERSION);
        EXPECT_EQ(VersionText(file, L"OriginalFilename"), std::wstring(name, name + std::strlen(name)));
    }
    // libheif's and libde265's DLLs are built stripped; they carry their own makers' names.
    for (const char* name : {"libheif.dll", "libde265.dll"}) EXPECT_EQ(DebugLeftIn(folder + "\\" + name), "") << name;
}

// A JPEG, and a HEIC whose decoder lives in the DLLs beside the engine:
// both are shown whole (100 %) by the program run from the unpacked zip.
TEST(PackageE2E, TheProgramRunsFromTheUnpackedFolder) {
    const std::string folder = PackageFolder();
    ASSERT_FALSE(folder.empty());
    ScratchFolder pictures("vela-package");
    ASSERT_TRUE(WriteBytes(pictures / "a.jpg", MakePicture(320, 240, L"image/jpeg")));
    ASSERT_TRUE(NativeCommand(pictures,
                              "convert-im6.q16 -size 320x240 gradient:red-blue PNG24:{b.png} && "
                              "heif-enc -q 90 {b.png} -o {b.heic} && rm {b.png} && echo made",
                              "made"));
    for (const std::string name : {"a.jpg", "b.heic"}) {
        SCOPED_TRACE(name);
        const std::string file = pictures / name;
        Viewer viewer;
        ASSERT_TRUE(viewer.Start(Quoted(file), folder + "\\VelaViewer.exe", pictures.Path()));
        ASSERT_NE(viewer.Main(), nullptr);
        EXPECT_TRUE(viewer.WaitTitle(std::wstring(name.begin(), name.end()) + L"—Vela图片查看器")) << viewer.Title();
        EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%")) << viewer.ControlText(kZoomRatioButton);
        viewer.Click(viewer.Control(kCloseButton));
        EXPECT_EQ(viewer.WaitExit(), 0u);
        viewer.Kill();
    }
}
