// The release zip as a Windows user takes it: unpacked into a fresh folder
// (tests/tools/run_in_package.sh), it holds exactly the program, the engine,
// the third-party notices and the read-me; both binaries are stripped and
// carry the project's version; and the program runs from there.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

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
    if (b.size() < 0x40) return "unreadable";
    LONG at = 0;
    std::memcpy(&at, &b[0x3C], sizeof at);
    if (at <= 0 || static_cast<std::size_t>(at) + sizeof(IMAGE_NT_HEADERS32) > b.size()) return "no PE header";
    IMAGE_NT_HEADERS32 nt;
    std::memcpy(&nt, &b[at], sizeof nt);
    std::string left;
    if (nt.FileHeader.NumberOfSymbols) left += "symbols ";
    const std::size_t strings = nt.FileHeader.PointerToSymbolTable + nt.FileHeader.NumberOfSymbols * 18u;
    const std::size_t sections = at + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER s;
        if (sections + (i + 1) * sizeof s > b.size()) return "truncated";
        std::memcpy(&s, &b[sections + i * sizeof s], sizeof s);
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
                                               "highway-LICENSE",
                                               "lcms2-COPYING",
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
}

TEST(PackageE2E, TheProgramRunsFromTheUnpackedFolder) {
    const std::string folder = PackageFolder();
    ASSERT_FALSE(folder.empty());
    ScratchFolder pictures("vela-package");
    ASSERT_TRUE(WriteBytes(pictures / "a.jpg", MakePicture(320, 240, L"image/jpeg")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(pictures / "a.jpg"), folder + "\\VelaViewer.exe", pictures.Path()));
    ASSERT_NE(viewer.Main(), nullptr);
    EXPECT_TRUE(viewer.WaitTitle(L"a.jpg—Vela图片查看器")) << viewer.Title();
    EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%")) << viewer.ControlText(kZoomRatioButton);
    viewer.Click(viewer.Control(kCloseButton));
    EXPECT_EQ(viewer.WaitExit(), 0u);
    viewer.Kill();
}
