// The real viewer at 150 % display scaling (run by scripts/wine-dpi.sh under
// a prefix whose LogPixels is 144): the chrome and the layout margins grow by
// 1.5, the picture keeps its pixels, nothing leaves the window or overlaps,
// and the zoom caption is whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "viewer_driver.h"

using namespace vela::test;

namespace {

int Width(const RECT& r) { return r.right - r.left; }

// The widest run of columns holding bright (caption) pixels in a screen
// rectangle, and whether any bright pixel touches its left or right edge.
struct Ink {
    int first = -1, last = -1;
};
Ink BrightColumns(const RECT& screen) {
    Ink ink;
    const int w = Width(screen), h = screen.bottom - screen.top;
    const std::vector<uint32_t> pixels = ScreenPixels(screen);
    if (pixels.empty()) return ink;
    const uint32_t* px = pixels.data();
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            if ((px[y * w + x] & 0xFF) >= 200) {
                if (ink.first < 0) ink.first = x;
                ink.last = x;
                break;
            }
    return ink;
}

}  // namespace

TEST(DisplayScaling, ChromeAndMarginsGrowByOneAndAHalfThePictureKeepsItsPixels) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 144) << "run through scripts/wine-dpi.sh 144";
    ScratchFolder dir{"dpi"};
    ASSERT_TRUE(WriteBytes(dir / "a.jpg", MakePicture(650, 380, L"image/jpeg")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.jpg")));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%")) << viewer.ControlText(kZoomRatioButton);
    // The smallest window, 800 x 500 at 100 %, is 1200 x 750, centred on
    // the 1920 x 1080 screen.
    EXPECT_TRUE(WaitFor([&] { return SameRect(viewer.WindowRect(), 360, 165, 1200, 750); }))
        << RectText(viewer.WindowRect());

    const struct {
        int id;
        int left, top, width, height;
    } want[] = {
        {kCloseButton, 1155, 0, 45, 45},    {kMaximizeButton, 1110, 0, 45, 45},
        {kMinimizeButton, 1065, 0, 45, 45}, {kSettingsButton, 1020, 0, 45, 45},
        {kPreviousButton, 0, 307, 45, 135}, {kNextButton, 1155, 307, 45, 135},
        {kToolbar, 375, 675, 450, 75},      {kZoomInButton, 375, 675, 75, 75},
        {kZoomRatioButton, 450, 675, 75, 75}, {kZoomOutButton, 525, 675, 75, 75},
        {kSaveButton, 600, 675, 75, 75},    {kDeleteButton, 675, 675, 75, 75},
        {kRotateButton, 750, 675, 75, 75},
        // 100 %: the picture's own 650 x 380 pixels, centred.
        {kPictureView, 275, 185, 650, 380},
    };
    // The window takes its size during the start layout; its controls are
    // moved once, when the layout ends.
    EXPECT_TRUE(WaitFor([&] {
        for (const auto& w : want)
            if (!SameRect(viewer.ControlRect(w.id), w.left, w.top, w.width, w.height)) return false;
        return true;
    }));
    std::vector<RECT> chrome;
    for (const auto& w : want) {
        SCOPED_TRACE(w.id);
        const RECT r = viewer.ControlRect(w.id);
        EXPECT_TRUE(SameRect(r, w.left, w.top, w.width, w.height)) << RectText(r);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 1200 && r.bottom <= 750) << RectText(r);
        if (w.id != kToolbar && w.id != kPictureView) chrome.push_back(r);
    }
    for (size_t i = 0; i < chrome.size(); ++i)
        for (size_t j = i + 1; j < chrome.size(); ++j) {
            RECT both{};
            EXPECT_FALSE(IntersectRect(&both, &chrome[i], &chrome[j])) << RectText(chrome[i]) << RectText(chrome[j]);
        }

    // The caption "100%" is drawn whole inside its button: its ink spans
    // more than four characters' worth of a cut "10…" and keeps clear of
    // the button's sides.
    RECT caption{};
    GetWindowRect(viewer.Control(kZoomRatioButton), &caption);
    Ink ink;
    EXPECT_TRUE(WaitFor([&] {
        ink = BrightColumns(caption);
        return ink.first >= 0;
    }));
    EXPECT_GE(ink.first, 3);
    EXPECT_LE(ink.last, Width(caption) - 4);
    EXPECT_GE(ink.last - ink.first + 1, 30);
    // The magnifier is the one drawn for 150 %, not the 100 % one (31
    // pixels of white from its ring to its handle's end): 46 pixels.
    RECT zoomIn{};
    GetWindowRect(viewer.Control(kZoomInButton), &zoomIn);
    const Ink glyph = BrightColumns(zoomIn);
    EXPECT_GE(glyph.last - glyph.first + 1, 44);
    EXPECT_LE(glyph.last - glyph.first + 1, 48);
    viewer.Kill();
}

TEST(DisplayScaling, FullScreenFillsTheScreenExactlyThePictureKeepsItsPixels) {
    ScratchFolder dir{"dpi全屏"};
    ASSERT_TRUE(WriteBytes(dir / "a.png", MakePicture(650, 380, L"image/png")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.png")));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%")) << viewer.ControlText(kZoomRatioButton);
    viewer.KeyRelease(viewer.Control(kPictureView), VK_F11);
    // The whole screen in its own pixels; the picture never enlarged, centred.
    EXPECT_TRUE(WaitFor([&] {
        return SameRect(viewer.WindowRect(), 0, 0, 1920, 1080) &&
               SameRect(viewer.ControlRect(kPictureView), 635, 350, 650, 380);
    })) << RectText(viewer.WindowRect()) << RectText(viewer.ControlRect(kPictureView));
    // Opaque black to each corner and edge: the frame is the screen's size,
    // not the window's at another scaling.
    const RECT edges[] = {{0, 0, 1920, 8}, {0, 1072, 1920, 1080}, {0, 0, 8, 1080}, {1912, 0, 1920, 1080}};
    for (const RECT& e : edges) {
        EXPECT_TRUE(WaitFor([&] {
            const std::vector<uint32_t> px = ScreenPixels(e);
            if (px.empty()) return false;
            for (const uint32_t p : px)
                if ((p & 0xFFFFFF) != 0) return false;
            return true;
        })) << e.left << "," << e.top;
    }
    viewer.Kill();
}
