// Moving GIFs and WebPs in the picture box, watched frame by frame as the
// window composes them: the frames in order with their disposal and
// transparency, a stored delay of 10 ms or less shown as 100 ms, the loop
// count played and the last frame kept, nothing composed while the window
// is minimised, a picture of 500 frames played without holding them, and
// the play stopped when other bytes are written, a GIF cut short inside
// a later picture played up to its last whole frame, and a moving JPEG XL
// played frame by frame.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine_harness.h"
#include "image_magick.h"
#include "jxl_pictures.h"
#include "moving_pictures.h"
#include "test_support.h"
#include "webp_pictures.h"

using namespace vela::test;
using vela::Bytes;

namespace {

const COLORREF kRed = RGB(220, 30, 30), kBlue = RGB(30, 60, 220), kGreen = RGB(30, 200, 60), kWhite = RGB(255, 255, 255);

// What the composed frame showed, each change once, with when it came (ms).
struct Seen {
    std::vector<std::vector<uint32_t>> states;
    std::vector<DWORD> at;
};

class EngineAnimation : public PictureWindowTest {
protected:
    // The 30 x 20 pictures below fill the 300 x 200 view ten times enlarged.
    EngineAnimation() : PictureWindowTest(300, 200) {}

    void Write(const Bytes& b) {
        ASSERT_EQ(SetData(pic_, 8, b.data(), static_cast<int>(b.size())), 1);
        SetWindowPos(pic_, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Pumps messages for `ms` at most, sampling the composed frame at the
    // given canvas points (picture pixels) every few milliseconds, until
    // `enough` changes have been seen.
    Seen Watch(DWORD ms, const std::vector<POINT>& points, size_t enough = SIZE_MAX) {
        Seen seen;
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < ms && seen.states.size() < enough) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            if (FrameInfoOf(top_).pending) continue;
            const FrameShot shot = Shoot(top_);
            std::vector<uint32_t> state;
            for (POINT p : points) state.push_back(shot.At(100 + p.x * 10 + 5, 100 + p.y * 10 + 5));
            if (seen.states.empty() || seen.states.back() != state) {
                seen.states.push_back(state);
                seen.at.push_back(GetTickCount() - start);
            }
        }
        return seen;
    }
};

std::vector<uint32_t> Colours(std::initializer_list<COLORREF> c) {
    std::vector<uint32_t> out;
    for (COLORREF x : c) out.push_back(x == CLR_INVALID ? kComposedBackdrop : OpaquePixel(x));
    return out;
}

}  // namespace

TEST_F(EngineAnimation, GifFramesFollowTheirDisposalAndTransparency) {
    // 0: all red. 1: blue top-left quarter, cleared to nothing after it.
    // 2: green bottom-right quarter, the canvas before it restored after it.
    // 3: all transparent (draws nothing). Played once; the last frame stays.
    GifFrame clearAll = GifFrame::Solid(0, 0, 30, 20, 3, 20);
    clearAll.transparent = 3;
    const Bytes gif = MakeMovingGif(30, 20, {kRed, kBlue, kGreen, kWhite},
                                    {GifFrame::Solid(0, 0, 30, 20, 0, 20), GifFrame::Solid(0, 0, 15, 10, 1, 20, 2),
                                     GifFrame::Solid(15, 10, 15, 10, 2, 20, 3), clearAll},
                                    -1);
    Write(gif);
    const std::vector<POINT> points = {{5, 5}, {25, 15}, {25, 5}};
    const COLORREF none = CLR_INVALID;
    const std::vector<std::vector<uint32_t>> expected = {Colours({kRed, kRed, kRed}), Colours({kBlue, kRed, kRed}),
                                                         Colours({none, kGreen, kRed}), Colours({none, kRed, kRed})};
    EXPECT_EQ(Watch(10000, points, expected.size()).states, expected);
    EXPECT_EQ(Watch(600, points).states, std::vector<std::vector<uint32_t>>{expected.back()});  // played once
}

TEST_F(EngineAnimation, ShortDelaysShowForATenthAndTheLoopCountIsPlayed) {
    // Delay 0 (shown 100 ms); NETSCAPE count 1: played twice, then the last frame stays.
    const Bytes gif = MakeMovingGif(30, 20, {kRed, kBlue},
                                    {GifFrame::Solid(0, 0, 30, 20, 0, 0), GifFrame::Solid(0, 0, 30, 20, 1, 0)}, 1);
    Write(gif);
    const std::vector<std::vector<uint32_t>> expected = {Colours({kRed}), Colours({kBlue}), Colours({kRed}),
                                                         Colours({kBlue})};
    const Seen seen = Watch(10000, {{5, 5}}, expected.size());
    ASSERT_EQ(seen.states, expected);
    // The first frame came no sooner than the write, the fourth three tenths
    // after it (a slow run only makes that later).
    EXPECT_GE(seen.at.back(), 3 * 100u - 20u);
    EXPECT_EQ(Watch(600, {{5, 5}}).states, std::vector<std::vector<uint32_t>>{expected.back()});
}

TEST_F(EngineAnimation, AMovingWebpPlaysItsLoops) {
    // WebP counts plays: 2 plays of red, blue.
    const Bytes webp = EncodeAnimatedWebp({QuarterPixels(30, 20, kRed), QuarterPixels(30, 20, kBlue)}, 120, 2);
    ASSERT_FALSE(webp.empty());
    Write(webp);
    const std::vector<std::vector<uint32_t>> expected = {Colours({kWhite, kRed}), Colours({kWhite, kBlue}),
                                                         Colours({kWhite, kRed}), Colours({kWhite, kBlue})};
    EXPECT_EQ(Watch(10000, {{5, 5}, {25, 15}}, expected.size()).states, expected);
    EXPECT_EQ(Watch(600, {{5, 5}, {25, 15}}).states, std::vector<std::vector<uint32_t>>{expected.back()});
}

TEST_F(EngineAnimation, AMovingJxlPlaysItsFramesForTheirTime) {
    // A moving GIF drawn by ImageMagick (red, blue, 120 ms each, for ever),
    // carried over losslessly by cjxl.
    ScratchFolder dir("jxl-moving");
    ASSERT_TRUE(ImageMagick(dir, {"-delay", "12", "-size", "30x20", "xc:#DC1E1E", "xc:#1E3CDC", "-loop", "0"}, "GIF:",
                            "moving.gif"));
    ASSERT_TRUE(Cjxl(dir, "moving.gif", "moving.jxl", "-d 0"));
    Write(ReadBytes(dir / "moving.jxl"));
    const std::vector<std::vector<uint32_t>> expected = {Colours({kRed}), Colours({kBlue}), Colours({kRed}),
                                                         Colours({kBlue}), Colours({kRed})};
    const Seen seen = Watch(10000, {{15, 10}}, expected.size());
    EXPECT_EQ(seen.states, expected);
    // Four changes at 120 ms each at least (a frame never comes early).
    ASSERT_EQ(seen.at.size(), expected.size());
    EXPECT_GE(seen.at.back() - seen.at.front(), 4 * 120u - 20u);
}

TEST_F(EngineAnimation, NothingIsComposedWhileMinimisedAndOtherBytesStopThePlay) {
    const Bytes gif = MakeMovingGif(30, 20, {kRed, kBlue},
                                    {GifFrame::Solid(0, 0, 30, 20, 0, 5), GifFrame::Solid(0, 0, 30, 20, 1, 5)}, 0);
    Write(gif);
    ASSERT_GE(Watch(10000, {{5, 5}}, 4).states.size(), 4u);  // playing
    ShowWindow(top_, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(top_) != FALSE; }));
    ASSERT_TRUE(Settle(top_));
    const int framesMinimised = FrameInfoOf(top_).frames;
    Watch(600, {});
    ASSERT_TRUE(Settle(top_));
    EXPECT_EQ(FrameInfoOf(top_).frames, framesMinimised);
    ShowWindow(top_, SW_RESTORE);
    ASSERT_GE(Watch(10000, {{5, 5}}, 3).states.size(), 3u);  // playing again
    // A still picture written over it: shown, and nothing changes after.
    Write(MakePicture(30, 20, L"image/png", kGreen));
    ASSERT_TRUE(WaitFor([&] {
        return !FrameInfoOf(top_).pending && Shoot(top_).At(100 + 255, 100 + 155) == OpaquePixel(kGreen);
    }));
    const Seen after = Watch(600, {{25, 15}});
    EXPECT_EQ(after.states, std::vector<std::vector<uint32_t>>{Colours({kGreen})});
}

TEST_F(EngineAnimation, FiveHundredFramesPlayWithoutBeingHeld) {
    // A 600 x 400 canvas with a small square moving over it: held whole,
    // 500 frames would take 480 MB.
    std::vector<GifFrame> frames;
    for (int i = 0; i < 500; ++i) frames.push_back(GifFrame::Solid((i * 7) % 590, (i * 3) % 390, 10, 10, i % 2, 2));
    const Bytes gif = MakeMovingGif(600, 400, {kRed, kBlue}, frames, 0);
    const double before = AddressSpaceInUseMiB();
    const int framesBefore = FrameInfoOf(top_).frames;
    Write(gif);
    EXPECT_TRUE(WaitFor([&] { return FrameInfoOf(top_).frames >= framesBefore + 10; }));
    EXPECT_LT(AddressSpaceInUseMiB() - before, 64.0);
}

// A valid moving GIF of under 50 KB whose second picture is 8000 x 8000
// over a 30 x 20 screen: only the screen's part is shown, and playing it
// takes no memory beyond the screen's (the picture as stored would take 64
// million entries).
TEST_F(EngineAnimation, AFrameFarLargerThanTheScreenTakesOnlyTheScreensMemory) {
    const Bytes gif = MakeMovingGif(30, 20, {kRed, kBlue},
                                    {GifFrame::Solid(0, 0, 30, 20, 0, 20), GifFrame::Run(0, 0, 8000, 8000, 1, 20)}, 0);
    ASSERT_LT(gif.size(), 50u * 1024);
    const double before = AddressSpaceInUseMiB();
    Write(gif);
    Seen seen;
    ASSERT_TRUE(WaitFor([&] {
        seen = Watch(200, {{5, 5}, {29, 19}});
        return !seen.states.empty() && seen.states.back() == Colours({kBlue, kBlue});
    }, 60000));
    EXPECT_LT(AddressSpaceInUseMiB() - before, 64.0);
}

// A moving GIF written by ImageMagick (red, blue, then a green gradient whose
// 32-colour table and data take far more than 40 bytes; a tenth of a second
// each, looping for ever), cut 40 bytes before its end as a partly
// downloaded one: its first picture is decoded at the size and in the
// colour ImageMagick reads in it, the second picture follows, and the play
// stays on it (the cut picture is never drawn, no play starts again).
TEST_F(EngineAnimation, AGifCutInsideItsThirdPictureShowsTheWholeOnesAndStays) {
    ScratchFolder dir("gifcut");
    ASSERT_TRUE(ImageMagick(dir, {"-delay", "10", "-loop", "0", "-size", "30x20", "xc:#DC1E1E", "xc:#1E3CDC",
                                  "gradient:#1EC83C-#FFFFFF"},
                            "gif:", "moving.gif"));
    ASSERT_TRUE(ImageMagick(dir, {"{moving.gif}[0]", "-format", "%wx%h"}, "info:", "size.txt"));
    std::vector<COLORREF> colours;
    for (const char* frame : {"0", "1"}) {
        const std::string raw = std::string("frame") + frame + ".raw";
        ASSERT_TRUE(ImageMagick(dir, {"{moving.gif}[" + std::string(frame) + "]", "-depth", "8"}, "rgb:", raw));
        const Bytes rgb = ReadBytes(dir / raw);
        ASSERT_GE(rgb.size(), 3u);
        colours.push_back(RGB(rgb[0], rgb[1], rgb[2]));
    }
    const Bytes size = ReadBytes(dir / "size.txt");
    int w = 0, h = 0;
    ASSERT_EQ(std::sscanf(std::string(size.begin(), size.end()).c_str(), "%dx%d", &w, &h), 2);
    const Bytes whole = ReadBytes(dir / "moving.gif");
    const Bytes cut(whole.begin(), whole.end() - 40);

    const Pixels first = DecodedByEngine(cut);
    ASSERT_FALSE(first.argb.empty());
    EXPECT_EQ(first.width, w);
    EXPECT_EQ(first.height, h);
    EXPECT_EQ(first.argb[0], OpaquePixel(colours[0]));

    Write(cut);
    const Seen seen = Watch(1500, {{5, 5}, {25, 15}});
    const std::vector<std::vector<uint32_t>> expected = {Colours({colours[0], colours[0]}),
                                                         Colours({colours[1], colours[1]})};
    EXPECT_EQ(seen.states, expected);
}
