// The real viewer sizing its window around a picture, fitting and zooming it,
// stepping through the folder: read from the window and control rectangles
// and the zoom caption, as a user sees them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "moving_pictures.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

class ViewingE2E : public ::testing::Test {
protected:
    void Open(const std::string& name, int w, int h) {
        ASSERT_TRUE(WriteBytes(dir_ / name, MakePicture(w, h, L"image/jpeg")));
        ASSERT_TRUE(viewer_.Start(Quoted(dir_ / name)));
        ASSERT_NE(viewer_.Main(), nullptr);
        std::wstring title(name.begin(), name.end());
        ASSERT_TRUE(viewer_.WaitTitle(title + L"—Vela图片查看器")) << viewer_.Title();
        // The title comes before the folder scan; the caption after the fit.
        ASSERT_TRUE(WaitFor([&] { return viewer_.ControlText(kZoomRatioButton).back() == L'%'; }))
            << viewer_.ControlText(kZoomRatioButton);
    }
    bool WaitView(int left, int top, int width, int height) {
        return WaitFor([&] { return SameRect(viewer_.ControlRect(kPictureView), left, top, width, height); });
    }
    void TearDown() override { viewer_.Kill(); }

    ScratchFolder dir_;
    Viewer viewer_;
};

}  // namespace

TEST_F(ViewingE2E, SmallPictureGetsTheMinimumWindowAndNaturalSize) {
    Open("small.jpg", 650, 380);
    EXPECT_TRUE(WaitFor([&] { return SameRect(viewer_.WindowRect(), 560, 290, 800, 500); }))
        << RectText(viewer_.WindowRect());
    EXPECT_TRUE(WaitView(75, 60, 650, 380)) << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
    // The edge buttons, toolbar and top-right buttons follow the window
    // (all moved once the layout ends).
    const auto placed = [&] {
        return viewer_.ControlRect(kPreviousButton).left == 0 && viewer_.ControlRect(kNextButton).left == 800 - 30 &&
               viewer_.ControlRect(kToolbar).left == 250 && viewer_.ControlRect(kToolbar).top == 450 &&
               viewer_.ControlRect(kCloseButton).left == 770 && viewer_.ControlRect(kSettingsButton).left == 680;
    };
    EXPECT_TRUE(WaitFor(placed)) << RectText(viewer_.ControlRect(kToolbar));
}

TEST_F(ViewingE2E, WidePictureWindowIsPicturePlusMargin) {
    Open("wide.jpg", 1000, 300);
    EXPECT_TRUE(WaitFor([&] { return SameRect(viewer_.WindowRect(), 410, 290, 1100, 500); }))
        << RectText(viewer_.WindowRect());
    // Exactly window width - 100: shown at natural size.
    EXPECT_TRUE(WaitView(50, 100, 1000, 300)) << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%"));
}

TEST_F(ViewingE2E, LargePictureIsFittedWholeAndZooms) {
    Open("large.jpg", 2500, 1500);
    // Fitted whole into the screen less the margin (1633 x 980), the window
    // around it: as high as the screen, so not the screen's size and not on top.
    EXPECT_TRUE(WaitFor([&] { return SameRect(viewer_.WindowRect(), 93, 0, 1733, 1080); }))
        << RectText(viewer_.WindowRect());
    EXPECT_EQ(GetWindowLongW(viewer_.Main(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // The fitted height keeps the picture's ratio, rounded down: exact
    // integer arithmetic (1500 x 1633 / 2500 = 979.8).
    const int fitH = 1500 * 1633 / 2500;
    EXPECT_TRUE(WaitView(50, static_cast<int>(540 - fitH / 2.0), 1633, fitH))
        << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"65%")) << viewer_.ControlText(kZoomRatioButton);

    // Up arrow zooms in one step, centred.
    HWND picture = viewer_.Control(kPictureView);
    viewer_.KeyRelease(picture, VK_UP, true);
    const int w1 = static_cast<int>(1633 * 1.1), h1 = static_cast<int>(fitH * 1.1);
    EXPECT_TRUE(WaitView(static_cast<int>(866.5 - w1 / 2.0), static_cast<int>(540 - h1 / 2.0), w1, h1))
        << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"71%")) << viewer_.ControlText(kZoomRatioButton);

    // A wheel step down with the view wider than the window: anchored at the cursor.
    RECT before = viewer_.ControlRect(kPictureView);
    const RECT window = viewer_.WindowRect();
    POINT client{700, 400};
    POINT cursor{window.left + client.x, window.top + client.y};
    SetCursorPos(cursor.x, cursor.y);
    ASSERT_TRUE(WaitFor([&] {
        POINT p{};
        GetCursorPos(&p);
        return p.x == cursor.x && p.y == cursor.y;
    }));
    PostMessageW(picture, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(cursor.x, cursor.y));
    // What a user sees: the view a tenth smaller (each side 10/11 of its
    // size, exact, within the pixel a rounding takes) and the point of the
    // picture under the cursor still under it, to the pixel.
    const auto anchored = [&](const RECT& after) {
        const long long w = Width(before), h = Height(before), w2 = Width(after), h2 = Height(after);
        if (std::llabs(w2 - w * 10 / 11) > 1 || std::llabs(h2 - h * 10 / 11) > 1) return false;
        // The cursor's fraction across the view, (cursor - left) / width,
        // cross-multiplied to stay exact: the same before and after within
        // one pixel of the view after.
        const long long xBefore = client.x - before.left, xAfter = client.x - after.left;
        const long long yBefore = client.y - before.top, yAfter = client.y - after.top;
        return std::llabs(xAfter * w - xBefore * w2) <= w && std::llabs(yAfter * h - yBefore * h2) <= h;
    };
    EXPECT_TRUE(WaitFor([&] { return anchored(viewer_.ControlRect(kPictureView)); }))
        << RectText(before) << " -> " << RectText(viewer_.ControlRect(kPictureView));

    // The ratio button shows the natural size again.
    viewer_.Click(viewer_.Control(kZoomRatioButton));
    EXPECT_TRUE(WaitView(static_cast<int>(866.5 - 1250.0), static_cast<int>(540 - 750.0), 2500, 1500))
        << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
}

TEST_F(ViewingE2E, StepsThroughTheFolderWithoutWrapping) {
    ASSERT_TRUE(WriteBytes(dir_ / "b.jpg", MakePicture(300, 200, L"image/jpeg")));
    ASSERT_TRUE(WriteBytes(dir_ / "c.png", MakePicture(640, 480, L"image/png")));
    ASSERT_TRUE(WriteText(dir_ / "notes.txt", "not a picture"));
    Open("a.jpg", 650, 380);
    HWND picture = viewer_.Control(kPictureView);
    viewer_.KeyRelease(picture, VK_LEFT, true);  // first entry: nothing happens
    viewer_.KeyRelease(picture, VK_RIGHT, true);
    EXPECT_TRUE(viewer_.WaitTitle(L"b.jpg—Vela图片查看器")) << viewer_.Title();
    EXPECT_TRUE(WaitView(250, 150, 300, 200)) << RectText(viewer_.ControlRect(kPictureView));
    viewer_.KeyRelease(picture, VK_NEXT, true);
    EXPECT_TRUE(viewer_.WaitTitle(L"c.png—Vela图片查看器")) << viewer_.Title();
    // Taller than the 400 pixels free: fitted whole by its height.
    EXPECT_TRUE(WaitView(133, 50, 533, 400)) << RectText(viewer_.ControlRect(kPictureView));
    viewer_.KeyRelease(picture, VK_RIGHT, true);  // last entry: nothing happens
    viewer_.KeyRelease(picture, VK_PRIOR, true);
    EXPECT_TRUE(viewer_.WaitTitle(L"b.jpg—Vela图片查看器")) << viewer_.Title();
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%"));
}

TEST_F(ViewingE2E, AStepToAPreparedNeighbourRewrittenOnDiskShowsTheNewContent) {
    ASSERT_TRUE(WriteBytes(dir_ / "b.jpg", MakePicture(2400, 1600, L"image/jpeg")));
    ASSERT_TRUE(WriteBytes(dir_ / "a.jpg", MakePicture(650, 380, L"image/jpeg")));
    ASSERT_TRUE(viewer_.Start(Quoted(dir_ / "a.jpg")));
    // The engine sets this event of the viewer's process after each picture
    // it prepared ahead.
    char name[64];
    wsprintfA(name, "uiengine-prepared-%lu", viewer_.ProcessId());
    HANDLE prepared = CreateEventA(nullptr, TRUE, FALSE, name);
    ASSERT_NE(prepared, nullptr);
    ASSERT_NE(viewer_.Main(), nullptr);
    ASSERT_TRUE(viewer_.WaitTitle(L"a.jpg—Vela图片查看器")) << viewer_.Title();
    ASSERT_TRUE(WaitFor([&] { return WaitForSingleObject(prepared, 0) == WAIT_OBJECT_0; }, 30000));
    CloseHandle(prepared);
    // b.jpg was read and decoded as 2400 x 1600; now it is another picture.
    ASSERT_TRUE(WriteBytes(dir_ / "b.jpg", MakePicture(300, 200, L"image/jpeg", RGB(20, 160, 90))));
    HWND picture = viewer_.Control(kPictureView);
    viewer_.KeyRelease(picture, VK_RIGHT, true);
    EXPECT_TRUE(viewer_.WaitTitle(L"b.jpg—Vela图片查看器")) << viewer_.Title();
    EXPECT_TRUE(WaitView(250, 150, 300, 200)) << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
    // Back to the unchanged a.jpg, prepared meanwhile as b's neighbour.
    viewer_.KeyRelease(picture, VK_LEFT, true);
    EXPECT_TRUE(viewer_.WaitTitle(L"a.jpg—Vela图片查看器")) << viewer_.Title();
    EXPECT_TRUE(WaitView(75, 60, 650, 380)) << RectText(viewer_.ControlRect(kPictureView));
}

// The start picture's thread reads the file and asks the engine to prepare
// it; the tests' engine holds that request until the file holds another
// picture. The window shows what was read then: the file is read once.
TEST_F(ViewingE2E, TheStartWindowShowsTheBytesTheStartThreadRead) {
    ASSERT_TRUE(WriteBytes(dir_ / "a.jpg", MakePicture(650, 380, L"image/jpeg")));
    char name[64];
    wsprintfA(name, "uiengine-prepare-asked-%lu", GetCurrentProcessId());
    HANDLE asked = CreateEventA(nullptr, TRUE, FALSE, name);
    wsprintfA(name, "uiengine-prepare-hold-%lu", GetCurrentProcessId());
    HANDLE hold = CreateEventA(nullptr, TRUE, FALSE, name);
    ASSERT_NE(asked, nullptr);
    ASSERT_NE(hold, nullptr);
    ASSERT_TRUE(viewer_.Start(Quoted(dir_ / "a.jpg")));
    const bool wasAsked = WaitForSingleObject(asked, 30000) == WAIT_OBJECT_0;
    const bool rewritten = WriteBytes(dir_ / "a.jpg", MakePicture(300, 200, L"image/jpeg", RGB(20, 160, 90)));
    SetEvent(hold);
    CloseHandle(hold);
    CloseHandle(asked);
    ASSERT_TRUE(wasAsked);
    ASSERT_TRUE(rewritten);
    ASSERT_NE(viewer_.Main(), nullptr);
    ASSERT_TRUE(viewer_.WaitTitle(L"a.jpg—Vela图片查看器")) << viewer_.Title();
    // 650 x 380 as read at start, not the 300 x 200 the file holds now.
    EXPECT_TRUE(WaitView(75, 60, 650, 380)) << RectText(viewer_.ControlRect(kPictureView));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
}

TEST_F(ViewingE2E, UnreadablePictureShowsItsNameAndZeroPercent) {
    ASSERT_TRUE(WriteText(dir_ / "broken.jpg", "this is text, not a JPEG"));
    ASSERT_TRUE(viewer_.Start(Quoted(dir_ / "broken.jpg")));
    ASSERT_NE(viewer_.Main(), nullptr);
    EXPECT_TRUE(viewer_.WaitTitle(L"broken.jpg—Vela图片查看器")) << viewer_.Title();
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"0%")) << viewer_.ControlText(kZoomRatioButton);
    EXPECT_TRUE(WaitFor([&] { return SameRect(viewer_.WindowRect(), 560, 290, 800, 500); }))
        << RectText(viewer_.WindowRect());
    EXPECT_TRUE(WaitView(400, 250, 0, 0)) << RectText(viewer_.ControlRect(kPictureView));
}

TEST_F(ViewingE2E, EmptyWindowSaysWhatToDoUntilAPictureShows) {
    const std::wstring hint = L"拖放图片到此处，或右键打开图片";
    ASSERT_TRUE(WriteText(dir_ / "a.jpg", "not a picture either"));
    ASSERT_TRUE(WriteBytes(dir_ / "b.jpg", MakePicture(300, 200, L"image/jpeg")));
    ASSERT_TRUE(viewer_.Start(Quoted(dir_ / "a.jpg")));
    ASSERT_NE(viewer_.Main(), nullptr);
    ASSERT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"0%")) << viewer_.ControlText(kZoomRatioButton);
    EXPECT_TRUE(viewer_.WaitControlText(kSkinFrame, hint)) << viewer_.ControlText(kSkinFrame);
    // A step to the next file shows a picture: the line goes.
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_RIGHT, true);
    ASSERT_TRUE(viewer_.WaitTitle(L"b.jpg—Vela图片查看器")) << viewer_.Title();
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
    EXPECT_TRUE(viewer_.WaitControlText(kSkinFrame, L"")) << viewer_.ControlText(kSkinFrame);
    // And comes back on a step to the unreadable one.
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_LEFT, true);
    EXPECT_TRUE(viewer_.WaitControlText(kSkinFrame, hint)) << viewer_.ControlText(kSkinFrame);
}

TEST_F(ViewingE2E, RotateTurnsTheViewAndKeepsTheCaption) {
    Open("turn.jpg", 400, 300);
    ASSERT_TRUE(WaitView(200, 100, 400, 300)) << RectText(viewer_.ControlRect(kPictureView));
    viewer_.Click(viewer_.Control(kRotateButton));
    EXPECT_TRUE(WaitView(250, 50, 300, 400)) << RectText(viewer_.ControlRect(kPictureView));
    // The turned picture is 300 wide: still 100 %, and a zoom step reads
    // 330 against 300.
    EXPECT_EQ(viewer_.ControlText(kZoomRatioButton), L"100%");
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_UP, true);
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"110%")) << viewer_.ControlText(kZoomRatioButton);
    EXPECT_TRUE(WaitView(235, 30, 330, 440)) << RectText(viewer_.ControlRect(kPictureView));
}

// A GIF whose picture is smaller than its logical screen is shown at the
// screen's size the file states (2 x 2 holding a 1 x 1 picture at 1,1; 40 x
// 30 holding a 10 x 4 one at 5,7), and a turn turns the whole screen: this
// platform's decoder would measure the picture alone.
TEST_F(ViewingE2E, AGifIsShownAtItsLogicalScreensSize) {
    const struct {
        int w, h;
        GifFrame picture;
        RECT view, turned;  // left, top, width, height
    } cases[] = {
        {2, 2, GifFrame::Solid(1, 1, 1, 1, 1), {399, 249, 2, 2}, {399, 249, 2, 2}},
        {40, 30, GifFrame::Solid(5, 7, 10, 4, 0), {380, 235, 40, 30}, {385, 230, 30, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const std::string name = "screen" + std::to_string(c.w) + ".gif";
        const vela::Bytes gif = MakeMovingGif(c.w, c.h, {RGB(220, 30, 30), RGB(30, 60, 220)}, {c.picture}, -1);
        ASSERT_TRUE(WriteBytes(dir_ / name, gif));
        ASSERT_TRUE(viewer_.Start(Quoted(dir_ / name)));
        ASSERT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
        EXPECT_TRUE(WaitView(c.view.left, c.view.top, c.view.right, c.view.bottom))
            << RectText(viewer_.ControlRect(kPictureView));
        viewer_.Click(viewer_.Control(kRotateButton));
        EXPECT_TRUE(WaitView(c.turned.left, c.turned.top, c.turned.right, c.turned.bottom))
            << RectText(viewer_.ControlRect(kPictureView));
        viewer_.Kill();
    }
}

TEST_F(ViewingE2E, DraggingPansTheViewOneToOne) {
    Open("pan.jpg", 400, 300);
    ASSERT_TRUE(WaitView(200, 100, 400, 300));
    // The window is centred last, after the view has its place.
    ASSERT_TRUE(WaitFor([&] { return SameRect(viewer_.WindowRect(), 560, 290, 800, 500); }));
    HWND picture = viewer_.Control(kPictureView);
    const RECT w = viewer_.WindowRect();
    auto moveTo = [&](int x, int y) {
        SetCursorPos(w.left + x, w.top + y);
        WaitFor([&] {
            POINT p{};
            GetCursorPos(&p);
            return p.x == w.left + x && p.y == w.top + y;
        });
    };
    // The drag reads the cursor when the press is handled, so the cursor
    // moves on only once that handling is over.
    auto captured = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(picture, nullptr), &info) ? info.hwndCapture : nullptr;
    };
    moveTo(300, 200);
    PostMessageW(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    ASSERT_TRUE(WaitFor([&] { return captured() == picture; }));
    // The capture is taken as the press starts to be handled, before the
    // drag reads the cursor; a sent message is answered only once that
    // handling is over.
    DWORD_PTR answer = 0;
    ASSERT_NE(SendMessageTimeoutW(picture, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer), 0);
    moveTo(340, 170);
    PostMessageW(picture, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(140, 70));
    EXPECT_TRUE(WaitView(240, 70, 400, 300)) << RectText(viewer_.ControlRect(kPictureView));
    PostMessageW(picture, WM_LBUTTONUP, 0, MAKELPARAM(140, 70));
    ASSERT_TRUE(WaitFor([&] { return captured() == nullptr; }));
    // After the release the view no longer follows the cursor. The settings
    // window, opened by a click queued behind the move, shows that the move
    // has been handled; it leaves the view where it was.
    moveTo(100, 100);
    PostMessageW(picture, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    viewer_.Click(viewer_.Control(kSettingsButton));
    HWND settings = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND t : TopLevelWindows(viewer_.ProcessId()))
            if (t != viewer_.Main() && IsWindowVisible(t) && WindowTextW(t) == L"关联文件类型") settings = t;
        return settings != nullptr;
    }));
    EXPECT_TRUE(SameRect(viewer_.ControlRect(kPictureView), 240, 70, 400, 300))
        << RectText(viewer_.ControlRect(kPictureView));
    PostMessageW(settings, WM_CLOSE, 0, 0);
}
