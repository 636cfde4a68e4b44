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
std::vector<Path> g_dropped;
HWND g_window = nullptr;

LRESULT CALLBACK Recording(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message < WM_USER && message != WM_DROPFILES) return DefWindowProcW(window, message, wParam, lParam);
    g_seen.push_back({window, message, wParam, lParam, 0, {}});
    return static_cast<LRESULT>(wParam ^ 0x5A5A5A5A);
}

// A drop handle as the shell makes one: DROPFILES and the UTF-16 paths.
HDROP MakeDrop(const std::vector<Path>& paths) {
    SIZE_T size = sizeof(DROPFILES) + sizeof(wchar_t);
    for (const Path& p : paths) size += (p.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    wchar_t* at = reinterpret_cast<wchar_t*>(files + 1);
    for (const Path& p : paths) at = std::copy(p.begin(), p.end(), at) + 1;
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

LRESULT Drop(const std::vector<Path>& paths) {
    return SendMessageW(g_window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
}

// The first path of one drop brings a second drop, as a drop can arrive
// while a picture of the first is opening.
void Collect(const Path& path) {
    g_dropped.push_back(path);
    if (path == L"C:\\outer.jpg") Drop({L"D:\\x.png", L"D:\\y.gif"});
}

}  // namespace

TEST(FilesDrop, StubForwardsOtherMessagesAndDropsReachTheCallback) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Recording;
    wc.lpszClassName = L"VelaDropTest";
    RegisterClassW(&wc);
    g_window = CreateWindowExW(0, L"VelaDropTest", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(g_window, nullptr);
    auto procedure = [] { return reinterpret_cast<WNDPROC>(GetWindowLongW(g_window, GWL_WNDPROC)); };
    auto acceptsFiles = [] { return (GetWindowLongW(g_window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; };
    DropHandler handler;
    handler.Attach(g_window, Collect);
    handler.Attach(g_window, Collect);  // again: the stub does not become its own predecessor
    EXPECT_TRUE(acceptsFiles());
    EXPECT_NE(procedure(), &Recording);
    for (auto [message, wParam, lParam] : {std::tuple<UINT, WPARAM, LPARAM>{WM_USER, 0, 0},
                                           {WM_USER + 7, 0x12345678, static_cast<LPARAM>(0x9ABCDEF0)},
                                           {0xC123, 0xFFFFFFFF, -1}}) {
        g_seen.clear();
        EXPECT_EQ(SendMessageW(g_window, message, wParam, lParam), static_cast<LRESULT>(wParam ^ 0x5A5A5A5A));
        ASSERT_EQ(g_seen.size(), 1u);
        EXPECT_EQ(g_seen[0].hwnd, g_window);
        EXPECT_EQ(g_seen[0].message, message);
        EXPECT_EQ(g_seen[0].wParam, wParam);
        EXPECT_EQ(g_seen[0].lParam, lParam);
    }

    std::vector<Path> hundred;
    for (int i = 0; i < 100; ++i) hundred.push_back(L"C:\\d\\" + std::to_wstring(i) + L".png");
    // A path of any length arrives whole.
    const Path longPath = L"C:\\" + Path(1200, L'a') + L".jpg";
    const std::vector<Path> names = {L"Z:\\tmp\\图片\\b.png", L"C:\\한국.txt", L"C:\\z😀\U00020000.gif"};
    const std::pair<std::vector<Path>, std::vector<Path>> drops[] = {
        {names, names},
        {hundred, hundred},
        {{longPath, L"C:\\x.bmp"}, {longPath, L"C:\\x.bmp"}},
        {{L"C:\\outer.jpg", L"C:\\z.ico"}, {L"C:\\outer.jpg", L"D:\\x.png", L"D:\\y.gif", L"C:\\z.ico"}},
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
    WNDCLASSW wc{};
    wc.lpfnWndProc = Recording;
    wc.lpszClassName = L"VelaDropPageTest";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, L"VelaDropPageTest", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    {
        DropHandler handler;
        handler.Attach(window, Collect);
        MEMORY_BASIC_INFORMATION page{};
        ASSERT_EQ(VirtualQuery(reinterpret_cast<void*>(GetWindowLongW(window, GWL_WNDPROC)), &page, sizeof page),
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
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongW(window, GWL_WNDPROC)), &Recording);
    DestroyWindow(window);
}

TEST(FilesDrop, PictureFilterAndLineBreaks) {
    const std::pair<const wchar_t*, bool> paths[] = {
        {L"C:\\p\\a.jpg", true},      {L"C:\\p\\DSC0001.JPG", true}, {L"C:\\p\\a.Bmp", true},    {L"C:\\p\\a.ico", true},
        {L"C:\\p\\图片.PNG", true},   {L"C:\\p\\a.gif", true},       {L"C:\\p\\a.cur", true},    {L"C:\\shots.png", true},
        {L"C:\\p\\a.jpeg", false},    {L"C:\\p\\a.tif", false},      {L"C:\\p\\noext", false},   {L"C:\\p.jpg\\x", false},
        {L"C:\\p\\한국😀.GIF", true}, {L"C:\\p\\a.jpg.txt", false}, {L"C:\\p\\a.jp", false},       {L"", false},
    };
    for (auto [path, picture] : paths) EXPECT_EQ(IsDroppedPicture(path), picture) << path;
    const std::pair<const wchar_t*, const wchar_t*> texts[] = {
        {L"C:\\图片\\a b.jpg", L"C:\\图片\\a b.jpg"}, {L"C:\\한국😀\U00020000.jpg", L"C:\\한국😀\U00020000.jpg"}, {L"\r\nC:\\a.jpg\r\n", L"C:\\a.jpg"}, {L"\r\nC:\\a.jpg", L"C:\\a.jpg"},
        {L"C:\\a.jpg\r\n", L"C:\\a.jpg"}, {L"\r\n\r\nC:\\a\r\n\r\n", L"\r\nC:\\a\r\n"}, {L"C:\\a\r\nb", L"C:\\a\r\nb"},
        {L"\nC:\\a\r", L"\nC:\\a\r"}, {L"\r\n", L""}, {L"", L""},
    };
    for (auto [text, trimmed] : texts) EXPECT_EQ(TrimLineBreaks(text), trimmed) << text;
}
