// The real viewer, started with a picture: its title, its keyboard, context
// menu and window buttons, and its end through the close button.
#include <windows.h>

#include <gtest/gtest.h>

#include "viewer_driver.h"

using namespace vela::test;

namespace {

class MainWindowE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
        ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
            ASSERT_TRUE(WriteBytes(dir_ / name, MakePicture(650, 380, L"image/jpeg")));
        }
        ASSERT_TRUE(viewer_.Start(Quoted(dir_ / "a.jpg")));
        ASSERT_NE(viewer_.Main(), nullptr);
    }
    void TearDown() override { viewer_.Kill(); }

    ScratchFolder dir_{"e2e图片"};
    Viewer viewer_;
};

}  // namespace

TEST_F(MainWindowE2E, TitleAndCentredMinimumWindow) {
    EXPECT_TRUE(viewer_.WaitTitle(L"a.jpg—Vela图片查看器")) << viewer_.Title();
    // 650 x 380 gets 750 x 480 from the picture, then the 800 x 500 minimum, centred.
    EXPECT_TRUE(WaitFor([&] { return SameRect(viewer_.WindowRect(), 560, 290, 800, 500); }))
        << RectText(viewer_.WindowRect());
}

TEST_F(MainWindowE2E, KeysReleasedOnAChildReachTheKeyboardMap) {
    ASSERT_TRUE(viewer_.WaitTitle(L"a.jpg—Vela图片查看器"));
    ASSERT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
    HWND picture = viewer_.Control(kPictureView);
    ASSERT_NE(picture, nullptr);

    viewer_.KeyRelease(picture, VK_NEXT);
    EXPECT_TRUE(viewer_.WaitTitle(L"b.jpg—Vela图片查看器")) << viewer_.Title();
    viewer_.KeyRelease(viewer_.Control(kNextButton), VK_LEFT, true);
    EXPECT_TRUE(viewer_.WaitTitle(L"a.jpg—Vela图片查看器")) << viewer_.Title();
    // Keypad minus arrives as 189 and zooms out: 650 / 1.1 -> 590, 90%.
    viewer_.KeyRelease(picture, VK_SUBTRACT);
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"90%")) << viewer_.ControlText(kZoomRatioButton);
    EXPECT_TRUE(WaitFor([&] {
        const RECT r = viewer_.ControlRect(kPictureView);
        return r.right - r.left == 590;
    })) << RectText(viewer_.ControlRect(kPictureView));
}

TEST_F(MainWindowE2E, ContextMenuOpensAtTheCursorAndCloses) {
    ASSERT_TRUE(viewer_.WaitTitle(L"a.jpg—Vela图片查看器"));
    ASSERT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%"));
    RECT w = viewer_.WindowRect();
    SetCursorPos(w.left + 200, w.top + 150);
    PostMessageW(viewer_.Control(kPictureView), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND t : TopLevelWindows(viewer_.ProcessId())) {
            wchar_t cls[32] = L"";
            GetClassNameW(t, cls, 32);
            if (std::wstring(cls) == L"#32768" && IsWindowVisible(t)) menu = t;
        }
        return menu != nullptr;
    }));
    RECT m{};
    GetWindowRect(menu, &m);
    EXPECT_EQ(m.left, w.left + 203);
    EXPECT_EQ(m.top, w.top + 153);
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }));
    // The viewer goes on: a key still works after the menu closed without a choice.
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_RIGHT, true);
    EXPECT_TRUE(viewer_.WaitTitle(L"b.jpg—Vela图片查看器")) << viewer_.Title();
}

TEST_F(MainWindowE2E, MaximizeRestoreAndClose) {
    ASSERT_TRUE(viewer_.WaitTitle(L"a.jpg—Vela图片查看器"));
    ASSERT_TRUE(WaitFor([&] { return SameRect(viewer_.WindowRect(), 560, 290, 800, 500); }));
    viewer_.Click(viewer_.Control(kMaximizeButton));
    EXPECT_TRUE(WaitFor([&] { return IsZoomed(viewer_.Main()) && SameRect(viewer_.WindowRect(), 0, 0, 1920, 1080); }))
        << RectText(viewer_.WindowRect());
    // Full screen size: always on top, and the buttons follow the right edge.
    EXPECT_TRUE(WaitFor([&] { return (GetWindowLongW(viewer_.Main(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }));
    EXPECT_TRUE(WaitFor([&] { return viewer_.ControlRect(kCloseButton).left == 1890; }));

    viewer_.Click(viewer_.Control(kMaximizeButton));
    EXPECT_TRUE(WaitFor([&] { return !IsZoomed(viewer_.Main()) && SameRect(viewer_.WindowRect(), 560, 290, 800, 500); }))
        << RectText(viewer_.WindowRect());
    EXPECT_TRUE(WaitFor([&] { return (GetWindowLongW(viewer_.Main(), GWL_EXSTYLE) & WS_EX_TOPMOST) == 0; }));

    viewer_.Click(viewer_.Control(kCloseButton));
    EXPECT_EQ(viewer_.WaitExit(), 0u);
}

TEST(MainWindowWithoutEngine, WarnsAndEndsQuietly) {
    ScratchFolder dir;
    const std::string exe = dir / "VelaViewer.exe";
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\VelaViewer.exe").c_str(), exe.c_str(), FALSE));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start("", exe, dir.Path()));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(viewer.ProcessId())) != nullptr; }, 20000));
    EXPECT_EQ(WindowTextW(box), L"Warning");
    std::wstring text;
    for (auto& s : ChildTexts(box, L"Static"))
        if (!s.empty()) text = s;
    EXPECT_EQ(text, L"程序缺少界面运行库必须依赖的 ExuiKrnln.dll 文件");
    EXPECT_TRUE(ClickButton(box, L"确定") || ClickButton(box, L"OK"));
    DWORD code = viewer.WaitExit();
    EXPECT_NE(code, STILL_ACTIVE);
    EXPECT_EQ(code, static_cast<DWORD>(-1));
    EXPECT_EQ(FindMessageBox(viewer.ProcessId()), nullptr);
}

TEST(MainWindowWithoutArgument, ShowsTheFirstPictureOfItsOwnFolder) {
    ScratchFolder dir("own");
    for (const char* file : {"VelaViewer.exe", "ExuiKrnln.dll"}) {
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\" + file).c_str(), (dir / file).c_str(), FALSE));
    }
    ASSERT_TRUE(WriteText(dir / "notes.txt", "not a picture"));
    ASSERT_TRUE(WriteBytes(dir / "b.png", MakePicture(300, 200, L"image/png")));
    ASSERT_TRUE(WriteBytes(dir / "c.jpg", MakePicture(320, 240, L"image/jpeg")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start("", dir / "VelaViewer.exe", dir.Path()));
    ASSERT_NE(viewer.Main(), nullptr);
    EXPECT_TRUE(viewer.WaitTitle(L"b.png—Vela图片查看器")) << viewer.Title();
    EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%")) << viewer.ControlText(kZoomRatioButton);
    // The window keeps its designed size; the picture is centred in it.
    EXPECT_EQ(viewer.WindowRect().right - viewer.WindowRect().left, 648);
    EXPECT_TRUE(WaitFor([&] { RECT r = viewer.ControlRect(kPictureView); return r.right - r.left == 300; }));
    viewer.KeyRelease(viewer.Control(kPictureView), VK_RIGHT, true);
    EXPECT_TRUE(viewer.WaitTitle(L"c.jpg—Vela图片查看器")) << viewer.Title();
    viewer.Kill();
}
