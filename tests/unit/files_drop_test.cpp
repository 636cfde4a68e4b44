// The drop handler on a real window of this process: other messages pass the
// forwarding stub unchanged, WM_DROPFILES gives each path to the callback
// (also inside another drop); the picture filter; line breaks at the ends.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>

#include "files/drop_handler.h"
#include "test_support.h"

using namespace vela;

namespace {

std::vector<MSG> g_seen;
std::vector<Text> g_dropped;
HWND g_window = nullptr;

LRESULT CALLBACK Recording(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message < WM_USER && message != WM_DROPFILES) return DefWindowProcA(window, message, wParam, lParam);
    g_seen.push_back({window, message, wParam, lParam, 0, {}});
    return static_cast<LRESULT>(wParam ^ 0x5A5A5A5A);
}

// A drop handle as the shell makes one: DROPFILES and the ANSI paths.
HDROP MakeDrop(const std::vector<Text>& paths) {
    SIZE_T size = sizeof(DROPFILES) + 1;
    for (const Text& p : paths) size += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    char* at = reinterpret_cast<char*>(files + 1);
    for (const Text& p : paths) at = std::copy(p.begin(), p.end(), at) + 1;
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

LRESULT Drop(const std::vector<Text>& paths) {
    return SendMessageA(g_window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
}

// The first path of one drop brings a second drop, as a drop can arrive
// while a picture of the first is opening.
void Collect(const Text& path) {
    g_dropped.push_back(path);
    if (path == "C:\\outer.jpg") Drop({"D:\\x.png", "D:\\y.gif"});
}

}  // namespace

TEST(FilesDrop, StubForwardsOtherMessagesAndDropsReachTheCallback) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Recording;
    wc.lpszClassName = "VelaDropTest";
    RegisterClassA(&wc);
    g_window = CreateWindowExA(0, "VelaDropTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(g_window, nullptr);
    auto procedure = [] { return reinterpret_cast<WNDPROC>(GetWindowLongA(g_window, GWL_WNDPROC)); };
    auto acceptsFiles = [] { return (GetWindowLongA(g_window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; };
    DropHandler handler;
    handler.Attach(g_window, Collect);
    handler.Attach(g_window, Collect);  // again: the stub does not become its own predecessor
    EXPECT_TRUE(acceptsFiles());
    EXPECT_NE(procedure(), &Recording);
    for (auto [message, wParam, lParam] : {std::tuple<UINT, WPARAM, LPARAM>{WM_USER, 0, 0},
                                           {WM_USER + 7, 0x12345678, static_cast<LPARAM>(0x9ABCDEF0)},
                                           {0xC123, 0xFFFFFFFF, -1}}) {
        g_seen.clear();
        EXPECT_EQ(SendMessageA(g_window, message, wParam, lParam), static_cast<LRESULT>(wParam ^ 0x5A5A5A5A));
        ASSERT_EQ(g_seen.size(), 1u);
        EXPECT_EQ(g_seen[0].hwnd, g_window);
        EXPECT_EQ(g_seen[0].message, message);
        EXPECT_EQ(g_seen[0].wParam, wParam);
        EXPECT_EQ(g_seen[0].lParam, lParam);
    }

    std::vector<Text> hundred;
    for (int i = 0; i < 100; ++i) hundred.push_back("C:\\d\\" + std::to_string(i) + ".png");
    const Text longPath = "C:\\" + Text(1200, 'a') + ".jpg";
    const std::pair<std::vector<Text>, std::vector<Text>> drops[] = {
        {{"Z:\\tmp\\图片\\b.png", "C:\\notes.txt", "C:\\c.gif"}, {"Z:\\tmp\\图片\\b.png", "C:\\notes.txt", "C:\\c.gif"}},
        {hundred, hundred},
        {{longPath, "C:\\x.bmp"}, {longPath.substr(0, 999), "C:\\x.bmp"}},
        {{"C:\\outer.jpg", "C:\\z.ico"}, {"C:\\outer.jpg", "D:\\x.png", "D:\\y.gif", "C:\\z.ico"}},
    };
    for (const auto& [paths, expected] : drops) {
        g_seen.clear();
        g_dropped.clear();
        EXPECT_EQ(Drop(paths), 0);
        EXPECT_EQ(g_dropped, expected);
        EXPECT_TRUE(g_seen.empty()) << "WM_DROPFILES is not passed on";
    }

    std::unique_ptr<DropHandler> copy(handler.Copy());
    EXPECT_EQ(copy->Window(), g_window);
    EXPECT_EQ(copy->PreviousProcedure(), &Recording);
    EXPECT_EQ(copy->Callback(), &Collect);
    handler.Destroy();
    EXPECT_EQ(procedure(), &Recording);
    EXPECT_FALSE(acceptsFiles());
    DestroyWindow(g_window);
}

TEST(FilesDrop, StubPageIsExecuteReadOnlyAndFreedWithItsHandler) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Recording;
    wc.lpszClassName = "VelaDropPageTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "VelaDropPageTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    {
        DropHandler handler;
        handler.Attach(window, Collect);
        MEMORY_BASIC_INFORMATION page{};
        ASSERT_EQ(VirtualQuery(reinterpret_cast<void*>(GetWindowLongA(window, GWL_WNDPROC)), &page, sizeof page),
                  sizeof page);
        EXPECT_EQ(page.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));
        EXPECT_EQ(page.State, static_cast<DWORD>(MEM_COMMIT));
        handler.Destroy();
    }
    // A handler made, attached and destroyed a hundred times leaves no page
    // behind (each took 64 KiB of address space while it lived).
    const double before = test::AddressSpaceInUseMiB();
    for (int i = 0; i < 100; ++i) {
        auto handler = std::make_unique<DropHandler>();
        handler->Attach(window, Collect);
        handler->Attach(window, Collect);
        handler->Destroy();
    }
    EXPECT_LT(test::AddressSpaceInUseMiB() - before, 1.0);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_WNDPROC)), &Recording);
    DestroyWindow(window);
}

TEST(FilesDrop, PictureFilterAndLineBreaks) {
    const std::pair<const char*, bool> paths[] = {
        {"C:\\p\\a.jpg", true},      {"C:\\p\\DSC0001.JPG", true}, {"C:\\p\\a.Bmp", true},    {"C:\\p\\a.ico", true},
        {"C:\\p\\图片.PNG", true},   {"C:\\p\\a.gif", true},       {"C:\\p\\a.cur", true},    {"C:\\shots.png", true},
        {"C:\\p\\a.jpeg", false},    {"C:\\p\\a.tif", false},      {"C:\\p\\noext", false},   {"C:\\p.jpg\\x", false},
        {"C:\\p\\a.jpg.txt", false}, {"C:\\p\\a.jp", false},       {"", false},
    };
    for (auto [path, picture] : paths) EXPECT_EQ(IsDroppedPicture(path), picture) << path;
    const std::pair<const char*, const char*> texts[] = {
        {"C:\\图片\\a b.jpg", "C:\\图片\\a b.jpg"}, {"\r\nC:\\a.jpg\r\n", "C:\\a.jpg"}, {"\r\nC:\\a.jpg", "C:\\a.jpg"},
        {"C:\\a.jpg\r\n", "C:\\a.jpg"}, {"\r\n\r\nC:\\a\r\n\r\n", "\r\nC:\\a\r\n"}, {"C:\\a\r\nb", "C:\\a\r\nb"},
        {"\nC:\\a\r", "\nC:\\a\r"}, {"\r\n", ""}, {"", ""},
    };
    for (auto [text, trimmed] : texts) EXPECT_EQ(TrimLineBreaks(text), trimmed) << text;
}
