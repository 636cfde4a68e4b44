// What the screen shows while the real viewer starts on a picture and steps
// to the next one: every frame is read back from the screen (BitBlt from the
// screen DC, which under Wine reads the X server's picture of it) and no
// frame may show a picture at a size other than its fitted one, a caption
// that is not the final one next to the first picture, or, during the step,
// neither picture.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pixel_compare.h"
#include "viewer_driver.h"

using namespace vela::test;
using vela::Bytes;

namespace {

constexpr COLORREF kFirstColour = RGB(220, 30, 160);
constexpr COLORREF kSecondColour = RGB(20, 190, 220);
// A strip around the middle of the screen holds the toolbar of the centred
// window, and so its zoom caption.
constexpr int kStripLeft = 760, kStripWidth = 400;

struct Shot {
    RECT first{0, 0, 0, 0};   // where the first picture's colour lies (empty: absent)
    RECT second{0, 0, 0, 0};  // the same for the second picture
    int firstHalf = 0;        // the width of the first picture's white mark (a quarter of it), along its top row
    std::vector<uint32_t> strip;  // kStripWidth columns of the whole screen height
};

bool Near(uint32_t pixel, COLORREF c) { return RgbNear(pixel, c, 29); }

// The rows and columns holding at least a few pixels of the colour: the
// picture's rectangle on screen (the white quarter of the test pictures
// leaves three quarters spanning it).
RECT Extent(const uint32_t* px, int w, int h, COLORREF c) {
    std::vector<int> rows(h), cols(w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Near(px[y * w + x], c)) ++rows[y], ++cols[x];
    RECT r{0, 0, 0, 0};
    int y0 = 0, y1 = h - 1, x0 = 0, x1 = w - 1;
    while (y0 < h && rows[y0] < 8) ++y0;
    while (y1 >= 0 && rows[y1] < 8) --y1;
    while (x0 < w && cols[x0] < 8) ++x0;
    while (x1 >= 0 && cols[x1] < 8) --x1;
    if (y0 <= y1 && x0 <= x1) r = RECT{x0, y0, x1 + 1, y1 + 1};
    return r;
}

// Reads the screen over and over on its own thread, keeping every frame that
// differs from the one before. A viewer started while it watches (with the
// tests' engine) waits after putting each frame on the screen until the
// screen was read, so that no frame passes unseen.
class ScreenWatch {
public:
    ScreenWatch() {
        char name[64];
        wsprintfA(name, "vela-frame-watch-%lu", GetCurrentProcessId());
        SetEnvironmentVariableA("UIENGINE_FRAME_WATCH", name);
        presented_ = CreateEventA(nullptr, FALSE, FALSE, (std::string(name) + "-presented").c_str());
        seen_ = CreateEventA(nullptr, FALSE, FALSE, (std::string(name) + "-seen").c_str());
        thread_ = std::thread([this] { Run(); });
    }
    ~ScreenWatch() {
        stop_ = true;
        thread_.join();
        SetEnvironmentVariableA("UIENGINE_FRAME_WATCH", nullptr);
        CloseHandle(presented_);
        CloseHandle(seen_);
    }
    // Waits until the screen has changed since the last Take and then not
    // changed for `quietMs` (at most 30 s).
    bool WaitStill(DWORD quietMs) {
        return WaitFor([&] { return changed_ && GetTickCount() - lastChange_ > quietMs; }, 30000);
    }
    std::vector<Shot> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<Shot> out;
        out.swap(shots_);
        changed_ = false;
        EXPECT_EQ(dropped_, 0) << "frames were seen but not kept";
        dropped_ = 0;
        return out;
    }

private:
    void Run() {
        const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, dib);
        const uint32_t* px = static_cast<const uint32_t*>(bits);
        uint64_t lastHash = 0;
        while (!stop_) {
            // A frame put on the screen waits for this read.
            const bool presented = WaitForSingleObject(presented_, 0) == WAIT_OBJECT_0;
            BitBlt(dc, 0, 0, w, h, screen, 0, 0, SRCCOPY);
            GdiFlush();
            uint64_t hash = 1469598103934665603ull;
            for (int i = 0; i < w * h; i += 3) hash = (hash ^ (px[i] & 0xFFFFFF)) * 1099511628211ull;
            if (hash == lastHash) {
                if (presented) SetEvent(seen_);
                continue;
            }
            lastHash = hash;
            lastChange_ = GetTickCount();
            changed_ = true;
            Shot s;
            s.first = Extent(px, w, h, kFirstColour);
            s.second = Extent(px, w, h, kSecondColour);
            if (!IsRectEmpty(&s.first)) {
                const uint32_t* row = px + (s.first.top + 2) * w;
                int x = s.first.left;
                while (x < w && !Near(row[x], kFirstColour)) ++x;
                s.firstHalf = x - s.first.left;
            }
            s.strip.resize(static_cast<size_t>(kStripWidth) * h);
            for (int y = 0; y < h; ++y)
                std::copy_n(px + y * w + kStripLeft, kStripWidth, s.strip.begin() + static_cast<ptrdiff_t>(y) * kStripWidth);
            {
                // Past the cap the newest frame still ends the list, and the
                // test hears of the ones left out.
                std::lock_guard<std::mutex> lock(mutex_);
                if (shots_.size() >= kMostShots) {
                    shots_.back() = std::move(s);
                    ++dropped_;
                } else {
                    shots_.push_back(std::move(s));
                }
            }
            if (presented) SetEvent(seen_);
        }
        SelectObject(dc, old);
        DeleteObject(dib);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }

    static constexpr size_t kMostShots = 120;  // each holds a strip of 1.7 MB
    HANDLE presented_ = nullptr, seen_ = nullptr;
    int dropped_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> changed_{true};
    std::atomic<DWORD> lastChange_{GetTickCount()};
    std::mutex mutex_;
    std::vector<Shot> shots_;
    std::thread thread_;
};

// Scaled edges blend into the ground: a pixel either way is the same place.
bool SamePlace(const RECT& a, const RECT& b) {
    return std::abs(a.left - b.left) <= 2 && std::abs(a.top - b.top) <= 2 && std::abs(a.right - b.right) <= 2 &&
           std::abs(a.bottom - b.bottom) <= 2;
}

RECT ScreenRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// Mean difference of a control's pixels between two frames' strips.
double StripDifference(const Shot& a, const Shot& b, const RECT& screenRect) {
    double sum = 0;
    int n = 0;
    for (int y = screenRect.top; y < screenRect.bottom; ++y)
        for (int x = std::max<LONG>(screenRect.left, kStripLeft); x < std::min<LONG>(screenRect.right, kStripLeft + kStripWidth); ++x) {
            const uint32_t p = a.strip[static_cast<size_t>(y) * kStripWidth + (x - kStripLeft)];
            const uint32_t q = b.strip[static_cast<size_t>(y) * kStripWidth + (x - kStripLeft)];
            for (int k = 0; k < 24; k += 8) sum += std::abs(static_cast<int>((p >> k) & 255) - static_cast<int>((q >> k) & 255));
            ++n;
        }
    return n ? sum / n : 1e9;
}

// Starts the viewer on `picture` (drawn in kFirstColour) and checks every
// frame of the launch: the picture never shows but at its fitted size, and
// where the window stands at its place, beside its final caption. Returns
// the picture's fitted place (empty when the launch failed).
RECT LaunchShowsOnlyTheFittedFrame(Viewer& v, ScreenWatch& watch, const std::string& picture) {
    const RECT none{0, 0, 0, 0};
    EXPECT_TRUE(watch.WaitStill(300));
    watch.Take();  // the screen before the viewer starts
    EXPECT_TRUE(v.Start(Quoted(picture)));
    if (!v.Main()) return none;
    // The zoom caption is written last, once the view is fitted.
    EXPECT_TRUE(WaitFor([&] {
        const std::wstring caption = v.ControlText(kZoomRatioButton);
        return !caption.empty() && caption.back() == L'%';
    })) << v.ControlText(kZoomRatioButton);
    EXPECT_TRUE(watch.WaitStill(1000));
    const RECT place = ScreenRectOf(v.Control(kPictureView));
    const RECT zoomPlace = ScreenRectOf(v.Control(kZoomRatioButton));
    std::vector<Shot> launch = watch.Take();
    if (launch.empty() || !SamePlace(launch.back().first, place)) {
        ADD_FAILURE() << (launch.empty() ? std::wstring(L"no frame") : RectText(launch.back().first)) << " vs " << RectText(place);
        return none;
    }
    int shown = 0;
    for (size_t i = 0; i < launch.size(); ++i) {
        const Shot& s = launch[i];
        if (IsRectEmpty(&s.first)) continue;
        ++shown;
        // The window still grows and moves to its place around the fitted
        // view, and its edges or the screen's may cut the view: the white
        // mark (a quarter of the width), where its left edge is on screen,
        // gives the view's width.
        if (s.first.left > 0) {
            EXPECT_LE(std::abs(4 * s.firstHalf - (place.right - place.left)), 12)
                << "launch frame " << i << ": " << RectText(s.first) << ", half " << s.firstHalf;
        }
        EXPECT_LE(s.first.bottom - s.first.top, place.bottom - place.top + 2)
            << "launch frame " << i << ": " << RectText(s.first);
        if (SamePlace(s.first, place)) {
            EXPECT_LT(StripDifference(s, launch.back(), zoomPlace), 1.0) << "launch frame " << i << ": another caption";
        }
    }
    EXPECT_GE(shown, 1);
    return place;
}

}  // namespace

// A picture wider than the screen is shown smaller than its natural size:
// no frame of the launch may show it at that size, nor at the window's
// width before the height is set.
TEST(FramesE2E, LaunchOfAPictureWiderThanTheScreenShowsOnlyItsFittedFrame) {
    ScratchFolder dir("frames-wide");
    ASSERT_TRUE(WriteBytes(dir / "wide.jpg", MakePicture(2600, 1000, L"image/jpeg", kFirstColour)));
    Viewer v;
    ScreenWatch watch;
    const RECT place = LaunchShowsOnlyTheFittedFrame(v, watch, dir / "wide.jpg");
    ASSERT_FALSE(IsRectEmpty(&place));
    EXPECT_LT(place.right - place.left, 2600);
    v.Kill();
}

// A picture shown fitted at launch, then a wider one fitted into the same
// window at another size: the first picture never shows but at its fitted
// place and beside its final caption; during the step every frame shows one
// of the two pictures at its own fitted place, and the sharper copy that
// follows the step's first frame lies exactly where that frame put it.
TEST(FramesE2E, LaunchAndStepShowOnlyFittedFrames) {
    ScratchFolder dir("frames");
    ASSERT_TRUE(WriteBytes(dir / "a.jpg", MakePicture(1500, 800, L"image/jpeg", kFirstColour)));
    ASSERT_TRUE(WriteBytes(dir / "b.jpg", MakePicture(2400, 1000, L"image/jpeg", kSecondColour)));
    Viewer v;
    ScreenWatch watch;
    const RECT firstPlace = LaunchShowsOnlyTheFittedFrame(v, watch, dir / "a.jpg");
    ASSERT_FALSE(IsRectEmpty(&firstPlace));
    ASSERT_EQ(v.ControlText(kZoomRatioButton), L"100%");

    const std::wstring firstCaption = v.ControlText(kZoomRatioButton);
    v.KeyRelease(v.Control(kPictureView), VK_RIGHT, true);
    ASSERT_TRUE(v.WaitTitle(L"b.jpg—Vela图片查看器")) << v.Title();
    ASSERT_TRUE(WaitFor([&] { return v.ControlText(kZoomRatioButton) != firstCaption; }));
    ASSERT_TRUE(watch.WaitStill(1000));
    const RECT secondPlace = ScreenRectOf(v.Control(kPictureView));
    ASSERT_FALSE(SamePlace(firstPlace, secondPlace));
    std::vector<Shot> step = watch.Take();
    ASSERT_FALSE(step.empty());
    ASSERT_TRUE(SamePlace(step.back().second, secondPlace))
        << RectText(step.back().second) << " vs " << RectText(secondPlace);
    for (size_t i = 0; i < step.size(); ++i) {
        const Shot& s = step[i];
        const bool first = !IsRectEmpty(&s.first), second = !IsRectEmpty(&s.second);
        EXPECT_TRUE(first != second) << "step frame " << i << ": first " << RectText(s.first) << ", second "
                                     << RectText(s.second);
        if (first) {
            EXPECT_TRUE(SamePlace(s.first, firstPlace)) << "step frame " << i << ": " << RectText(s.first);
        }
        if (second) {
            EXPECT_TRUE(SamePlace(s.second, secondPlace)) << "step frame " << i << ": " << RectText(s.second);
        }
    }
    v.Kill();
}

namespace {

// A PNG whose header chunk is whole and right (w x h) but whose picture
// data is no compressed stream at all: its size reads, its decode fails.
Bytes PngWithBrokenData(int width, int height) {
    Bytes png = MakePicture(width, height, L"image/png", kSecondColour);
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = (size_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        if (std::equal(png.begin() + at + 4, png.begin() + at + 8, "IDAT"))
            std::fill(png.begin() + at + 8, png.begin() + at + 8 + length, 0xFF);
        at += 12 + length;
    }
    return png;
}

// The whole strip of two frames differs (mean difference over its pixels).
bool Differ(const Shot& a, const Shot& b) {
    return StripDifference(a, b, RECT{kStripLeft, 0, kStripLeft + kStripWidth, GetSystemMetrics(SM_CYSCREEN)}) > 1.0;
}

// Launches the viewer on `path` and waits for its 0 % caption and a still
// screen; the frames shown from the launch on.
std::vector<Shot> LaunchUndecodable(Viewer& v, ScreenWatch& watch, const std::string& path) {
    EXPECT_TRUE(watch.WaitStill(300));
    watch.Take();
    EXPECT_TRUE(v.Start(Quoted(path)));
    EXPECT_NE(v.Main(), nullptr);
    EXPECT_TRUE(v.WaitControlText(kZoomRatioButton, L"0%")) << v.ControlText(kZoomRatioButton);
    EXPECT_TRUE(watch.WaitStill(1000));
    return watch.Take();
}

}  // namespace

// A picture whose header gives a size but whose data cannot be decoded ends
// as a file that is no picture at all: the same window, caption 0 % and
// hint line, and no frame laid out for the header's size on the way; a step
// to it shows the picture before or that end, nothing in between.
TEST(FramesE2E, APictureWhoseDataFailsEndsAsNoPictureWithoutAnotherFrame) {
    ScratchFolder broken("frames-broken"), junk("frames-junk");
    ASSERT_TRUE(WriteBytes(broken / "p.png", PngWithBrokenData(1200, 700)));
    ASSERT_TRUE(WriteText(junk / "p.png", "no picture here"));
    ScreenWatch watch;
    RECT noPictureWindow{};
    Shot noPicture;
    {
        Viewer v;
        const std::vector<Shot> shots = LaunchUndecodable(v, watch, junk / "p.png");
        ASSERT_FALSE(shots.empty());
        noPicture = shots.back();
        noPictureWindow = v.WindowRect();
        v.Kill();
    }
    Viewer v;
    const std::vector<Shot> shots = LaunchUndecodable(v, watch, broken / "p.png");
    ASSERT_FALSE(shots.empty());
    const RECT window = v.WindowRect();
    EXPECT_TRUE(EqualRect(&noPictureWindow, &window)) << RectText(window) << " vs " << RectText(noPictureWindow);
    EXPECT_FALSE(Differ(shots.back(), noPicture)) << "another end than a file with no picture";
    for (size_t i = 0; i + 1 < shots.size(); ++i) {
        EXPECT_TRUE(IsRectEmpty(&shots[i].second)) << "launch frame " << i;
        // Before the window (the screen as it was), or its end.
        EXPECT_TRUE(!Differ(shots[i], shots.front()) || !Differ(shots[i], shots.back())) << "launch frame " << i;
    }
    v.Kill();

    ASSERT_TRUE(WriteBytes(broken / "a.jpg", MakePicture(1500, 800, L"image/jpeg", kFirstColour)));
    Viewer s;
    const RECT firstPlace = LaunchShowsOnlyTheFittedFrame(s, watch, broken / "a.jpg");
    ASSERT_FALSE(IsRectEmpty(&firstPlace));
    const std::vector<Shot> before = watch.Take();
    s.KeyRelease(s.Control(kPictureView), VK_RIGHT, true);
    ASSERT_TRUE(s.WaitTitle(L"p.png—Vela图片查看器")) << s.Title();
    EXPECT_TRUE(s.WaitControlText(kZoomRatioButton, L"0%")) << s.ControlText(kZoomRatioButton);
    ASSERT_TRUE(watch.WaitStill(1000));
    const std::vector<Shot> step = watch.Take();
    ASSERT_FALSE(step.empty());
    EXPECT_TRUE(IsRectEmpty(&step.back().first));
    for (size_t i = 0; i < step.size(); ++i) {
        const Shot& f = step[i];
        EXPECT_TRUE(IsRectEmpty(&f.second)) << "step frame " << i;
        const bool old = SamePlace(f.first, firstPlace);
        EXPECT_TRUE(old || !Differ(f, step.back())) << "step frame " << i << ": " << RectText(f.first);
    }
    s.Kill();
}
