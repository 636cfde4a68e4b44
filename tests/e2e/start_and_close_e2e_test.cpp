// The real viewer at awkward moments: closed while it is still opening a
// picture, scanning a large folder or in the middle of many steps; started
// with a bare file name from a console; a key pressed while a large first
// picture loads.
#include <windows.h>

#include <gtest/gtest.h>

#include "viewer_driver.h"

using namespace vela::test;

namespace {

const std::wstring kSuffix = L"—Vela图片查看器";

// How the viewer ended, as a user sees it: the text of a box shown on the
// way (answered), then the exit code.
std::wstring EndSeen(Viewer& viewer) {
    HWND box = nullptr;
    WaitFor([&] { return (box = FindMessageBox(viewer.ProcessId())) != nullptr || viewer.WaitExit(0) != STILL_ACTIVE; },
            30000);
    std::wstring seen;
    if (box) {
        for (const std::wstring& s : ChildTexts(box, L"Static")) seen += s + L", ";
        ClickButton(box, L"确定");
    }
    const DWORD code = viewer.WaitExit(10000);
    if (code == STILL_ACTIVE) viewer.Kill();
    return seen + L"exit " + std::to_wstring(static_cast<int>(code));
}

enum class Moment { Opening, Scanning, Walking };

class ClosingE2E : public ::testing::TestWithParam<Moment> {
protected:
    ScratchFolder dir_{"close"};
};

}  // namespace

// WM_CLOSE (Alt+F4, the taskbar, a shutdown) taken in the middle of a
// handler's message processing ends the program as the close button does.
TEST_P(ClosingE2E, EndsWithCodeZeroAndNoBox) {
    const Moment moment = GetParam();
    if (moment == Moment::Opening) {
        ASSERT_TRUE(WriteBytes(dir_ / "0.jpg", MakePicture(6000, 4000, L"image/jpeg")));
    } else {
        const vela::Bytes small = MakePicture(300, 200, L"image/jpeg");
        for (int i = 0; i < 40; ++i) ASSERT_TRUE(WriteBytes(dir_ / (std::to_string(100 + i) + ".jpg"), small));
        ASSERT_TRUE(WriteBytes(dir_ / "0.jpg", small));
        for (int i = 0; moment == Moment::Scanning && i < 3000; ++i) {
            ASSERT_TRUE(WriteText(dir_ / (std::to_string(i) + ".txt"), "x"));
        }
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        SCOPED_TRACE(attempt);
        Viewer viewer;
        ASSERT_TRUE(viewer.Start(Quoted(dir_ / "0.jpg")));
        HWND main = viewer.Main();
        ASSERT_NE(main, nullptr);
        if (moment == Moment::Walking) {
            ASSERT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%"));
            HWND picture = viewer.Control(kPictureView);
            for (int i = 0; i < 30; ++i) viewer.KeyRelease(picture, i % 4 == 3 ? VK_LEFT : VK_RIGHT, true);
        }
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(EndSeen(viewer), L"exit 0");
    }
}

INSTANTIATE_TEST_SUITE_P(Moments, ClosingE2E, ::testing::Values(Moment::Opening, Moment::Scanning, Moment::Walking));

TEST(StartE2E, BareNameIsTakenFromTheCurrentFolder) {
    ScratchFolder dir("bare");
    ASSERT_TRUE(WriteBytes(dir / "a.jpg", MakePicture(650, 380, L"image/jpeg")));
    ASSERT_TRUE(WriteBytes(dir / "b.jpg", MakePicture(300, 200, L"image/jpeg")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start("a.jpg", {}, dir.Path()));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%"));
    EXPECT_EQ(viewer.Title(), L"a.jpg" + kSuffix);
    viewer.KeyRelease(viewer.Control(kPictureView), VK_RIGHT, true);
    EXPECT_TRUE(viewer.WaitTitle(L"b.jpg" + kSuffix)) << viewer.Title();
    viewer.Kill();
}

TEST(StartE2E, KeyPressedWhileALargePictureLoadsActsOnceTheListIsBuilt) {
    ScratchFolder dir("early");
    ASSERT_TRUE(WriteBytes(dir / "a.jpg", MakePicture(6000, 4000, L"image/jpeg")));
    ASSERT_TRUE(WriteBytes(dir / "b.jpg", MakePicture(300, 200, L"image/jpeg")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.jpg")));
    ASSERT_NE(viewer.Main(), nullptr);
    viewer.KeyRelease(viewer.Control(kPictureView), VK_RIGHT, true);
    EXPECT_TRUE(viewer.WaitTitle(L"b.jpg" + kSuffix, 30000)) << viewer.Title();
    // The start-up went on to its end: b.jpg fitted at its natural size.
    EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%")) << viewer.ControlText(kZoomRatioButton);
    viewer.Kill();
}
