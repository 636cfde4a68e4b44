// The real viewer in full screen and in its slideshow: the window covers the
// screen on black with the picture fitted whole and no chrome, and comes
// back as it was; the slideshow walks the folder in order and stops.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "moving_pictures.h"
#include "pixel_compare.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {

constexpr COLORREF kColour = RGB(200, 120, 40);  // MakePicture's, its top-left corner white
constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);
const int kChrome[] = {kSettingsButton, kMinimizeButton, kMaximizeButton, kCloseButton,
                       kPreviousButton, kNextButton,     kToolbar};

bool NearColour(uint32_t pixel, COLORREF c) { return RgbNear(pixel, c, 8); }

// The first pixel of the screen rectangle further than a few units from
// the colour, as "x,y #rrggbb" (empty when none: no glyph, halo or caption
// of the chrome lies over it).
std::string Stray(const RECT& area, COLORREF colour) {
    const std::vector<uint32_t> pixels = ScreenPixels(area);
    if (pixels.empty()) return "no screen";
    const int w = area.right - area.left;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (NearColour(pixels[i], colour)) continue;
        char text[48];
        std::snprintf(text, sizeof text, "%d,%d #%06x", static_cast<int>(area.left) + static_cast<int>(i) % w,
                      static_cast<int>(area.top) + static_cast<int>(i) / w, pixels[i] & 0xFFFFFF);
        return text;
    }
    return {};
}

bool ChromeHidden(Viewer& viewer) {
    for (const int id : kChrome)
        if (IsWindowVisible(viewer.Control(id))) return false;
    return true;
}

// Where the picture's colour spans the screen's middle row, [first, last).
struct Span {
    int first = -1, last = -1;
    bool operator==(const Span&) const = default;
};

Span MiddleRowSpan() {
    const std::vector<uint32_t> row = ScreenPixels(RECT{0, 540, 1920, 541});
    Span span;
    for (int x = 0; x < static_cast<int>(row.size()); ++x) {
        if (!NearColour(row[x], kColour)) continue;
        if (span.first < 0) span.first = x;
        span.last = x + 1;
    }
    return span;
}

bool Near(const Span& a, const Span& b) { return std::abs(a.first - b.first) <= 2 && std::abs(a.last - b.last) <= 2; }

// A frame's span as the window system shows it while it moves the window
// from `from` to `to` (its left edges) before the window's next frame
// arrives: X11 moves a window with the pixels it has, cut at its new edges.
Span MovedWith(const Span& span, int from, int to, int right) {
    return {span.first - from + to, std::min(span.last - from + to, right)};
}

// Reads the screen's middle row over and over on its own thread, keeping
// each span of the picture that differs from the one before.
class RowWatch {
public:
    RowWatch() : thread_([this] { Run(); }) {}
    ~RowWatch() {
        stop_ = true;
        thread_.join();
    }
    std::vector<Span> Spans() {
        std::lock_guard<std::mutex> lock(mutex_);
        return spans_;
    }

private:
    void Run() {
        while (!stop_) {
            const Span span = MiddleRowSpan();
            std::lock_guard<std::mutex> lock(mutex_);
            if ((spans_.empty() || !(spans_.back() == span)) && spans_.size() < 1000) spans_.push_back(span);
        }
    }
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Span> spans_;
    std::thread thread_;
};

struct Trigger {
    const char* name;
    void (*enter)(Viewer& viewer);
};

const Trigger kTriggers[] = {
    {"F11", [](Viewer& v) { v.KeyRelease(v.Control(kPictureView), VK_F11); }},
    {"Enter", [](Viewer& v) { v.KeyRelease(v.Control(kPictureView), VK_RETURN); }},
    // Left of the fitted picture, above the edge button: the window's empty area.
    {"DoubleClickOnTheEmptyArea", [](Viewer& v) { v.DoubleClick(v.Main(), 20, 300); }},
};

class FullScreenE2E : public ::testing::TestWithParam<Trigger> {};

}  // namespace

TEST_P(FullScreenE2E, CoversTheScreenOnBlackWithoutChromeInOneFrameAndEscRestoresThenCloses) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
    ScratchFolder dir{"全屏"};
    ASSERT_TRUE(WriteBytes(dir / "a.png", MakePicture(2500, 1500, L"image/png")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.png")));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitTitle(L"a.png—Vela图片查看器"));
    // The start layout done: 2500 x 1500 whole in the window less its
    // margin (1633 wide), the view centred in the window, the window on the screen.
    ASSERT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"65%")) << viewer.ControlText(kZoomRatioButton);
    RECT window{}, view{};
    const Span screen{60, 1860};
    Span shown;
    ASSERT_TRUE(WaitFor([&] {
        window = viewer.WindowRect();
        view = viewer.ControlRect(kPictureView);
        shown = {window.left + view.left, window.left + view.right};
        const int w = window.right - window.left;
        return view.right - view.left == 1633 && std::abs(2 * view.left + 1633 - w) <= 1 &&
               std::abs(2 * window.left + w - 1920) <= 1 && Near(MiddleRowSpan(), shown);
    })) << RectText(window) << RectText(view);
    const std::wstring zoom = viewer.ControlText(kZoomRatioButton);
    RowWatch watch;

    GetParam().enter(viewer);
    // 2500 x 1500 whole in 1920 x 1080: 1080 high, 2500 / (1500 / 1080) = 1800 wide, centred.
    EXPECT_TRUE(WaitFor([&] {
        return SameRect(viewer.WindowRect(), 0, 0, 1920, 1080) &&
               SameRect(viewer.ControlRect(kPictureView), 60, 0, 1800, 1080) && ChromeHidden(viewer);
    })) << RectText(viewer.WindowRect()) << RectText(viewer.ControlRect(kPictureView));
    const struct {
        RECT area;
        COLORREF colour;
    } pixels[] = {
        {{0, 0, 60, 1080}, kBlack},         // left of the picture, the previous button's place
        {{1860, 0, 1920, 1080}, kBlack},    // right of it, the next and close buttons' places
        {{60, 0, 500, 40}, kWhite},         // the title's place, over the white mark
        {{1740, 0, 1860, 45}, kColour},     // the top-right buttons' places
        {{810, 1000, 1110, 1080}, kColour}, // the toolbar's place
    };
    for (const auto& p : pixels) {
        std::string stray;
        EXPECT_TRUE(WaitFor([&] { return (stray = Stray(p.area, p.colour)).empty(); })) << stray;
    }

    viewer.KeyRelease(viewer.Control(kPictureView), VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] {
        const RECT nowWindow = viewer.WindowRect(), nowView = viewer.ControlRect(kPictureView);
        return EqualRect(&window, &nowWindow) && EqualRect(&view, &nowView) &&
               IsWindowVisible(viewer.Control(kToolbar)) && Near(MiddleRowSpan(), shown);
    })) << RectText(viewer.WindowRect()) << RectText(viewer.ControlRect(kPictureView)) << " against "
        << RectText(window) << RectText(view);
    EXPECT_EQ(viewer.ControlText(kZoomRatioButton), zoom);
    // Only the window's frame and the screen's were composed, none laid out
    // between them (at the old size on black, at the new size in the
    // window, half drawn); the window system may show either for a moment
    // at the window's next place.
    const Span allowed[] = {shown, screen, MovedWith(shown, window.left, 0, 1920),
                            MovedWith(screen, 0, window.left, window.right)};
    for (const Span& s : watch.Spans()) {
        bool known = false;
        for (const Span& a : allowed) known = known || Near(s, a);
        EXPECT_TRUE(known) << s.first << ".." << s.last;
    }
    viewer.KeyRelease(viewer.Control(kPictureView), VK_ESCAPE);
    EXPECT_EQ(viewer.WaitExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Triggers, FullScreenE2E, ::testing::ValuesIn(kTriggers),
                         [](const ::testing::TestParamInfo<Trigger>& info) { return std::string(info.param.name); });

TEST(FullScreenFromMaximized, LeavesToTheMaximizedWindow) {
    ScratchFolder dir{"全屏最大化"};
    ASSERT_TRUE(WriteBytes(dir / "a.png", MakePicture(650, 380, L"image/png")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.png")));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return SameRect(viewer.WindowRect(), 560, 290, 800, 500); }));
    viewer.Click(viewer.Control(kMaximizeButton));
    ASSERT_TRUE(WaitFor([&] { return IsZoomed(viewer.Main()) != FALSE; }));
    const RECT maximized = viewer.WindowRect();
    viewer.KeyRelease(viewer.Control(kPictureView), VK_F11);
    // Never enlarged: the picture's own 650 x 380, centred on the screen.
    EXPECT_TRUE(WaitFor([&] {
        return !IsZoomed(viewer.Main()) && SameRect(viewer.WindowRect(), 0, 0, 1920, 1080) &&
               SameRect(viewer.ControlRect(kPictureView), 635, 350, 650, 380) && ChromeHidden(viewer);
    })) << RectText(viewer.WindowRect()) << RectText(viewer.ControlRect(kPictureView));
    viewer.KeyRelease(viewer.Control(kPictureView), VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] {
        const RECT now = viewer.WindowRect();
        return IsZoomed(viewer.Main()) && EqualRect(&now, &maximized) && IsWindowVisible(viewer.Control(kToolbar));
    })) << RectText(viewer.WindowRect());
    // And the window's own restore still knows its normal place.
    viewer.Click(viewer.Control(kMaximizeButton));
    EXPECT_TRUE(WaitFor([&] { return !IsZoomed(viewer.Main()) && SameRect(viewer.WindowRect(), 560, 290, 800, 500); }))
        << RectText(viewer.WindowRect());
    viewer.Kill();
}

TEST(FullScreenChrome, FadesInWhileTheMouseMovesNearTheBottomAndOutOnceItRests) {
    ScratchFolder dir{"全屏工具栏"};
    ASSERT_TRUE(WriteBytes(dir / "a.png", MakePicture(650, 380, L"image/png")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.png")));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%"));
    SetCursorPos(960, 540);
    viewer.KeyRelease(viewer.Control(kPictureView), VK_F11);
    ASSERT_TRUE(WaitFor([&] { return SameRect(viewer.WindowRect(), 0, 0, 1920, 1080) && ChromeHidden(viewer); }));
    // Moving along the bottom edge, beside the toolbar.
    int x = 300;
    EXPECT_TRUE(WaitFor([&] {
        SetCursorPos(x = x == 300 ? 310 : 300, 1060);
        return IsWindowVisible(viewer.Control(kToolbar)) && IsWindowVisible(viewer.Control(kCloseButton));
    }));
    // Whole once in: the zoom caption's white ink shows on the black.
    RECT caption{};
    GetWindowRect(viewer.Control(kZoomRatioButton), &caption);
    EXPECT_TRUE(WaitFor([&] { return !Stray(caption, kBlack).empty(); }));
    // At rest: gone again 2 s later (and not before a second).
    const DWORD rest = GetTickCount();
    EXPECT_TRUE(WaitFor([&] { return ChromeHidden(viewer); }, 6000));
    EXPECT_GE(GetTickCount() - rest, 1000u);
    viewer.Kill();
}

namespace {

const std::wstring kTitles[] = {L"a.png—Vela图片查看器", L"b.png—Vela图片查看器", L"c.png—Vela图片查看器",
                                L"d.png—Vela图片查看器"};

// A copy of the viewer whose 配置.ini sets a 1 s interval.
void CopyViewerWithOneSecondShow(const ScratchFolder& program) {
    for (const char* file : {"VelaViewer.exe", "ExuiKrnln.dll"})
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\" + file).c_str(), (program / file).c_str(), FALSE));
    ASSERT_TRUE(WritePrivateProfileStringA("配置", "幻灯间隔", "1", (program / "配置.ini").c_str()));
}

// That copy over four pictures.
class SlideshowE2E : public ::testing::Test {
protected:
    void SetUp() override {
        CopyViewerWithOneSecondShow(program_);
        for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
            ASSERT_TRUE(WriteBytes(pictures_ / name, MakePicture(300, 200, L"image/png")));
        ASSERT_TRUE(viewer_.Start(Quoted(pictures_ / "a.png"), program_ / "VelaViewer.exe", program_.Path()));
        ASSERT_NE(viewer_.Main(), nullptr);
        ASSERT_TRUE(viewer_.WaitTitle(kTitles[0]));
    }
    void TearDown() override { viewer_.Kill(); }

    // True when the title stays `title` for three intervals.
    bool StaysOn(const std::wstring& title) {
        return !WaitFor([&] { return viewer_.Title() != title; }, 3000) && viewer_.Title() == title;
    }

    ScratchFolder program_{"幻灯"};
    ScratchFolder pictures_{"幻灯图片"};
    Viewer viewer_;
};

}  // namespace

TEST_F(SlideshowE2E, VisitsEachPictureInOrderInFullScreenAndStopsOnTheLast) {
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_F5);
    std::vector<std::wstring> seen{viewer_.Title()};
    EXPECT_TRUE(WaitFor(
        [&] {
            const std::wstring title = viewer_.Title();
            if (title != seen.back()) seen.push_back(title);
            return title == kTitles[3];
        },
        15000));
    EXPECT_EQ(seen, std::vector<std::wstring>(std::begin(kTitles), std::end(kTitles)));
    EXPECT_TRUE(SameRect(viewer_.WindowRect(), 0, 0, 1920, 1080)) << RectText(viewer_.WindowRect());
    EXPECT_TRUE(StaysOn(kTitles[3]));
}

TEST_F(SlideshowE2E, AKeyStopsItAndStillDoesItsOwnWork) {
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_F5);
    ASSERT_TRUE(viewer_.WaitTitle(kTitles[1]));
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_LEFT, true);
    EXPECT_TRUE(viewer_.WaitTitle(kTitles[0])) << viewer_.Title();
    EXPECT_TRUE(StaysOn(kTitles[0]));
}

TEST(SlideshowOfAMovingPicture, PlaysItThroughOnceBeforeTheNext) {
    ScratchFolder program{"幻灯动图"}, pictures{"幻灯动图图片"};
    CopyViewerWithOneSecondShow(program);
    // Three frames of a second each, played for ever: its first play ends 3 s after it is shown.
    const vela::Bytes moving =
        MakeMovingGif(40, 30, {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                      {GifFrame::Solid(0, 0, 40, 30, 0, 100), GifFrame::Solid(0, 0, 40, 30, 1, 100),
                       GifFrame::Solid(0, 0, 40, 30, 2, 100)});
    ASSERT_TRUE(WriteBytes(pictures / "a.gif", moving));
    ASSERT_TRUE(WriteBytes(pictures / "b.png", MakePicture(300, 200, L"image/png")));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(pictures / "a.gif"), program / "VelaViewer.exe", program.Path()));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitTitle(L"a.gif—Vela图片查看器"));
    const DWORD shown = GetTickCount();
    viewer.KeyRelease(viewer.Control(kPictureView), VK_F5);
    ASSERT_TRUE(viewer.WaitTitle(L"b.png—Vela图片查看器"));
    // The 1 s interval alone would have stepped about 1 s after the show began.
    EXPECT_GE(GetTickCount() - shown, 2500u);
    viewer.Kill();
}
