// The real viewer as people use it: pictures shown whole when opened, the
// keys and mouse buttons every viewer has, and the shown picture copied to
// the clipboard. Read from the window and control rectangles, the title,
// the caption, the dialogs, the clipboard and the process's end.
#include <windows.h>

#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "viewer_driver.h"

using namespace vela::test;

namespace {

const std::wstring kSuffix = L"—Vela图片查看器";

class HabitsE2E : public ::testing::Test {
protected:
    void Start(const std::string& name, const vela::Bytes& bytes) {
        ASSERT_TRUE(WriteBytes(dir_ / name, bytes));
        ASSERT_TRUE(viewer_.Start(Quoted(dir_ / name)));
        ASSERT_NE(viewer_.Main(), nullptr);
        ASSERT_TRUE(WaitFor([&] { return viewer_.ControlText(kZoomRatioButton).back() == L'%'; }));
    }
    bool WaitView(int left, int top, int width, int height) {
        return WaitFor([&] { return SameRect(viewer_.ControlRect(kPictureView), left, top, width, height); });
    }
    bool WaitName(const std::string& name) { return viewer_.WaitTitle(std::wstring(name.begin(), name.end()) + kSuffix); }
    void Key(UINT vk, bool extended = false) { viewer_.KeyRelease(viewer_.Control(kPictureView), vk, extended); }
    // A key pressed with Ctrl held, as real keyboard input to the viewer's
    // window brought to the front.
    void CtrlChord(WORD key) {
        HWND main = viewer_.Main();
        SetForegroundWindow(main);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; }));
        INPUT in[4] = {};
        const WORD keys[4] = {VK_CONTROL, key, key, VK_CONTROL};
        for (int i = 0; i < 4; ++i) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wVk = keys[i];
            const bool extended = key == VK_RIGHT && (i == 1 || i == 2);
            in[i].ki.dwFlags = (i >= 2 ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
        }
        ASSERT_EQ(SendInput(4, in, sizeof(INPUT)), 4u);
    }
    void TearDown() override { viewer_.Kill(); }

    ScratchFolder dir_{"habits"};
    Viewer viewer_;
};

}  // namespace

TEST_F(HabitsE2E, OpenedPicturesShowWholeAndLongOnesFromTheirTop) {
    const struct {
        const char* name;
        int fileWidth, fileHeight, orientation;
        RECT window, view;  // left, top, width, height
        const wchar_t* caption;
    } cases[] = {
        // A phone photo stored on its side: 3024 x 4032 upright.
        {"portrait.jpg", 4032, 3024, 6, {542, 0, 835, 1080}, {50, 50, 735, 980}, L"24%"},
        {"large.jpg", 2500, 1500, 1, {93, 0, 1733, 1080}, {50, 50, 1633, 979}, L"65%"},
        {"small.jpg", 650, 380, 1, {560, 290, 800, 500}, {75, 60, 650, 380}, L"100%"},
        // Long: its natural width, from its top.
        {"long.jpg", 800, 3000, 1, {510, 0, 900, 1080}, {50, 50, 800, 3000}, L"100%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vela::Bytes bytes = MakePicture(c.fileWidth, c.fileHeight, L"image/jpeg");
        if (c.orientation != 1) bytes = WithExifOrientation(bytes, c.orientation);
        ASSERT_TRUE(WriteBytes(dir_ / c.name, bytes));
        Viewer viewer;  // one program per picture
        ASSERT_TRUE(viewer.Start(Quoted(dir_ / c.name)));
        ASSERT_NE(viewer.Main(), nullptr);
        const RECT &w = c.window, &v = c.view;
        EXPECT_TRUE(WaitFor([&] { return SameRect(viewer.WindowRect(), w.left, w.top, w.right, w.bottom); }))
            << RectText(viewer.WindowRect());
        EXPECT_TRUE(WaitFor([&] { return SameRect(viewer.ControlRect(kPictureView), v.left, v.top, v.right, v.bottom); }))
            << RectText(viewer.ControlRect(kPictureView));
        EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, c.caption)) << viewer.ControlText(kZoomRatioButton);
        viewer.Kill();
        DeleteFileA((dir_ / c.name).c_str());
    }
}

TEST_F(HabitsE2E, HomeEndSpaceBackspaceAndTheSideButtonsStep) {
    for (const char* n : {"img1.png", "img10.png", "img3.png"})
        ASSERT_TRUE(WriteBytes(dir_ / n, MakePicture(64, 48, L"image/png")));
    Start("img2.png", MakePicture(64, 48, L"image/png"));
    HWND picture = viewer_.Control(kPictureView);
    const auto side = [&](WORD button) { PostMessageW(picture, WM_XBUTTONUP, MAKEWPARAM(0, button), 0); };
    const struct {
        const char* what;
        std::function<void()> act;
        const char* shows;
    } steps[] = {
        {"End", [&] { Key(VK_END, true); }, "img10.png"},   {"Backspace", [&] { Key(VK_BACK); }, "img3.png"},
        {"Home", [&] { Key(VK_HOME, true); }, "img1.png"},  {"Space", [&] { Key(VK_SPACE); }, "img2.png"},
        {"forward button", [&] { side(XBUTTON2); }, "img3.png"}, {"back button", [&] { side(XBUTTON1); }, "img2.png"},
        {"Ctrl+Right acts as Right", [&] { CtrlChord(VK_RIGHT); }, "img3.png"},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_TRUE(WaitName(s.shows)) << s.what << ": " << viewer_.Title();
    }
}

TEST_F(HabitsE2E, DoubleClickTogglesBetweenTheFitAndTheNaturalSizeAndEscCloses) {
    Start("big.jpg", MakePicture(2500, 1500, L"image/jpeg"));
    ASSERT_TRUE(WaitView(50, 50, 1633, 979)) << RectText(viewer_.ControlRect(kPictureView));
    HWND picture = viewer_.Control(kPictureView);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageW(picture, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(100, 100));
    EXPECT_TRUE(WaitView(-383, -210, 2500, 1500)) << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
    PostMessageW(picture, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 100));
    EXPECT_TRUE(WaitView(50, 50, 1633, 979)) << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"65%")) << viewer_.ControlText(kZoomRatioButton);
    Key(VK_ESCAPE);
    EXPECT_EQ(viewer_.WaitExit(), 0u);
}

TEST_F(HabitsE2E, CtrlOAndCtrlSShowTheOpenAndSaveDialogs) {
    Start("a.png", MakePicture(64, 48, L"image/png"));
    for (WORD key : {'O', 'S'}) {
        CtrlChord(key);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (dialog = FindMessageBox(viewer_.ProcessId())) != nullptr; })) << char(key);
        EXPECT_EQ(WindowTextW(dialog), key == 'O' ? L"打开" : L"另存为") << char(key);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return FindMessageBox(viewer_.ProcessId()) == nullptr; }));
    }
    EXPECT_EQ(viewer_.Title(), L"a.png" + kSuffix);
}

TEST_F(HabitsE2E, CtrlCCopiesTheTurnedPictureWithAlphaAndAsPng) {
    // 40 x 20, its top-left quarter white and top-right quarter blue.
    Start("c.png", MakePicture(40, 20, L"image/png", RGB(200, 120, 40), RGB(0, 0, 255)));
    viewer_.Click(viewer_.Control(kRotateButton));
    ASSERT_TRUE(WaitView(390, 230, 20, 40)) << RectText(viewer_.ControlRect(kPictureView));
    ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());
    CtrlChord('C');
    const UINT png = RegisterClipboardFormatA("PNG");
    ASSERT_TRUE(WaitFor([&] { return IsClipboardFormatAvailable(png) && OpenClipboard(nullptr); }));
    const auto* h = static_cast<const BITMAPV5HEADER*>(GlobalLock(GetClipboardData(CF_DIBV5)));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(RectText({0, 0, h->bV5Width, h->bV5Height}), L"(0, 0, 20 x 40)");
    EXPECT_EQ(h->bV5AlphaMask, 0xFF000000u);
    // Turned clockwise: white now at the top right, blue at the bottom
    // right; rows from the bottom up.
    const auto* px = reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(h) + h->bV5Size);
    EXPECT_EQ(px[(39 - 5) * 20 + 15], 0xFFFFFFFFu);
    EXPECT_EQ(px[(39 - 35) * 20 + 15], 0xFF0000FFu);
    EXPECT_EQ(px[(39 - 5) * 20 + 2], 0xFFC87828u);
    const auto* plain = static_cast<const BITMAPINFOHEADER*>(GlobalLock(GetClipboardData(CF_DIB)));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(RectText({0, 0, plain->biWidth, plain->biHeight}), L"(0, 0, 20 x 40)");
    HGLOBAL block = GetClipboardData(png);
    const auto* data = static_cast<const unsigned char*>(GlobalLock(block));
    ASSERT_NE(data, nullptr);
    const vela::Bytes pngBytes(data, data + GlobalSize(block));
    CloseClipboard();
    ASSERT_GT(pngBytes.size(), 8u);
    EXPECT_EQ(std::memcmp(pngBytes.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    EXPECT_EQ(PixelOf(pngBytes, 15, 5), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(pngBytes, 15, 35), RGB(0, 0, 255));
}
