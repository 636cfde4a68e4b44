// Paths and whole-file reading on the real file system.
#include <windows.h>

#include <gtest/gtest.h>

#include "files/paths.h"
#include "test_support.h"

using namespace vela;
using namespace vela::test;

namespace {
const std::string kTrail5C = "\x84\x5C";  // "刓"
}

TEST(FolderOfPath, CutsAtTheLastRealBackslash) {
    EXPECT_EQ(FolderOfPath("C:\\pics\\a.jpg"), "C:\\pics\\");
    EXPECT_EQ(FolderOfPath("a.jpg"), "");
    EXPECT_EQ(FolderOfPath("C:\\"), "C:\\");
    EXPECT_EQ(FolderOfPath(""), "");
    EXPECT_EQ(FolderOfPath("C:\\" + kTrail5C + "\\a.jpg"), "C:\\" + kTrail5C + "\\");
    // The trail byte alone is not a backslash.
    EXPECT_EQ(FolderOfPath("x" + kTrail5C + "a.jpg"), "");
    EXPECT_EQ(FolderOfPath(std::string("C:\\a\\b\0\\c", 10)), "C:\\a\\");
}

TEST(FileNameOfPath, TakesThePartAfterTheLastBackslash) {
    EXPECT_EQ(FileNameOfPath("C:\\pics\\a.jpg"), "a.jpg");
    EXPECT_EQ(FileNameOfPath("a.jpg"), "a.jpg");
    EXPECT_EQ(FileNameOfPath("C:\\pics\\"), "");
    EXPECT_EQ(FileNameOfPath(""), "");
    EXPECT_EQ(FileNameOfPath("C:\\图片\\风景.png"), "风景.png");
    EXPECT_EQ(FileNameOfPath("C:\\d\\" + kTrail5C + ".jpg"), kTrail5C + ".jpg");
}

TEST(ReadWholeFile, ReadsEveryByte) {
    ScratchFolder dir;
    Bytes content(300000);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<unsigned char>(i * 7 + 3);
    content[10] = 0;  // a zero byte does not end a byte array
    ASSERT_TRUE(WriteBytes(dir / "a.bin", content));
    EXPECT_EQ(ReadWholeFile(dir / "a.bin"), content);
}

TEST(ReadWholeFile, FolderWithBackslashTrailByteInItsName) {
    ScratchFolder dir;
    const std::string folder = dir / (kTrail5C + "图");
    ASSERT_TRUE(MakeFolder(folder));
    const std::string path = folder + "\\a.jpg";
    ASSERT_TRUE(WriteText(path, "bytes"));
    EXPECT_EQ(ReadWholeFile(path), (Bytes{'b', 'y', 't', 'e', 's'}));
    EXPECT_EQ(FolderOfPath(path), folder + "\\");
    EXPECT_EQ(FileNameOfPath(path), "a.jpg");
}

TEST(ReadWholeFile, QuietEmptyResultForBadInput) {
    ScratchFolder dir;
    EXPECT_TRUE(ReadWholeFile(dir / "missing.jpg").empty());
    EXPECT_TRUE(ReadWholeFile(dir.Path()).empty());  // a folder is not a file
    EXPECT_TRUE(ReadWholeFile("").empty());
    ASSERT_TRUE(WriteBytes(dir / "empty.jpg", {}));
    EXPECT_TRUE(ReadWholeFile(dir / "empty.jpg").empty());
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
    EXPECT_TRUE(ReadWholeFile(path).empty());
    CloseHandle(writer);
    EXPECT_EQ(ReadWholeFile(path).size(), 7u);
}

TEST(ReadWholeFile, ReadersDoNotBlockReading) {
    ScratchFolder dir;
    const std::string path = dir / "shared.jpg";
    ASSERT_TRUE(WriteText(path, "abc"));
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadWholeFile(path).size(), 3u);
    CloseHandle(reader);
}
