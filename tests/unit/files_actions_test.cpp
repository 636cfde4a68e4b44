// Delete, locate and picture information on real files: sizes, times, type
// names, the shell's item list, and the boxes read as a user sees them.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "app/picture_state.h"
#include "box_answerer.h"
#include "files/picture_actions.h"
#include "files/picture_list.h"
#include "test_support.h"

using namespace vela;
using namespace vela::test;

namespace {

bool MakeSized(const std::string& path, LONGLONG size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER at;
    at.QuadPart = size;
    bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    return ok;
}

FILETIME LocalAsFileTime(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
    SYSTEMTIME st{y, mo, 0, d, h, mi, s, 0};
    FILETIME local{}, utc{};
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

bool SetTimes(const std::string& path, const FILETIME& creation, const FILETIME& write) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = SetFileTime(h, &creation, nullptr, &write);
    CloseHandle(h);
    return ok;
}

// ".vtt" named by a class whose description the shell shows as the type.
struct RegisteredType {
    RegisteredType() {
        RegSetValueA(HKEY_CLASSES_ROOT, ".vtt", REG_SZ, "vttfile", 7);
        RegSetValueA(HKEY_CLASSES_ROOT, "vttfile", REG_SZ, "测试图片", 8);
    }
    ~RegisteredType() {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".vtt");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "vttfile");
    }
};

// Runs an operation that may show boxes on this thread; each box is read and
// answered with the next of answers.
std::vector<SeenBox> Answering(std::vector<std::wstring> answers, void (*operation)()) {
    BoxAnswerer answerer(GetCurrentProcessId(), std::move(answers));
    operation();
    answerer.Stop();
    return answerer.Seen();
}

class PictureActions : public ::testing::Test {
protected:
    void TearDown() override {
        PictureList.clear();
        CurrentIndex = 0;
    }
    ScratchFolder dir_{"动作"};
};

}  // namespace

TEST_F(PictureActions, SizeInWholeKilobytesRoundedUp) {
    struct Case {
        LONGLONG bytes;
        std::int64_t kilobytes;
    } cases[] = {{0, 0}, {1, 1}, {1024, 1}, {1025, 2}, {2048, 2}, {(3LL << 30) + 1, 3 * 1024 * 1024 + 1}};
    for (const Case& c : cases) {
        const std::string path = dir_ / std::to_string(c.bytes).append(".jpg");
        ASSERT_TRUE(MakeSized(path, c.bytes)) << c.bytes;  // sparse where large
        EXPECT_EQ(FileSizeInKilobytes(path), c.kilobytes) << c.bytes;
        DeleteFileA(path.c_str());
    }
    EXPECT_EQ(FileSizeInKilobytes(dir_ / "无.jpg"), -1);
}

TEST_F(PictureActions, TimesAsLocalTextAndEmptyWhenUnreadable) {
    SYSTEMTIME st{2021, 1, 1, 18, 9, 5, 3, 0};
    EXPECT_EQ(TimeAsText(st), "2021-01-18 09:05:03");
    const std::string path = dir_ / "时间.jpg";
    ASSERT_TRUE(WriteText(path, "x"));
    // Wine on Linux keeps no creation time of its own: both are set alike.
    const FILETIME when = LocalAsFileTime(2021, 1, 18, 9, 5, 3);
    ASSERT_TRUE(SetTimes(path, when, when));
    FileTimesText times = FileTimesAsText(path);
    EXPECT_EQ(times.creation, "2021-01-18 09:05:03");
    EXPECT_EQ(times.lastWrite, "2021-01-18 09:05:03");

    // Held open for writing without read sharing: no times, the size still.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    times = FileTimesAsText(path);
    EXPECT_EQ(times.creation + "|" + times.lastWrite, "|");
    EXPECT_EQ(FileSizeInKilobytes(path), 1);
    CloseHandle(held);
    times = FileTimesAsText(dir_ / "无.jpg");
    EXPECT_EQ(times.creation + "|" + times.lastWrite, "|");
}

TEST_F(PictureActions, ShellKnowsTheTypeAndTheItem) {
    RegisteredType type;
    const std::string path = dir_ / "类型.vtt";
    ASSERT_TRUE(WriteText(path, "x"));
    EXPECT_EQ(FileTypeName(path), "测试图片");
    ItemList list = ItemListOfExistingFile(path);
    ASSERT_TRUE(list);
    char back[MAX_PATH] = "<untouched>";
    ASSERT_TRUE(SHGetPathFromIDListA(list.Get(), back));
    EXPECT_EQ(std::string(back), path);
    EXPECT_FALSE(ItemListOfExistingFile(dir_ / "无.jpg"));
    EXPECT_FALSE(ShowFileInFolder(dir_ / "无.jpg"));
}

TEST_F(PictureActions, InformationBoxShowsSixLines) {
    RegisteredType type;
    const std::string path = dir_ / "信息.vtt";
    ASSERT_TRUE(WriteBytes(path, Bytes(1025, 'x')));
    const FILETIME when = LocalAsFileTime(2021, 1, 18, 9, 5, 3);
    ASSERT_TRUE(SetTimes(path, when, when));
    PictureList = {dir_ / "a.jpg", path};
    CurrentIndex = 2;
    PictureWidth = 640;
    PictureHeight = -3;
    auto seen = Answering({kOk}, ShowPictureInformation);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"图片信息");
    EXPECT_EQ(seen[0].text,
              L"文件大小：2kb\r\n图片宽度：640\r\n图片高度：-3\r\n创建时间：2021-01-18 09:05:03\r\n"
              L"修改时间：2021-01-18 09:05:03\r\n文件类型：测试图片");
    // Deleted since the scan.
    DeleteFileA(path.c_str());
    seen = Answering({kOk}, ShowPictureInformation);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"文件大小：-1kb\r\n图片宽度：640\r\n图片高度：-3\r\n创建时间：\r\n修改时间：\r\n文件类型：");
}

TEST_F(PictureActions, DeleteAsksForTheNameAndNoKeepsTheFile) {
    const std::string path = dir_ / "删除.jpg";
    ASSERT_TRUE(WriteText(path, "x"));
    PictureList = {path};
    CurrentIndex = 1;
    auto seen = Answering({kNo}, DeleteCurrentPicture);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"是否删除文件？");
    EXPECT_EQ(seen[0].text, L"删除.jpg\r\n是否删除？");
    EXPECT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, true);
    EXPECT_FALSE(MoveFileToRecycleBin(dir_ / "*.jpg"));  // a wildcard is never passed on
    EXPECT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, true);
}

TEST_F(PictureActions, NothingHappensWithoutACurrentEntry) {
    const std::string path = dir_ / "无当前.jpg";
    ASSERT_TRUE(WriteText(path, "x"));
    for (int index : {0, 2, -1}) {
        PictureList = {path};
        CurrentIndex = index;
        for (auto operation : {DeleteCurrentPicture, ShowPictureInformation, LocateCurrentFile}) {
            EXPECT_TRUE(Answering({kNo, kOk}, operation).empty()) << index;
        }
    }
    PictureList.clear();
    CurrentIndex = 1;
    EXPECT_TRUE(Answering({kNo, kOk}, DeleteCurrentPicture).empty());
    EXPECT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, true);
}
