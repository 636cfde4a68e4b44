// The skinned look reaching the composed pixels: packs built into the
// program, backdrop, hover and pressed states, the restore glyph while
// maximized, caption texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine_harness.h"
#include "test_support.h"

using namespace vela::test;

namespace {

// Straight white at alpha a over the backdrop, premultiplied.
uint32_t WhiteOverBackdrop(int a) {
    const int alpha = a + (140 * (255 - a) + 127) / 255;
    return (static_cast<uint32_t>(alpha) << 24) | (a << 16) | (a << 8) | a;
}

::testing::AssertionResult PixelBecomes(HWND top, int x, int y, uint32_t want) {
    uint32_t got = 0;
    const bool ok = WaitFor([&] {
        if (!WaitForFrame(top, 2000)) return false;
        FrameShot s = Shoot(top);
        if (s.width <= x || s.height <= y) return false;
        got = s.At(x, y);
        return PixelNear(got, want, 3);
    }, 5000);
    if (ok) return ::testing::AssertionSuccess();
    char text[96];
    snprintf(text, sizeof text, "pixel %d,%d is 0x%08lX, wanted 0x%08lX", x, y, static_cast<unsigned long>(got),
             static_cast<unsigned long>(want));
    return ::testing::AssertionFailure() << text;
}

// Where a host's client point lies in the composed frame.
POINT InFrame(HWND top, HWND host, int x, int y) {
    POINT p{x, y};
    ClientToScreen(host, &p);
    RECT r{};
    GetWindowRect(top, &r);
    return {p.x - r.left, p.y - r.top};
}

class EngineLook : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(Engine().dll, nullptr);
        main_ = MakeSkinnedMain();
        ASSERT_TRUE(WaitForFrame(main_.top));
    }
    static void TearDownTestSuite() { Close(main_.top); }
    static SkinnedMain main_;
};
SkinnedMain EngineLook::main_;

}  // namespace

TEST(EnginePacks, EveryControlHasItsPackInTheProgram) {
    for (const char* name : {"SkinFrame", "SettingsButton", "MinimizeButton", "MaximizeButton", "CloseButton",
                             "PreviousButton", "NextButton", "Toolbar", "RotateButton", "DeleteButton", "SaveButton",
                             "ZoomOutButton", "ZoomRatioButton", "ZoomInButton", "PictureView"}) {
        SCOPED_TRACE(name);
        const unsigned char* p = static_cast<const unsigned char*>(ViewerPack(name));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(memcmp(p, EXPK_MAGIC, 4), 0);
        uint32_t length = 0;
        memcpy(&length, p + 4, 4);
        EXPECT_GE(length, 16u);
    }
    EXPECT_EQ(ViewerPack("NoSuchControl"), nullptr);
}

TEST(EnginePacks, ProgramIconHasNineSizes) {
    HMODULE exe = LoadLibraryExA((ProgramFolder() + "\\VelaViewer.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC group = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const unsigned char* dir = static_cast<const unsigned char*>(LockResource(LoadResource(exe, group)));
    ASSERT_EQ(dir[4] | (dir[5] << 8), 9);
    std::vector<int> sizes;
    for (int i = 0; i < 9; ++i) {
        const unsigned char* e = dir + 6 + 14 * i;
        sizes.push_back(e[0] ? e[0] : 256);
        EXPECT_EQ(e[6] | (e[7] << 8), 32);  // bits per pixel
    }
    EXPECT_EQ(sizes, (std::vector<int>{256, 128, 96, 72, 64, 48, 32, 24, 16}));
    FreeLibrary(exe);
}

// A window of its own: the other tests write pictures and captions into the
// shared one.
TEST(EngineLookFresh, BackdropCaptionAndIcon) {
    SkinnedMain w = MakeSkinnedMain();
    ASSERT_TRUE(WaitForFrame(w.top));
    FrameShot s = Shoot(w.top);
    ASSERT_EQ(s.width, 648);
    EXPECT_EQ(s.At(200, 250), kComposedBackdrop);
    EXPECT_EQ(s.At(640, 405), kComposedBackdrop);
    // The title text "Vela图片查看器" in white in the caption band, left.
    int ink = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 300; ++x) ink += (s.At(x, y) & 0xFF) > 200;
    EXPECT_GT(ink, 40);
    char title[64] = "";
    GetWindowTextA(w.top, title, sizeof title);
    EXPECT_STREQ(title, "Vela图片查看器");
    EXPECT_NE(SendMessageA(w.top, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(w.top, WM_GETICON, ICON_SMALL, 0), 0);
    // ZoomRatioButton's design caption "123" is a placeholder: no text
    // until the host writes one.
    auto captionInk = [&](const FrameShot& shot) {
        int n = 0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 50; ++x) {
                POINT p = InFrame(w.top, w.zoomRatio, x, y);
                n += (shot.At(p.x, p.y) & 0xFF) > 200;
            }
        return n;
    };
    EXPECT_EQ(captionInk(s), 0);
    ASSERT_EQ(SetText(w.zoomRatio, 17, "123"), 1);
    ASSERT_TRUE(WaitForFrame(w.top));
    EXPECT_GT(captionInk(Shoot(w.top)), 10);
    Close(w.top);
}

TEST_F(EngineLook, SuperbuttonHoverAndPressedStates) {
    HWND b = main_.zoomIn;
    const POINT corner = InFrame(main_.top, b, 1, 1);
    const POINT centre = InFrame(main_.top, b, 25, 25);
    EXPECT_TRUE(PixelBecomes(main_.top, corner.x, corner.y, kComposedBackdrop));
    // The glyph: white ink at the middle of the plus sign's bar.
    const POINT plus = InFrame(main_.top, b, 25 - 32 + 29, 25 - 32 + 29);
    EXPECT_TRUE(PixelBecomes(main_.top, plus.x, plus.y, 0xFFFFFFFF));
    (void)centre;
    PostMessageA(b, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    EXPECT_TRUE(PixelBecomes(main_.top, corner.x, corner.y, WhiteOverBackdrop(64)));
    PostMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_TRUE(PixelBecomes(main_.top, corner.x, corner.y, WhiteOverBackdrop(128)));
    EngineEvents().clear();
    PostMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_TRUE(PixelBecomes(main_.top, corner.x, corner.y, WhiteOverBackdrop(64)));
    ASSERT_EQ(EngineEvents().size(), 1u);
    EXPECT_EQ(EngineEvents()[0].controlId, static_cast<int>(vela::forms::Ctl::ZoomInButton));
    PostMessageA(b, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(PixelBecomes(main_.top, corner.x, corner.y, kComposedBackdrop));
}

TEST_F(EngineLook, WindowButtonStates) {
    const POINT minCorner = InFrame(main_.top, main_.minimize, 1, 1);
    PostMessageA(main_.minimize, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PixelBecomes(main_.top, minCorner.x, minCorner.y, WhiteOverBackdrop(38)));
    PostMessageA(main_.minimize, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(PixelBecomes(main_.top, minCorner.x, minCorner.y, WhiteOverBackdrop(77)));
    PostMessageA(main_.minimize, WM_LBUTTONUP, 0, MAKELPARAM(40, 5));  // released outside: no click
    PostMessageA(main_.minimize, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(PixelBecomes(main_.top, minCorner.x, minCorner.y, kComposedBackdrop));

    const POINT closeCorner = InFrame(main_.top, main_.close, 1, 1);
    const POINT closeMiddle = InFrame(main_.top, main_.close, 15, 15);
    EXPECT_TRUE(PixelBecomes(main_.top, closeCorner.x, closeCorner.y, kComposedBackdrop));
    PostMessageA(main_.close, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PixelBecomes(main_.top, closeCorner.x, closeCorner.y, 0xFFD44027));  // RGB(212, 64, 39)
    EXPECT_TRUE(PixelBecomes(main_.top, closeMiddle.x, closeMiddle.y, 0xFFFFFFFF));  // the cross stays white
    PostMessageA(main_.close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(PixelBecomes(main_.top, closeCorner.x, closeCorner.y, 0xFFA62A15));  // RGB(166, 42, 21)
    PostMessageA(main_.close, WM_LBUTTONUP, 0, MAKELPARAM(40, 40));
    PostMessageA(main_.close, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(PixelBecomes(main_.top, closeCorner.x, closeCorner.y, kComposedBackdrop));
}

TEST_F(EngineLook, MaximizedWindowShowsTheRestoreGlyph) {
    // Square glyph: its left edge covers (10, 11); the restore glyph's front
    // square starts at row 12 and its top edge covers (14, 12), inside the
    // plain square.
    auto at = [&](int x, int y) { return InFrame(main_.top, main_.maximize, x, y); };
    POINT left = at(10, 11), right = at(14, 12);
    EXPECT_TRUE(PixelBecomes(main_.top, left.x, left.y, 0xFFFFFFFF));
    EXPECT_TRUE(PixelBecomes(main_.top, right.x, right.y, kComposedBackdrop));
    ShowWindow(main_.top, SW_MAXIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsZoomed(main_.top) != 0; }));
    left = at(10, 11);
    right = at(14, 12);
    EXPECT_TRUE(PixelBecomes(main_.top, right.x, right.y, 0xFFFFFFFF));
    EXPECT_TRUE(PixelBecomes(main_.top, left.x, left.y, kComposedBackdrop));
    FrameShot s = Shoot(main_.top);
    EXPECT_EQ(s.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(s.height, GetSystemMetrics(SM_CYSCREEN));
    ShowWindow(main_.top, SW_RESTORE);
    ASSERT_TRUE(WaitFor([&] { return !IsZoomed(main_.top); }));
    left = at(10, 11);
    EXPECT_TRUE(PixelBecomes(main_.top, left.x, left.y, 0xFFFFFFFF));
}

namespace {

// The windows whose timers this thread has taken from its queue, in order.
std::vector<HWND>& TimersTaken() {
    static std::vector<HWND> taken;
    return taken;
}
LRESULT CALLBACK NoteTimer(int code, WPARAM removal, LPARAM lp) {
    const MSG* m = reinterpret_cast<const MSG*>(lp);
    if (code == HC_ACTION && removal == PM_REMOVE && m->message == WM_TIMER) TimersTaken().push_back(m->hwnd);
    return CallNextHookEx(nullptr, code, removal, lp);
}
bool TimerTaken(HWND window) {
    return std::find(TimersTaken().begin(), TimersTaken().end(), window) != TimersTaken().end();
}

// A button's looks other than the one at rest are decoded on a worker a
// while after its first frame (the button's timer hands them over), or by
// the draw that needs one sooner: a new window hovered, pressed and
// maximized at once, and another only once its buttons' timers have handed
// their looks to the worker, show the same looks.
enum class LooksAsked { AtOnce, AfterTheWorkersTurn };
class EngineLookWhenNeeded : public ::testing::TestWithParam<LooksAsked> {};

}  // namespace

TEST_P(EngineLookWhenNeeded, HoverPressedAndMaximizedLooks) {
    TimersTaken().clear();
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, NoteTimer, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SkinnedMain w = MakeSkinnedMain();
    ASSERT_TRUE(WaitForFrame(w.top));
    if (GetParam() == LooksAsked::AfterTheWorkersTurn)
        EXPECT_TRUE(WaitFor([&] { return TimerTaken(w.zoomIn) && TimerTaken(w.maximize); }));
    UnhookWindowsHookEx(hook);
    const POINT corner = InFrame(w.top, w.zoomIn, 1, 1);
    PostMessageA(w.zoomIn, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    EXPECT_TRUE(PixelBecomes(w.top, corner.x, corner.y, WhiteOverBackdrop(64)));
    PostMessageA(w.zoomIn, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_TRUE(PixelBecomes(w.top, corner.x, corner.y, WhiteOverBackdrop(128)));
    PostMessageA(w.zoomIn, WM_LBUTTONUP, 0, MAKELPARAM(90, 90));
    PostMessageA(w.zoomIn, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(PixelBecomes(w.top, corner.x, corner.y, kComposedBackdrop));
    ShowWindow(w.top, SW_MAXIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsZoomed(w.top) != 0; }));
    const POINT restore = InFrame(w.top, w.maximize, 14, 12), square = InFrame(w.top, w.maximize, 10, 11);
    EXPECT_TRUE(PixelBecomes(w.top, restore.x, restore.y, 0xFFFFFFFF));
    EXPECT_TRUE(PixelBecomes(w.top, square.x, square.y, kComposedBackdrop));
    Close(w.top);
}

INSTANTIATE_TEST_SUITE_P(AtOnceAndLater, EngineLookWhenNeeded,
                         ::testing::Values(LooksAsked::AtOnce, LooksAsked::AfterTheWorkersTurn));

TEST_F(EngineLook, PictureIsOpaqueAndButtonsBlendOverIt) {
    const vela::Bytes jpeg = MakePicture(640, 480, L"image/jpeg", RGB(0, 0, 255));
    // PictureView under the toolbar and the previous button.
    SetWindowPos(main_.picture, nullptr, 0, 100, 648, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(SetData(main_.picture, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    const POINT free = InFrame(main_.top, main_.picture, 600, 200);
    ASSERT_TRUE(PixelBecomes(main_.top, free.x, free.y, 0xFF0000FE) || PixelBecomes(main_.top, free.x, free.y, 0xFF0000FF));
    // Hovering ZoomOutButton over the picture: white 64 over opaque blue.
    const POINT corner = InFrame(main_.top, main_.zoomOut, 1, 1);
    PostMessageA(main_.zoomOut, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    const uint32_t blue = Shoot(main_.top).At(corner.x, corner.y);
    const int b = blue & 0xFF;
    const uint32_t want = 0xFF000000 | (64 << 16) | (64 << 8) | (64 + b * 191 / 255);
    EXPECT_TRUE(PixelBecomes(main_.top, corner.x, corner.y, want));
    PostMessageA(main_.zoomOut, WM_MOUSELEAVE, 0, 0);
    SetWindowPos(main_.picture, nullptr, 280, 144, 128, 120, SWP_NOZORDER | SWP_NOACTIVATE);
    SetData(main_.picture, 8, nullptr, 0);
    EXPECT_TRUE(PixelBecomes(main_.top, free.x, free.y, kComposedBackdrop));
}

namespace {

// Relative luminance of an opaque composed pixel (sRGB), for contrast ratios
// as accessibility guidelines state them: (L1 + 0.05) / (L2 + 0.05).
double Luminance(uint32_t p) {
    auto lin = [](int c) {
        const double v = c / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin((p >> 16) & 0xFF) + 0.7152 * lin((p >> 8) & 0xFF) + 0.0722 * lin(p & 0xFF);
}

struct Readability {
    int core = 0;              // white ink pixels (bright over the black picture)
    double contrast = 0;       // core against the darker half of the pixels bordering it, over white
    double darkShare = 0;      // share of bordering pixels darker than mid-grey, over white
    int boxPixels = -1;        // pixels farther than 5 from the ink that differ from the picture (both pictures)
};

// One area of the frame (a control's, or the caption band) over a black and
// over a white picture.
Readability Measure(const FrameShot& black, const FrameShot& white, RECT area) {
    Readability r;
    const int w = area.right - area.left, h = area.bottom - area.top;
    auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h; };
    std::vector<char> core(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) core[y * w + x] = (black.At(area.left + x, area.top + y) & 0xFF) >= 200;
    std::vector<double> ring;
    int dark = 0;
    r.boxPixels = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (core[y * w + x]) {
                ++r.core;
                continue;
            }
            int nearest = 99;
            for (int dy = -6; dy <= 6; ++dy)
                for (int dx = -6; dx <= 6; ++dx)
                    if (inside(x + dx, y + dy) && core[(y + dy) * w + x + dx])
                        nearest = std::min(nearest, std::max(std::abs(dx), std::abs(dy)));
            const uint32_t overWhite = white.At(area.left + x, area.top + y);
            if (nearest == 1) {
                ring.push_back(Luminance(overWhite));
                dark += (overWhite & 0xFF) < 128;
            } else if (nearest > 5) {
                r.boxPixels += !PixelNear(overWhite, 0xFFFFFFFF, 2);
                r.boxPixels += !PixelNear(black.At(area.left + x, area.top + y), 0xFF000000, 2);
            }
        }
    }
    if (ring.empty()) return r;
    std::sort(ring.begin(), ring.end());
    double sum = 0;
    const size_t half = (ring.size() + 1) / 2;
    for (size_t i = 0; i < half; ++i) sum += ring[i];
    r.contrast = (1.0 + 0.05) / (sum / half + 0.05);
    r.darkShare = static_cast<double>(dark) / ring.size();
    return r;
}

RECT AreaOf(HWND top, HWND host) {
    RECT r{}, w{};
    GetWindowRect(host, &r);
    GetWindowRect(top, &w);
    OffsetRect(&r, -w.left, -w.top);
    return r;
}

}  // namespace

// White chrome over any picture: a dark halo (or, for the window buttons'
// thin strokes, a shadow) sets every glyph, the zoom caption and the title
// apart from a white picture, and leaves no box over a black one. The title
// lies above the picture.
TEST_F(EngineLook, ChromeReadsOverWhiteAndLeavesNoBoxOverBlack) {
    ASSERT_EQ(SetText(main_.zoomRatio, 17, "100%"), 1);
    SetWindowPos(main_.picture, nullptr, 0, 0, 648, 411, SWP_NOZORDER | SWP_NOACTIVATE);
    auto over = [&](COLORREF colour) {
        const vela::Bytes png = MakePicture(648, 411, L"image/png", colour);
        EXPECT_EQ(SetData(main_.picture, 8, png.data(), static_cast<int>(png.size())), 1);
        // A pixel no chrome covers shows the picture.
        EXPECT_TRUE(PixelBecomes(main_.top, 300, 250, OpaquePixel(colour)));
        return Shoot(main_.top);
    };
    const FrameShot black = over(RGB(0, 0, 0));
    const FrameShot white = over(RGB(255, 255, 255));
    const struct {
        const char* name;
        RECT area;
    } cases[] = {
        {"zoom in", AreaOf(main_.top, main_.zoomIn)},    {"zoom out", AreaOf(main_.top, main_.zoomOut)},
        {"save", AreaOf(main_.top, main_.save)},         {"delete", AreaOf(main_.top, main_.remove)},
        {"rotate", AreaOf(main_.top, main_.rotate)},     {"zoom caption", AreaOf(main_.top, main_.zoomRatio)},
        {"settings", AreaOf(main_.top, main_.settings)}, {"previous", AreaOf(main_.top, main_.previous)},
        {"next", AreaOf(main_.top, main_.next)},         {"minimize", AreaOf(main_.top, main_.minimize)},
        {"maximize", AreaOf(main_.top, main_.maximize)}, {"close", AreaOf(main_.top, main_.close)},
        {"title", RECT{0, 0, 300, 30}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Readability r = Measure(black, white, c.area);
        EXPECT_GE(r.core, 8);
        EXPECT_GE(r.contrast, 3.0);
        EXPECT_GE(r.darkShare, 0.33);
        EXPECT_EQ(r.boxPixels, 0);
    }
    SetWindowPos(main_.picture, nullptr, 280, 144, 128, 120, SWP_NOZORDER | SWP_NOACTIVATE);
    SetData(main_.picture, 8, nullptr, 0);
    EXPECT_TRUE(PixelBecomes(main_.top, 300, 250, kComposedBackdrop));
}
