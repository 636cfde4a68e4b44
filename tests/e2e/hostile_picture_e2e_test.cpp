// The real viewer given tiny JPEGs whose headers claim pictures larger than
// the process can hold: it shows the name and 0%, stays alive, and ends
// with exit code 0 through its close button.
#include <windows.h>

#include <gtest/gtest.h>

#include "fuzz_corpus.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {

std::wstring Title(const std::string& name) { return std::wstring(name.begin(), name.end()) + L"—Vela图片查看器"; }

}  // namespace

TEST(HostilePictureE2E, HugeHeaderShowsNameAndZeroPercentAndClosesCleanly) {
    for (const int side : {12000, 16384}) {
        SCOPED_TRACE(side);
        ScratchFolder dir;
        const std::string name = "huge" + std::to_string(side) + ".jpg";
        const vela::Bytes jpeg = CraftedJpeg(side, side);
        ASSERT_EQ(jpeg.size(), 23u);
        ASSERT_TRUE(WriteBytes(dir / name, jpeg));
        Viewer viewer;
        ASSERT_TRUE(viewer.Start(Quoted(dir / name)));
        ASSERT_NE(viewer.Main(), nullptr);
        EXPECT_TRUE(viewer.WaitTitle(Title(name))) << viewer.Title();
        EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"0%")) << viewer.ControlText(kZoomRatioButton);
        viewer.Click(viewer.Control(kCloseButton));
        EXPECT_EQ(viewer.WaitExit(), 0u);
        viewer.Kill();
    }
}

TEST(HostilePictureE2E, SteppingQuicklyThroughHugeHeadersKeepsTheViewerAlive) {
    // Each claims a 1 GiB picture: two of them at once do not fit in the
    // address space of a 32-bit process.
    ScratchFolder dir;
    const char* names[] = {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"};
    for (const char* n : names) ASSERT_TRUE(WriteBytes(dir / n, CraftedJpeg(16384, 16384)));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.jpg")));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitTitle(Title("a.jpg"))) << viewer.Title();
    ASSERT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"0%"));
    HWND picture = viewer.Control(kPictureView);
    for (int i = 1; i < 6; ++i) viewer.KeyRelease(picture, VK_RIGHT, true);
    EXPECT_TRUE(viewer.WaitTitle(Title("f.jpg"), 30000)) << viewer.Title();
    EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"0%")) << viewer.ControlText(kZoomRatioButton);
    viewer.Click(viewer.Control(kCloseButton));
    EXPECT_EQ(viewer.WaitExit(), 0u);
    viewer.Kill();
}
