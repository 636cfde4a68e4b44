// Delete, locate and picture information on real files: sizes, times, the
// shell's item list, and nothing at all without a current entry.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "box_answerer.h"
#include "files/picture_actions.h"
#include "files/picture_list.h"
#include "test_support.h"

using namespace vela;
using namespace vela::test;

namespace {

bool MakeSized(const std::string& path, LONGLONG size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = size;
    bool ok = h != INVALID_HANDLE_VALUE && SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    return ok;
}

}  // namespace

TEST(PictureFiles, SizeInWholeKilobytesRoundedUp) {
    ScratchFolder dir("大小");
    struct Case {
        LONGLONG bytes;
        std::int64_t kilobytes;
    } cases[] = {{0, 0}, {1, 1}, {1024, 1}, {1025, 2}, {2048, 2}, {(3LL << 30) + 1, 3 * 1024 * 1024 + 1}};
    for (const Case& c : cases) {
        ASSERT_TRUE(MakeSized(dir / "f.jpg", c.bytes)) << c.bytes;  // sparse where large
        EXPECT_EQ(FileSizeInKilobytes(W(dir / "f.jpg")), c.kilobytes) << c.bytes;
    }
    EXPECT_EQ(FileSizeInKilobytes(W(dir / "无.jpg")), -1);
    // A name with wildcards describes no other file: f.jpg is 3 GiB.
    for (const char* pattern : {"?.jpg", "*.jpg", "f.jp?"}) EXPECT_EQ(FileSizeInKilobytes(W(dir / pattern)), -1) << pattern;
}

TEST(PictureFiles, TimesAsLocalTextEmptyWhenUnreadable) {
    ScratchFolder dir("时间");
    const std::string path = dir / "时间.jpg";
    ASSERT_TRUE(WriteText(path, "x"));
    SYSTEMTIME st{2021, 1, 0, 18, 9, 5, 3, 0};
    FILETIME local{}, utc{};
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    // Wine on Linux keeps no creation time of its own: both are set alike.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(SetFileTime(h, &utc, nullptr, &utc));
    // Held open for writing without read sharing: no times, the size still.
    FileTimesText times = FileTimesAsText(W(path));
    EXPECT_EQ(times.creation + "|" + times.lastWrite + "|" + std::to_string(FileSizeInKilobytes(W(path))), "||1");
    CloseHandle(h);
    times = FileTimesAsText(W(path));
    EXPECT_EQ(times.creation + "|" + times.lastWrite, "2021-01-18 09:05:03|2021-01-18 09:05:03");
    times = FileTimesAsText(W(dir / "无.jpg"));
    EXPECT_EQ(times.creation + "|" + times.lastWrite, "|");
}

TEST(PictureFiles, ShellItemOnlyForAnExistingFile) {
    ScratchFolder dir("定位");
    ASSERT_TRUE(WriteText(dir / "定位.jpg", "x"));
    ItemList list = ItemListOfExistingFile(W(dir / "定位.jpg"));
    wchar_t back[MAX_PATH] = L"<untouched>";
    ASSERT_TRUE(list && SHGetPathFromIDListW(list.Get(), back));
    EXPECT_EQ(back, W(dir / "定位.jpg"));
    EXPECT_FALSE(ItemListOfExistingFile(W(dir / "无.jpg")));
    EXPECT_EQ(ShowFileInFolder(W(dir / "无.jpg")), S_FALSE);
    EXPECT_FALSE(MoveFileToRecycleBin(W(dir / "*.jpg")));  // a wildcard is never passed to the shell
    EXPECT_NE(GetFileAttributesA((dir / "定位.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Asks the shell to show the file from a thread that never entered COM, as
// the window thread has not; gives its answer and whether the thread was
// outside COM again afterwards.
struct LocateOutcome {
    HRESULT answer = E_FAIL;
    bool leftAsFound = false;
};
DWORD WINAPI LocateFromBareThread(void* parameter) {
    auto* outcome = static_cast<std::pair<std::string, LocateOutcome>*>(parameter);
    outcome->second.answer = ShowFileInFolder(W(outcome->first));
    // S_OK: nothing had initialised this thread, so the call left it as it found it.
    const HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    outcome->second.leftAsFound = after == S_OK;
    if (SUCCEEDED(after)) CoUninitialize();
    return 0;
}

struct TitleSearch {
    std::wstring part;
    HWND found = nullptr;
};
BOOL CALLBACK FindTitled(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<TitleSearch*>(parameter);
    wchar_t title[512] = L"";
    GetWindowTextW(window, title, 512);
    if (IsWindowVisible(window) && std::wstring(title).find(search->part) != std::wstring::npos) search->found = window;
    return search->found == nullptr;
}

// The shell's folder window whose title names the folder, or null.
HWND FolderWindow(const std::wstring& folderName) {
    TitleSearch search{folderName};
    EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(PictureFiles, LocateRunsInsideAComApartment) {
    ScratchFolder dir("定位COM");
    ASSERT_TRUE(WriteText(dir / "定位.jpg", "x"));
    std::pair<std::string, LocateOutcome> outcome{dir / "定位.jpg", {}};
    HANDLE thread = CreateThread(nullptr, 0, LocateFromBareThread, &outcome, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(outcome.second.answer, S_OK);
    EXPECT_TRUE(outcome.second.leftAsFound);
    // The folder window the shell opened for it (Wine's own explorer here),
    // closed again so that it does not outlive the test.
    const std::wstring folderName = L"定位COM";
    HWND window = nullptr;
    EXPECT_TRUE(test::WaitFor([&] { return (window = FolderWindow(folderName)) != nullptr; }, 15000));
    if (window) {
        DWORD explorer = 0;
        GetWindowThreadProcessId(window, &explorer);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, explorer);
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (process) {
            EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
            CloseHandle(process);
        }
    }
}

TEST(PictureFiles, NothingHappensWithoutACurrentEntry) {
    ScratchFolder dir("无当前");
    ASSERT_TRUE(WriteText(dir / "a.jpg", "x"));
    std::vector<SeenBox> seen;
    {
        BoxAnswerer answerer(GetCurrentProcessId(), {kNo, kOk});  // would press any box shown
        for (int index : {0, 2, -1}) {
            PictureList = index == -1 ? std::vector<Path>{} : std::vector<Path>{W(dir / "a.jpg")};
            CurrentIndex = index == -1 ? 1 : index;
            for (auto operation : {DeleteCurrentPicture, ShowPictureInformation, LocateCurrentFile}) operation();
        }
        seen = answerer.Seen();
    }
    EXPECT_TRUE(seen.empty());
    EXPECT_NE(GetFileAttributesA((dir / "a.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
}
