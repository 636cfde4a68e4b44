// The drop handler on a real window of this process: the forwarding stub
// passes every other message on unchanged, WM_DROPFILES gives each path to
// the callback; which paths are pictures; line breaks at a text's ends.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "files/drop_handler.h"

using namespace vela;

namespace {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;
std::vector<Text> g_dropped;

LRESULT CALLBACK Recording(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER || message == WM_DROPFILES) {
        g_seen.push_back({window, message, wParam, lParam});
        return static_cast<LRESULT>(wParam ^ 0x5A5A5A5A);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Collect(const Text& path) { g_dropped.push_back(path); }

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

class FilesDrop : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Recording;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VelaDropTest";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, "VelaDropTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        g_seen.clear();
        g_dropped.clear();
    }
    void TearDown() override { DestroyWindow(window_); }
    WNDPROC Procedure() const { return reinterpret_cast<WNDPROC>(GetWindowLongA(window_, GWL_WNDPROC)); }
    bool AcceptsFiles() const { return (GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; }

    HWND window_ = nullptr;
};

}  // namespace

TEST_F(FilesDrop, OtherMessagesReachThePreviousProcedureUnchanged) {
    DropHandler handler;
    handler.Attach(window_, Collect);
    EXPECT_TRUE(AcceptsFiles());
    EXPECT_NE(Procedure(), &Recording);
    EXPECT_EQ(handler.PreviousProcedure(), &Recording);
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } messages[] = {{WM_USER, 0, 0}, {WM_USER + 7, 0x12345678, static_cast<LPARAM>(0x9ABCDEF0)}, {0xC123, 0xFFFFFFFF, -1}};
    for (const auto& m : messages) {
        g_seen.clear();
        EXPECT_EQ(SendMessageA(window_, m.message, m.wParam, m.lParam), static_cast<LRESULT>(m.wParam ^ 0x5A5A5A5A));
        ASSERT_EQ(g_seen.size(), 1u);
        EXPECT_EQ(g_seen[0].window, window_);
        EXPECT_EQ(g_seen[0].message, m.message);
        EXPECT_EQ(g_seen[0].wParam, m.wParam);
        EXPECT_EQ(g_seen[0].lParam, m.lParam);
    }
    // Posted messages go through the stub as well.
    g_seen.clear();
    PostMessageA(window_, WM_USER + 9, 3, 4);
    MSG msg;
    while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].message, WM_USER + 9u);
    EXPECT_EQ(g_seen[0].lParam, 4);

    // Attaching again does not make the stub its own predecessor.
    handler.Attach(window_, Collect);
    EXPECT_EQ(handler.PreviousProcedure(), &Recording);
    EXPECT_EQ(SendMessageA(window_, WM_USER, 1, 2), 0x5A5A5A5B);

    std::unique_ptr<DropHandler> copy(handler.Copy());
    EXPECT_EQ(copy->Window(), window_);
    EXPECT_EQ(copy->PreviousProcedure(), &Recording);
    EXPECT_EQ(copy->Callback(), &Collect);

    handler.Destroy();
    EXPECT_EQ(Procedure(), &Recording);
    EXPECT_FALSE(AcceptsFiles());
}

TEST_F(FilesDrop, EveryDroppedPathGoesToTheCallbackInOrder) {
    DropHandler handler;
    handler.Attach(window_, Collect);
    const Text longPath = "C:\\" + Text(1200, 'a') + ".jpg";
    std::vector<Text> hundred;
    for (int i = 0; i < 100; ++i) hundred.push_back("C:\\d\\" + std::to_string(i) + ".png");
    const struct {
        std::vector<Text> paths;
        std::vector<Text> expected;
    } drops[] = {
        {{"C:\\a.jpg"}, {"C:\\a.jpg"}},
        {{"Z:\\tmp\\图片\\b.png", "C:\\notes.txt", "C:\\c.gif"}, {"Z:\\tmp\\图片\\b.png", "C:\\notes.txt", "C:\\c.gif"}},
        {hundred, hundred},
        {{longPath, "C:\\x.bmp"}, {longPath.substr(0, 999), "C:\\x.bmp"}},
    };
    for (const auto& drop : drops) {
        g_seen.clear();
        g_dropped.clear();
        EXPECT_EQ(SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(drop.paths)), 0), 0);
        EXPECT_EQ(g_dropped, drop.expected);
        EXPECT_TRUE(g_seen.empty()) << "WM_DROPFILES is not passed on";
    }
    handler.Destroy();
}

namespace {
HWND g_nestInto = nullptr;
// On the first path of the outer drop, a second drop arrives, as one can
// while the first is opening a picture and lets messages through.
void CollectAndNest(const Text& path) {
    g_dropped.push_back(path);
    if (path == "C:\\outer\\1.jpg") {
        SendMessageA(g_nestInto, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"D:\\x.png", "D:\\y.gif"})), 0);
    }
}
}  // namespace

TEST_F(FilesDrop, ADropInsideAnotherKeepsBothPathLists) {
    DropHandler handler;
    handler.Attach(window_, CollectAndNest);
    g_nestInto = window_;
    const Text longer = "C:\\outer\\" + Text(300, 'z') + ".bmp";
    EXPECT_EQ(SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\outer\\1.jpg", longer})), 0),
              0);
    const std::vector<Text> expected = {"C:\\outer\\1.jpg", "D:\\x.png", "D:\\y.gif", longer};
    EXPECT_EQ(g_dropped, expected);
    handler.Destroy();
}

TEST(FilesDropFilter, PictureExtensionsIgnoreAsciiCase) {
    const std::pair<const char*, bool> paths[] = {
        {"C:\\p\\a.jpg", true},        {"C:\\p\\DSC0001.JPG", true}, {"C:\\p\\a.Bmp", true},
        {"C:\\p\\a.ico", true},        {"C:\\p\\图片.PNG", true},     {"C:\\p\\a.gif", true},
        {"C:\\p\\arrow.cur", true},    {"C:\\p\\photo.jpeg", false}, {"C:\\p\\a.tif", false},
        {"C:\\p\\notes.txt", false},   {"C:\\p\\noext", false},      {"C:\\p.jpg\\noext", false},
        {"C:\\p\\a.jpg.txt", false},   {"C:\\p\\a.jp", false},       {"", false},
        {"C:\\shots.png", true},  // a folder named like a picture passes the filter
    };
    for (auto [path, picture] : paths) EXPECT_EQ(IsDroppedPicture(path), picture) << path;
}

TEST(FilesDropFilter, TrimLineBreaksTakesOnePairFromEachEnd) {
    const std::pair<const char*, const char*> texts[] = {
        {"C:\\图片\\a b.jpg", "C:\\图片\\a b.jpg"},
        {"\r\nC:\\a.jpg\r\n", "C:\\a.jpg"},
        {"\r\nC:\\a.jpg", "C:\\a.jpg"},
        {"C:\\a.jpg\r\n", "C:\\a.jpg"},
        {"\r\n\r\nC:\\a.jpg\r\n\r\n", "\r\nC:\\a.jpg\r\n"},
        {"C:\\a\r\nb.jpg", "C:\\a\r\nb.jpg"},
        {"\nC:\\a.jpg\r", "\nC:\\a.jpg\r"},
        {"\r\n", ""},
        {"", ""},
    };
    for (auto [text, trimmed] : texts) EXPECT_EQ(TrimLineBreaks(text), trimmed) << text;
}
