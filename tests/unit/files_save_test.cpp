// Writing the shown bytes under a chosen name: unchanged, whatever the name,
// nothing written when there is nothing, and quietly nothing when the target
// refuses.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/picture_list.h"
#include "imaging/imaging.h"
#include "test_support.h"

using namespace vela;
using vela::test::ScratchFolder;

namespace {

// The names in a folder, in listing order, "." and ".." left out.
std::vector<std::string> FolderNames(const ScratchFolder& f) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((f / "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return {"<no listing>"};
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

}  // namespace

TEST(FilesSave, BytesArriveUnchanged) {
    ScratchFolder f("save");
    // A phone photo stored on its side: saved as the file was, EXIF block and all.
    const Bytes jpeg = test::WithExifOrientation(test::MakePicture(320, 200, L"image/jpeg"), 6);
    ASSERT_TRUE(WritePictureFile(test::W(f / "copy.jpg"), jpeg));
    EXPECT_EQ(test::ReadBytes(f / "copy.jpg"), jpeg);
    // Over a longer file: truncated to the new content.
    Bytes longer(jpeg.size() * 3, 0xAB);
    ASSERT_TRUE(test::WriteBytes(f / "old.jpg", longer));
    ASSERT_TRUE(WritePictureFile(test::W(f / "old.jpg"), jpeg));
    EXPECT_EQ(test::ReadBytes(f / "old.jpg"), jpeg);
    // Any name, in a folder of any depth.
    std::wstring deep = test::W(f.Path());
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(test::MakeFolder(deep));
    }
    for (const std::wstring& path : {test::W(f / "图片副本.jpg"), test::W(f.Path()) + L"\\한국😀\U00020000.jpg",
                                     deep + L"\\副本.jpg"}) {
        ASSERT_TRUE(WritePictureFile(path, jpeg)) << path.size();
        EXPECT_EQ(test::ReadBytes(path), jpeg) << path.size();
        ASSERT_TRUE(WritePictureFile(path, longer)) << path.size();
        EXPECT_EQ(test::ReadBytes(path), longer) << path.size();
    }
}

TEST(FilesSave, RotatedPngKeepsItsBytesUnderAJpgName) {
    ScratchFolder f("saverot");
    const Bytes turned = RotatePictureBytes(test::MakePicture(64, 32, L"image/jpeg"));
    ASSERT_FALSE(turned.empty());
    ASSERT_TRUE(WritePictureFile(test::W(f / "turned.jpg"), turned));
    const Bytes saved = test::ReadBytes(f / "turned.jpg");
    EXPECT_EQ(saved, turned);
    ASSERT_GE(saved.size(), 4u);
    EXPECT_EQ(saved[1], 'P');
    EXPECT_EQ(saved[2], 'N');
    EXPECT_EQ(saved[3], 'G');
    EXPECT_EQ(MeasurePictureWidth(saved), 32);
}

TEST(FilesSave, NothingShownWritesNothing) {
    ScratchFolder f("saveempty");
    ASSERT_TRUE(test::WriteText(f / "was.png", "previous content"));
    EXPECT_FALSE(WritePictureFile(test::W(f / "was.png"), {}));
    const Bytes kept = test::ReadBytes(f / "was.png");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous content");
    EXPECT_FALSE(WritePictureFile(test::W(f / "new.png"), {}));
    EXPECT_EQ(FolderNames(f), std::vector<std::string>{"was.png"});
}

TEST(FilesSave, RefusedTargetsAreQuiet) {
    ScratchFolder f("saverefused");
    const Bytes bytes = {1, 2, 3};
    EXPECT_FALSE(WritePictureFile(test::W(f / "missing\\a.jpg"), bytes));
    EXPECT_FALSE(WritePictureFile(test::W(f.Path()), bytes));
    EXPECT_FALSE(WritePictureFile(test::W(""), bytes));
    // A file another handle holds without sharing keeps its content.
    ASSERT_TRUE(test::WriteText(f / "busy.jpg", "busy"));
    HANDLE busy = CreateFileA((f / "busy.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WritePictureFile(test::W(f / "busy.jpg"), bytes));
    CloseHandle(busy);
    EXPECT_EQ(test::ReadBytes(f / "busy.jpg"), (Bytes{'b', 'u', 's', 'y'}));
}

TEST(FilesSave, ASaveLeavesOnlyItsTargetAndARefusedOneKeepsItsContent) {
    ScratchFolder f("saveonly");
    const Bytes bytes = {1, 2, 3};
    ASSERT_TRUE(test::WriteText(f / "old.png", "previous content"));
    ASSERT_TRUE(WritePictureFile(test::W(f / "old.png"), bytes));
    ASSERT_TRUE(WritePictureFile(test::W(f / "new.png"), bytes));
    EXPECT_EQ(test::ReadBytes(f / "old.png"), bytes);
    // Refused: read-only and hidden files (as a truncating open refuses
    // them) and a folder; nothing of the attempt is left.
    ASSERT_TRUE(test::MakeFolder(f / "sub"));
    EXPECT_FALSE(WritePictureFile(test::W(f / "sub"), bytes));
    for (const DWORD attribute : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN}) {
        const std::string kept = f / "kept.jpg";
        ASSERT_TRUE(test::WriteText(kept, "kept"));
        ASSERT_TRUE(SetFileAttributesA(kept.c_str(), attribute));
        const DWORD before = GetFileAttributesA(kept.c_str());
        EXPECT_FALSE(WritePictureFile(test::W(kept), Bytes(5000, 0x5A))) << attribute;
        EXPECT_EQ(GetFileAttributesA(kept.c_str()), before);
        SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(test::ReadBytes(kept), (Bytes{'k', 'e', 'p', 't'})) << attribute;
    }
    EXPECT_EQ(FolderNames(f), (std::vector<std::string>{"kept.jpg", "new.png", "old.png", "sub"}));
}
