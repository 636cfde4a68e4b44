// The real viewer stepping through a folder with a WebP among JPEGs: the
// WebP is listed, shown at its natural size (window, view and zoom caption
// as for any picture of that size) in its colours on the screen, turned a
// quarter, and stepped away from.
#include <windows.h>

#include <gtest/gtest.h>

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

bool Near(uint32_t rgb, COLORREF c, int tolerance = 8) {
    const int d[3] = {static_cast<int>((rgb >> 16) & 0xFF) - GetRValue(c), static_cast<int>((rgb >> 8) & 0xFF) - GetGValue(c),
                      static_cast<int>(rgb & 0xFF) - GetBValue(c)};
    for (int v : d)
        if (v < -tolerance || v > tolerance) return false;
    return true;
}

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
