// The real viewer stepping through a folder with a WebP among JPEGs: the
// WebP is listed, shown at its natural size (window, view and zoom caption
// as for any picture of that size) in its colours on the screen, turned a
// quarter, and stepped away from; moving GIFs and WebPs change on the
// screen at their frame rate and stop when stepped away from.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "moving_pictures.h"
#include "pixel_compare.h"
#include "viewer_driver.h"
#include "webp_pictures.h"

using namespace vela::test;

namespace {

// The screen pixel at a point of the viewer's client area, as 0xRRGGBB.
uint32_t ScreenAt(Viewer& viewer, int x, int y) {
    POINT p{x, y};
    ClientToScreen(viewer.Main(), &p);
    const std::vector<uint32_t> px = ScreenPixels(RECT{p.x, p.y, p.x + 1, p.y + 1});
    return px.empty() ? 0xFFFFFFFFu : px[0] & 0xFFFFFFu;
}

bool Near(uint32_t rgb, COLORREF c) { return RgbNear(rgb, c, 8); }

}  // namespace

TEST(WebpE2E, AStillWebpAmongJpegsIsSteppedToShownAtItsSizeAndTurned) {
    ScratchFolder dir("webpe2e");
    const COLORREF colour = RGB(30, 140, 220);
    ASSERT_TRUE(WriteBytes(dir / "a.jpg", MakePicture(650, 380, L"image/jpeg")));
    const vela::Bytes webp = EncodeWebp(QuarterPixels(640, 360, colour), false, 95);
    ASSERT_FALSE(webp.empty());
    ASSERT_TRUE(WriteBytes(dir / "b.webp", webp));
    ASSERT_TRUE(WriteBytes(dir / "c.jpg", MakePicture(300, 200, L"image/jpeg")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.jpg")));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitTitle(L"a.jpg—Vela图片查看器")) << viewer.Title();
    ASSERT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%"));
    HWND picture = viewer.Control(kPictureView);

    viewer.KeyRelease(picture, VK_RIGHT, true);
    EXPECT_TRUE(viewer.WaitTitle(L"b.webp—Vela图片查看器")) << viewer.Title();
    // 640 x 360 in the 800 x 500 window: natural size, centred, 100 %.
    EXPECT_TRUE(WaitFor([&] { return SameRect(viewer.ControlRect(kPictureView), 80, 70, 640, 360); }))
        << RectText(viewer.ControlRect(kPictureView));
    EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%")) << viewer.ControlText(kZoomRatioButton);
    // Its pixels on the screen: the white quarter top-left, the colour elsewhere.
    EXPECT_TRUE(WaitFor([&] { return Near(ScreenAt(viewer, 80 + 100, 70 + 60), RGB(255, 255, 255)); }))
        << std::hex << ScreenAt(viewer, 80 + 100, 70 + 60);
    EXPECT_TRUE(WaitFor([&] { return Near(ScreenAt(viewer, 80 + 500, 70 + 300), colour); }))
        << std::hex << ScreenAt(viewer, 80 + 500, 70 + 300);

    // Turned a quarter: 360 x 640 fitted, the white quarter now top-right.
    viewer.Click(viewer.Control(kRotateButton));
    EXPECT_TRUE(WaitFor([&] {
        const RECT r = viewer.ControlRect(kPictureView);
        return r.right - r.left < r.bottom - r.top;
    })) << RectText(viewer.ControlRect(kPictureView));
    const RECT turned = viewer.ControlRect(kPictureView);
    const int tw = turned.right - turned.left, th = turned.bottom - turned.top;
    EXPECT_TRUE(WaitFor([&] { return Near(ScreenAt(viewer, turned.left + tw * 3 / 4, turned.top + th / 8), RGB(255, 255, 255)); }));
    EXPECT_TRUE(WaitFor([&] { return Near(ScreenAt(viewer, turned.left + tw / 4, turned.top + th / 8), colour); }));

    viewer.KeyRelease(picture, VK_RIGHT, true);
    EXPECT_TRUE(viewer.WaitTitle(L"c.jpg—Vela图片查看器")) << viewer.Title();
    viewer.KeyRelease(picture, VK_LEFT, true);
    EXPECT_TRUE(viewer.WaitTitle(L"b.webp—Vela图片查看器")) << viewer.Title();
    EXPECT_TRUE(WaitFor([&] { return SameRect(viewer.ControlRect(kPictureView), 80, 70, 640, 360); }))
        << RectText(viewer.ControlRect(kPictureView));
    viewer.Kill();
}

namespace {

// The screen colours at a client point sampled for `ms` at most, or until
// `enough` were seen: each change once.
std::vector<uint32_t> Sample(Viewer& viewer, int x, int y, DWORD ms, size_t enough = SIZE_MAX) {
    std::vector<uint32_t> seen;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms && seen.size() < enough) {
        const uint32_t c = ScreenAt(viewer, x, y);
        if (seen.empty() || seen.back() != c) seen.push_back(c);
        Sleep(10);
    }
    return seen;
}

}  // namespace

TEST(WebpE2E, MovingPicturesPlayAtTheirRateAndStopWhenSteppedAwayFrom) {
    ScratchFolder dir("movinge2e");
    const COLORREF red = RGB(220, 30, 30), blue = RGB(30, 60, 220);
    ASSERT_TRUE(WriteBytes(dir / "a.jpg", MakePicture(300, 200, L"image/jpeg")));
    // 200 ms a frame, for ever.
    ASSERT_TRUE(WriteBytes(dir / "b.gif", MakeMovingGif(300, 200, {red, blue},
                                                          {GifFrame::Solid(0, 0, 300, 200, 0, 20),
                                                           GifFrame::Solid(0, 0, 300, 200, 1, 20)})));
    ASSERT_TRUE(WriteBytes(dir / "c.webp",
                           EncodeAnimatedWebp({QuarterPixels(300, 200, red), QuarterPixels(300, 200, blue)}, 200)));
    ASSERT_TRUE(WriteBytes(dir / "d.jpg", MakePicture(300, 200, L"image/jpeg", RGB(30, 200, 60))));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.jpg")));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitTitle(L"a.jpg—Vela图片查看器")) << viewer.Title();
    ASSERT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%"));
    HWND picture = viewer.Control(kPictureView);
    // 300 x 200 in the 800 x 500 window: the view at (250, 150); sampled at
    // its bottom-right part, outside the WebP's white quarter.
    const int x = 250 + 250, y = 150 + 150;
    for (const wchar_t* name : {L"b.gif", L"c.webp"}) {
        SCOPED_TRACE(name);
        viewer.KeyRelease(picture, VK_RIGHT, true);
        ASSERT_TRUE(viewer.WaitTitle(std::wstring(name) + L"—Vela图片查看器")) << viewer.Title();
        ASSERT_TRUE(WaitFor([&] { return SameRect(viewer.ControlRect(kPictureView), 250, 150, 300, 200); }));
        ASSERT_TRUE(WaitFor([&] { return Near(ScreenAt(viewer, x, y), red) || Near(ScreenAt(viewer, x, y), blue); }));
        // Eight colours, each red or blue: the eighth came seven changes
        // after the first sample, six frames of 200 ms after the first
        // change (a slow run, or a change missed between samples, only
        // makes that later).
        const DWORD start = GetTickCount();
        const std::vector<uint32_t> seen = Sample(viewer, x, y, 20000, 8);
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(seen.size(), 8u);
        EXPECT_GE(took, 6 * 200u - 100u);
        for (uint32_t c : seen) EXPECT_TRUE(Near(c, red) || Near(c, blue)) << std::hex << c;
    }
    // A zoom while it plays: the view grows and the frames keep changing.
    viewer.KeyRelease(picture, VK_UP, true);
    EXPECT_TRUE(WaitFor([&] { return viewer.ControlText(kZoomRatioButton) != L"100%"; }))
        << viewer.ControlText(kZoomRatioButton);
    EXPECT_TRUE(WaitFor([&] { return viewer.ControlRect(kPictureView).right - viewer.ControlRect(kPictureView).left > 300; }))
        << RectText(viewer.ControlRect(kPictureView));
    EXPECT_GE(Sample(viewer, 400 + 60, 250 + 40, 10000, 3).size(), 3u);  // outside the white quarter
    viewer.KeyRelease(picture, VK_RIGHT, true);
    ASSERT_TRUE(viewer.WaitTitle(L"d.jpg—Vela图片查看器")) << viewer.Title();
    ASSERT_TRUE(WaitFor([&] { return Near(ScreenAt(viewer, x, y), RGB(30, 200, 60)); }));
    EXPECT_EQ(Sample(viewer, x, y, 1000).size(), 1u);
    viewer.Kill();
}
