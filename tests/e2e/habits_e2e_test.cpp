// The real viewer as people use it: pictures shown whole when opened or
// stepped to, the keys and mouse buttons every viewer has, and the shown
// picture copied to the clipboard. Read from the window and control
// rectangles, the title, the caption, the clipboard and the process's end.
#include <windows.h>

#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "viewer_driver.h"

using namespace vela::test;

namespace {

const std::wstring kSuffix = L"—Vela图片查看器";

class HabitsE2E : public ::testing::Test {
protected:
    void Start(const std::string& name) {
        ASSERT_TRUE(viewer_.Start(Quoted(dir_ / name)));
        ASSERT_NE(viewer_.Main(), nullptr);
        ASSERT_TRUE(viewer_.WaitTitle(std::wstring(name.begin(), name.end()) + kSuffix)) << viewer_.Title();
        ASSERT_TRUE(WaitFor([&] { return viewer_.ControlText(kZoomRatioButton).back() == L'%'; }));
    }
    bool WaitView(int left, int top, int width, int height) {
        return WaitFor([&] { return SameRect(viewer_.ControlRect(kPictureView), left, top, width, height); });
    }
    bool WaitWindow(int left, int top, int width, int height) {
        return WaitFor([&] { return SameRect(viewer_.WindowRect(), left, top, width, height); });
    }
    void Key(UINT vk, bool extended = false) { viewer_.KeyRelease(viewer_.Control(kPictureView), vk, extended); }
    // Several ASCII names, one small picture each (a, b, c ... in that order).
    void Folder(std::initializer_list<const char*> names) {
        for (const char* n : names) ASSERT_TRUE(WriteBytes(dir_ / n, MakePicture(64, 48, L"image/png")));
    }
    bool WaitName(const char* name) {
        const std::string n(name);
        return viewer_.WaitTitle(std::wstring(n.begin(), n.end()) + kSuffix);
    }
    // A key pressed with Ctrl held, as real keyboard input to the viewer's
    // window brought to the front.
    void CtrlChord(UINT key) {
        HWND main = viewer_.Main();
        SetForegroundWindow(main);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; }));
        INPUT in[4] = {};
        const WORD keys[4] = {VK_CONTROL, static_cast<WORD>(key), static_cast<WORD>(key), VK_CONTROL};
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

BOOL CALLBACK CollectEdit(HWND w, LPARAM p) {
    wchar_t cls[32] = L"";
    if (GetClassNameW(w, cls, 32) && std::wstring(cls) == L"Edit") reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

// Every edit among a window's descendants.
std::vector<HWND> EditsOf(HWND window) {
    std::vector<HWND> edits;
    EnumChildWindows(window, CollectEdit, reinterpret_cast<LPARAM>(&edits));
    return edits;
}

struct WholeCase {
    const char* name;
    int fileWidth, fileHeight, orientation;
    RECT window, view;  // left, top, width, height
    const wchar_t* caption;
};

}  // namespace

TEST_F(HabitsE2E, OpenedPicturesShowWholeAndLongOnesFromTheirTop) {
    const WholeCase cases[] = {
        // A phone photo stored on its side: 3024 x 4032 upright.
        {"portrait.jpg", 4032, 3024, 6, {542, 0, 835, 1080}, {50, 50, 735, 980}, L"24%"},
        {"large.jpg", 2500, 1500, 1, {93, 0, 1733, 1080}, {50, 50, 1633, 979}, L"65%"},
        {"small.jpg", 650, 380, 1, {560, 290, 800, 500}, {75, 60, 650, 380}, L"100%"},
        // Long: its natural width, from its top.
        {"long.jpg", 800, 3000, 1, {510, 0, 900, 1080}, {50, 50, 800, 3000}, L"100%"},
    };
    for (const WholeCase& c : cases) {
        SCOPED_TRACE(c.name);
        vela::Bytes bytes = MakePicture(c.fileWidth, c.fileHeight, L"image/jpeg");
        if (c.orientation != 1) bytes = WithExifOrientation(bytes, c.orientation);
        ASSERT_TRUE(WriteBytes(dir_ / c.name, bytes));
        Viewer viewer;
        ASSERT_TRUE(viewer.Start(Quoted(dir_ / c.name)));
        ASSERT_NE(viewer.Main(), nullptr);
        const RECT& w = c.window;
        const RECT& v = c.view;
        EXPECT_TRUE(WaitFor([&] { return SameRect(viewer.WindowRect(), w.left, w.top, w.right, w.bottom); }))
            << RectText(viewer.WindowRect());
        EXPECT_TRUE(WaitFor([&] {
            return SameRect(viewer.ControlRect(kPictureView), v.left, v.top, v.right, v.bottom);
        })) << RectText(viewer.ControlRect(kPictureView));
        EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, c.caption)) << viewer.ControlText(kZoomRatioButton);
        viewer.Kill();
        DeleteFileA((dir_ / c.name).c_str());
    }
}

TEST_F(HabitsE2E, AStepFitsTheNextPictureWholeIntoTheWindow) {
    ASSERT_TRUE(WriteBytes(dir_ / "a.jpg", MakePicture(650, 380, L"image/jpeg")));
    ASSERT_TRUE(WriteBytes(dir_ / "b.jpg", WithExifOrientation(MakePicture(4032, 3024, L"image/jpeg"), 6)));
    Start("a.jpg");
    ASSERT_TRUE(WaitWindow(560, 290, 800, 500)) << RectText(viewer_.WindowRect());
    Key(VK_RIGHT, true);
    ASSERT_TRUE(WaitName("b.jpg")) << viewer_.Title();
    // 700 x 400 free: by height, 300 x 400.
    EXPECT_TRUE(WaitView(250, 50, 300, 400)) << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"9%")) << viewer_.ControlText(kZoomRatioButton);
    EXPECT_TRUE(WaitWindow(560, 290, 800, 500)) << RectText(viewer_.WindowRect());
}

TEST_F(HabitsE2E, HomeEndSpaceBackspaceAndTheSideButtonsStep) {
    Folder({"img1.png", "img2.png", "img10.png", "img3.png"});
    Start("img2.png");
    HWND picture = viewer_.Control(kPictureView);
    const struct {
        const char* what;
        std::function<void()> act;
        const char* shows;
    } steps[] = {
        {"End", [&] { Key(VK_END, true); }, "img10.png"},
        {"Backspace", [&] { Key(VK_BACK); }, "img3.png"},
        {"Home", [&] { Key(VK_HOME, true); }, "img1.png"},
        {"Space", [&] { Key(VK_SPACE); }, "img2.png"},
        {"forward button",
         [&] { PostMessageW(picture, WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON2), MAKELPARAM(10, 10)); }, "img3.png"},
        {"back button",
         [&] { PostMessageW(picture, WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), MAKELPARAM(10, 10)); }, "img2.png"},
        {"Ctrl+Right acts as Right", [&] { CtrlChord(VK_RIGHT); }, "img3.png"},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_TRUE(WaitName(s.shows)) << s.what << ": " << viewer_.Title();
    }
}

TEST_F(HabitsE2E, DoubleClickTogglesBetweenTheFitAndTheNaturalSize) {
    ASSERT_TRUE(WriteBytes(dir_ / "big.jpg", MakePicture(2500, 1500, L"image/jpeg")));
    Start("big.jpg");
    ASSERT_TRUE(WaitView(50, 50, 1633, 979)) << RectText(viewer_.ControlRect(kPictureView));
    HWND picture = viewer_.Control(kPictureView);
    const auto doubleClick = [&] {
        const LPARAM at = MAKELPARAM(100, 100);
        PostMessageW(picture, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(picture, WM_LBUTTONUP, 0, at);
        PostMessageW(picture, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(picture, WM_LBUTTONUP, 0, at);
    };
    doubleClick();
    EXPECT_TRUE(WaitView(-383, -210, 2500, 1500)) << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
    doubleClick();
    EXPECT_TRUE(WaitView(50, 50, 1633, 979)) << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"65%")) << viewer_.ControlText(kZoomRatioButton);
}

TEST_F(HabitsE2E, EscClosesLikeTheCloseButton) {
    Folder({"a.png"});
    Start("a.png");
    Key(VK_ESCAPE);
    EXPECT_EQ(viewer_.WaitExit(), 0u);
}

TEST_F(HabitsE2E, CtrlOAndCtrlSOpenTheDialogs) {
    Folder({"a.png"});
    Start("a.png");
    const struct {
        UINT key;
        std::wstring name;  // what the dialog's name box offers
    } cases[] = {{'O', L""}, {'S', L"a.png"}};
    for (const auto& c : cases) {
        CtrlChord(c.key);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (dialog = FindMessageBox(viewer_.ProcessId())) != nullptr; }))
            << "no dialog for Ctrl+" << char(c.key);
        // The file name box is the dialog's edit (in its combo box).
        std::wstring seen;
        const bool offered = WaitFor([&] {
            seen.clear();
            // Asked of each edit itself: another process's edit keeps its
            // text where only its own messages reach it.
            for (HWND edit : EditsOf(dialog)) {
                wchar_t text[MAX_PATH] = L"";
                SendMessageTimeoutW(edit, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 2000,
                                    nullptr);
                if (text == c.name) return true;
                seen += L"[" + std::wstring(text) + L"]";
            }
            return false;
        });
        EXPECT_TRUE(offered) << char(c.key) << " " << std::string(seen.begin(), seen.end());
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return FindMessageBox(viewer_.ProcessId()) == nullptr; }));
    }
    EXPECT_EQ(viewer_.Title(), L"a.png" + kSuffix);
}

TEST_F(HabitsE2E, CtrlCCopiesTheTurnedPictureWithAlphaAndAsPng) {
    // 40 x 20, its top-left quarter white and top-right quarter blue.
    ASSERT_TRUE(WriteBytes(dir_ / "c.png", MakePicture(40, 20, L"image/png", RGB(200, 120, 40), RGB(0, 0, 255))));
    Start("c.png");
    viewer_.Click(viewer_.Control(kRotateButton));
    ASSERT_TRUE(WaitView(390, 230, 20, 40)) << RectText(viewer_.ControlRect(kPictureView));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    CtrlChord('C');
    const UINT png = RegisterClipboardFormatA("PNG");
    ASSERT_TRUE(WaitFor([&] { return IsClipboardFormatAvailable(png) != 0; }));
    ASSERT_TRUE(WaitFor([&] { return OpenClipboard(nullptr) != 0; }));
    // The bitmap with alpha: 20 x 40 bottom-up, masks for all four channels.
    HGLOBAL v5 = GetClipboardData(CF_DIBV5);
    ASSERT_NE(v5, nullptr);
    const auto* h = static_cast<const BITMAPV5HEADER*>(GlobalLock(v5));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->bV5Width, 20);
    EXPECT_EQ(h->bV5Height, 40);
    EXPECT_EQ(h->bV5BitCount, 32);
    EXPECT_EQ(h->bV5AlphaMask, 0xFF000000u);
    const auto* px = reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(h) + h->bV5Size);
    // Turned clockwise: the white quarter now at the top right, the blue at
    // the bottom right; the last row is the top.
    const auto at = [&](int x, int y) { return px[(39 - y) * 20 + x]; };
    EXPECT_EQ(at(15, 5), 0xFFFFFFFFu);
    EXPECT_EQ(at(15, 35), 0xFF0000FFu);
    EXPECT_EQ(at(2, 5), 0xFFC87828u);
    GlobalUnlock(v5);
    HGLOBAL dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, nullptr);
    const auto* bi = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    ASSERT_NE(bi, nullptr);
    EXPECT_EQ(bi->biWidth, 20);
    EXPECT_EQ(bi->biHeight, 40);
    GlobalUnlock(dib);
    HGLOBAL pngData = GetClipboardData(png);
    ASSERT_NE(pngData, nullptr);
    const vela::Bytes pngBytes(static_cast<const unsigned char*>(GlobalLock(pngData)),
                               static_cast<const unsigned char*>(GlobalLock(pngData)) + GlobalSize(pngData));
    GlobalUnlock(pngData);
    GlobalUnlock(pngData);
    CloseClipboard();
    ASSERT_GT(pngBytes.size(), 8u);
    EXPECT_EQ(std::memcmp(pngBytes.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    EXPECT_EQ(PixelOf(pngBytes, 15, 5), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(pngBytes, 15, 35), RGB(0, 0, 255));
}
