// Paths and whole-file reading on the real file system.
#include <windows.h>

#include <gtest/gtest.h>

#include "files/paths.h"
#include "test_support.h"

using namespace vela;
using namespace vela::test;

TEST(FolderOfPath, CutsAtTheLastBackslash) {
    struct Case {
        std::wstring path, folder, name;
    } cases[] = {
        {L"C:\\pics\\a.jpg", L"C:\\pics\\", L"a.jpg"},
        {L"a.jpg", L"", L"a.jpg"},
        {L"C:\\pics\\", L"C:\\pics\\", L""},
        {L"", L"", L""},
        {L"C:\\图片\\风景.png", L"C:\\图片\\", L"风景.png"},
        // "刓" is 84 5C in GBK: no backslash in UTF-16.
        {L"C:\\刓\\刓.jpg", L"C:\\刓\\", L"刓.jpg"},
        {L"C:\\사진\\z😀\U00020000.png", L"C:\\사진\\", L"z😀\U00020000.png"},
        {std::wstring(L"C:\\a\\b\0\\c", 10), L"C:\\a\\", L"b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path.size();
        EXPECT_EQ(FileNameOfPath(c.path), c.name) << c.path.size();
    }
    // The name as the viewer's texts carry it: GBK, GB18030 beyond it.
    EXPECT_EQ(FileNameText(L"C:\\图片\\风景.png"), "风景.png");
    EXPECT_EQ(FileNameText(L"C:\\한.png"), Gb18030FromWide(L"한.png"));
}

TEST(ReadWholeFile, ReadsEveryByte) {
    ScratchFolder dir;
    Bytes content(300000);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<unsigned char>(i * 7 + 3);
    content[10] = 0;  // a zero byte does not end a byte array
    ASSERT_TRUE(WriteBytes(dir / "a.bin", content));
    EXPECT_EQ(ReadWholeFile(W(dir / "a.bin")), content);
}

// Names the ANSI code page cannot spell, and a folder past MAX_PATH.
TEST(ReadWholeFile, AnyNameAndAnyLength) {
    ScratchFolder dir;
    std::wstring deep = W(dir.Path());
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(MakeFolder(deep));
    }
    for (const std::wstring& path : {W(dir / "刓图"), W(dir.Path()) + L"\\한국😀\U00020000.jpg", deep + L"\\a.jpg"}) {
        ASSERT_TRUE(WriteBytes(path, Bytes{'b', 'y', 't', 'e', 's'}));
        EXPECT_EQ(ReadWholeFile(path), (Bytes{'b', 'y', 't', 'e', 's'})) << path.size();
    }
}

TEST(ReadWholeFile, QuietEmptyResultForBadInput) {
    ScratchFolder dir;
    EXPECT_TRUE(ReadWholeFile(W(dir / "missing.jpg")).empty());
    EXPECT_TRUE(ReadWholeFile(W(dir.Path())).empty());  // a folder is not a file
    EXPECT_TRUE(ReadWholeFile(L"").empty());
    ASSERT_TRUE(WriteBytes(dir / "empty.jpg", {}));
    EXPECT_TRUE(ReadWholeFile(W(dir / "empty.jpg")).empty());
}

TEST(ReadWholeFile, FileHeldOpenForWritingGivesEmptyArray) {
    ScratchFolder dir;
    const std::string path = dir / "held.jpg";
    ASSERT_TRUE(WriteText(path, "content"));
    // Another writer holds the file: reading it denies writing by others, so
    // the open fails with a sharing violation.
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(ReadWholeFile(W(path)).empty());
    CloseHandle(writer);
    EXPECT_EQ(ReadWholeFile(W(path)).size(), 7u);
}

TEST(ReadWholeFile, ReadersDoNotBlockReading) {
    ScratchFolder dir;
    const std::string path = dir / "shared.jpg";
    ASSERT_TRUE(WriteText(path, "abc"));
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadWholeFile(W(path)).size(), 3u);
    CloseHandle(reader);
}
