// Following the host window, taking over the top-level frame, and freeing
// everything on ControlDestroy.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <psapi.h>

#include "engine_harness.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

class EngineLifecycle : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(Engine().dll, nullptr); }
};

}  // namespace

TEST_F(EngineLifecycle, WindowSkinTakesOverTheFrame) {
    HWND top = MakeTopLevel(100, 100);
    RECT before{};
    GetWindowRect(top, &before);
    HWND frame = MakeSkinned(EngineType::WindowEx, top, 4, 4, 24, 24, 16);
    const LONG style = GetWindowLongA(top, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_NE(style & WS_POPUP, 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_NE(GetWindowLongA(top, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    RECT after{}, client{};
    GetWindowRect(top, &after);
    GetClientRect(top, &client);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(client.right, 648);
    EXPECT_EQ(client.bottom, 411);
    // The caption band drags the window; below it the window is a client area.
    EXPECT_EQ(SendMessageA(top, WM_NCHITTEST, 0, MAKELPARAM(after.left + 200, after.top + 10)), HTCAPTION);
    EXPECT_EQ(SendMessageA(top, WM_NCHITTEST, 0, MAKELPARAM(after.left + 200, after.top + 200)), HTCLIENT);
    // The skin's own host lies in the band and lets the hit test through.
    EXPECT_EQ(SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(after.left + 10, after.top + 10)), HTTRANSPARENT);
    // The whole window is composed: the backdrop everywhere.
    ASSERT_TRUE(WaitForFrame(top));
    FrameShot shot = Shoot(top);
    ASSERT_EQ(shot.width, 648);
    ASSERT_EQ(shot.height, 411);
    EXPECT_EQ(shot.At(300, 200), kComposedBackdrop);
    EXPECT_EQ(shot.At(647, 410), kComposedBackdrop);
    // Without its skin the window gets its own frame back.
    Close(frame);
    EXPECT_NE(GetWindowLongA(top, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_EQ(GetWindowLongA(top, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    Close(top);
}

TEST_F(EngineLifecycle, PictureFollowsItsHostWhenMovedAndResized) {
    auto [top, pic] = MakePictureWindow(100, 100, 100, 80);
    const COLORREF colour = RGB(30, 160, 90);
    const Bytes png = MakePicture(200, 160, L"image/png", colour);
    ASSERT_EQ(SetData(pic, 8, png.data(), static_cast<int>(png.size())), 1);
    ASSERT_TRUE(WaitForFrame(top));
    FrameShot shot = Shoot(top);
    // The picture fills the control: its white top-left quarter mark, then the colour.
    EXPECT_TRUE(PixelNear(shot.At(101, 101), 0xFFFFFFFF));
    EXPECT_TRUE(PixelNear(shot.At(190, 170), OpaquePixel(colour)));
    EXPECT_EQ(shot.At(99, 99), kComposedBackdrop);
    EXPECT_EQ(shot.At(201, 181), kComposedBackdrop);

    // Moved: the layer's host procedure tells the engine through WM_MOVE.
    SetWindowPos(pic, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] {
        FrameShot s = Shoot(top);
        return s.width && PixelNear(s.At(390, 270), OpaquePixel(colour)) && s.At(190, 170) == kComposedBackdrop;
    }));
    // Resized to 200 x 160: the mark now covers 50 x 40.
    SetWindowPos(pic, nullptr, 0, 0, 200, 160, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] {
        FrameShot s = Shoot(top);
        return s.width && PixelNear(s.At(345, 235), 0xFFFFFFFF) && PixelNear(s.At(490, 350), OpaquePixel(colour));
    }));
    EXPECT_EQ(Engine().ControPonintSizeSynchronise(pic, 1), 1);
    EXPECT_EQ(Engine().ControPonintSizeSynchronise(top, 1), 0);
    EXPECT_EQ(Engine().ControPonintSizeSynchronise(nullptr, 0), 0);
    Close(top);
}

TEST_F(EngineLifecycle, UndecodablePictureShowsNothingAndRaisesOnlyItsUndecodableEvent) {
    auto [top, pic] = MakePictureWindow(100, 100, 100, 80);
    EngineEvents().clear();
    Bytes junk = MakePicture(64, 64, L"image/jpeg");
    junk.resize(junk.size() / 3);  // a cut-off JPEG
    for (const Bytes& bad : {junk, Bytes{0x89, 'P', 'N', 'G'}, Bytes(5000, 0xFF)}) {
        ASSERT_EQ(SetData(pic, 8, bad.data(), static_cast<int>(bad.size())), 1);
        ASSERT_TRUE(WaitForFrame(top));
        FrameShot shot = Shoot(top);
        for (int y = 100; y < 180; y += 13)
            for (int x = 100; x < 200; x += 17) ASSERT_EQ(shot.At(x, y), kComposedBackdrop) << x << "," << y;
    }
    // One for each write.
    ASSERT_EQ(EngineEvents().size(), 3u);
    for (const EngineEvent& e : EngineEvents()) EXPECT_EQ(e.code, ENGINE_EVENT_UNDECODABLE);
    Close(top);
}

TEST_F(EngineLifecycle, DestroyFreesEverything) {
    HWND top = MakeTopLevel(100, 100);
    const Bytes jpeg = MakePicture(400, 300, L"image/jpeg");
    const Bytes pack = BuildPack({{EXPK_TEXT, 0, TextPayload("Vela图片查看器")}});
    auto cycle = [&](int n) {
        for (int i = 0; i < n; ++i) {
            HWND frame = MakeSkinned(EngineType::WindowEx, top, 4, 4, 24, 24, 16, pack.data());
            HWND group = MakeSkinned(EngineType::MinutesboxEx, top, 168, 360, 300, 50, 8);
            HWND sb = MakeSkinned(EngineType::SuperbuttonEx, group, 0, 0, 50, 50, 14, pack.data());
            HWND b = MakeSkinned(EngineType::ButtonEx, top, 608, 0, 30, 30, 5);
            HWND pic = MakeSkinned(EngineType::PictureBoxEx, top, 100, 100, 100, 80, 15);
            SetText(sb, 17, "110%");
            SetText(frame, 18, "a.jpg");
            SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size()));
            if (i % 2) {
                // Half the time through the host windows, half directly.
                Close(group);
                Close(pic);
                Close(b);
                Close(frame);
            } else {
                for (HWND h : {sb, pic, b, frame, group}) EXPECT_EQ(Engine().ControlDestroy(HandleOf(h)), 1);
                for (HWND h : {group, pic, b, frame}) Close(h);
            }
        }
        WaitFor([] { return false; }, 300);  // let posted messages and decodes settle
    };
    cycle(20);  // warm-up: classes, fonts, GDI+
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    DWORD handlesBefore = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    cycle(1000);
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    // Wine answers 0 to both counters; on Windows they hold the line. The
    // private-bytes bound below catches leaks under Wine as well.
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
    EXPECT_LE(handlesAfter, handlesBefore + 2);
    // 1,000 cycles with a picture each: a leak of one picture per cycle would be 480 MB.
    EXPECT_LT(after.PagefileUsage, before.PagefileUsage + 8u * 1024 * 1024);
    printf("gdi %lu user %lu handles %lu->%lu private %lu->%lu KB\n", gdiBefore, userBefore, handlesBefore,
           handlesAfter, before.PagefileUsage / 1024, after.PagefileUsage / 1024);
    Close(top);
}

TEST_F(EngineLifecycle, AHostOutlivingItsControlGetsItsOwnProcedureBackAndCanBeSkinnedAgain) {
    HWND top = MakeTopLevel();
    HWND host = MakeSkinned(EngineType::ButtonEx, top, 10, 40, 30, 30, 5);
    constexpr UINT kProbe = WM_RBUTTONUP;  // one the host procedure records
    auto probesSeen = [&] {
        HostMessagesSeen(host).clear();
        SendMessageA(host, kProbe, 0, 0);
        return std::count(HostMessagesSeen(host).begin(), HostMessagesSeen(host).end(), kProbe);
    };
    for (int round = 0; round < 3; ++round) {
        // The frame comes and goes over the same top-level window too.
        HWND frame = MakeSkinned(EngineType::WindowEx, top, 4, 4, 24, 24, 16);
        ASSERT_NE(HandleOf(frame), nullptr);
        ASSERT_NE(HandleOf(host), nullptr) << "round " << round;
        EXPECT_EQ(probesSeen(), 1) << "through the engine, round " << round;
        ASSERT_EQ(Engine().ControlDestroy(HandleOf(host)), 1);
        EXPECT_EQ(HandleOf(host), nullptr);
        EXPECT_EQ(probesSeen(), 1) << "the host's own procedure, round " << round;
        ASSERT_EQ(Engine().ControlDestroy(HandleOf(frame)), 1);
        Close(frame);
        // The top-level window answers through its own procedure again.
        RECT r{};
        GetWindowRect(top, &r);
        EXPECT_EQ(SendMessageA(top, WM_NCHITTEST, 0, MAKELPARAM(r.left + 200, r.top + 200)), HTCLIENT);
        // Skinned again over the same host.
        ExuiBindingRecord record{host, 5, 1, 0, nullptr, 0};
        Engine().CreateControl_ButtonEx(0, top, 10, 40, 30, 30, RecordEvent, &record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0, 0, 0, 0);
    }
    ASSERT_NE(HandleOf(host), nullptr);
    EXPECT_EQ(probesSeen(), 1);
    Close(top);
}

TEST_F(EngineLifecycle, PanNeverRescalesAndWidthThenHeightRescalesOnce) {
    auto [top, pic] = MakePictureWindow(100, 100, 300, 200);
    const Bytes jpeg = MakePicture(1200, 800, L"image/jpeg");
    ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    ASSERT_TRUE(WaitForFrame(top));
    auto rescales = [&] {
        ExuiFrameInfo info{};
        Engine().ExuiInspectFrame(top, &info);
        return info.rescales;
    };
    auto frames = [&] {
        ExuiFrameInfo info{};
        Engine().ExuiInspectFrame(top, &info);
        return info.frames;
    };
    const int start = rescales();
    for (int i = 0; i < 5; ++i) {
        const int f = frames();
        SetWindowPos(pic, nullptr, 107 + 7 * i, 95 - 5 * i, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(WaitFor([&] { return frames() > f; }));
    }
    EXPECT_EQ(rescales(), start);
    // Width, then height, then the centring move, in a row: one rescale.
    SetWindowPos(pic, nullptr, 0, 0, 330, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(pic, nullptr, 0, 0, 330, 220, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(pic, nullptr, 90, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitForFrame(top));
    EXPECT_EQ(rescales(), start + 1);
    Close(top);
}

TEST_F(EngineLifecycle, FirstFrameShowsALargeJpegAveragedIntoTheViewAndStays) {
    auto [top, pic] = MakePictureWindow(100, 100, 330, 220);
    const COLORREF colour = RGB(40, 90, 200);
    // 2400 x 1600: drawn from a halved copy, averaged for the whole view at once.
    const Bytes jpeg = MakePicture(2400, 1600, L"image/jpeg", colour);
    ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    ASSERT_TRUE(WaitForFrame(top));
    auto check = [&](const FrameShot& s) {
        // The white mark covers the top-left 601 x 401 of the picture: 82 x 55 of the view.
        EXPECT_TRUE(PixelNear(s.At(100, 100), 0xFFFFFFFF));
        EXPECT_TRUE(PixelNear(s.At(100 + 70, 100 + 45), 0xFFFFFFFF));
        EXPECT_TRUE(PixelNear(s.At(100 + 95, 100 + 20), OpaquePixel(colour)));
        EXPECT_TRUE(PixelNear(s.At(100 + 20, 100 + 65), OpaquePixel(colour)));
        EXPECT_TRUE(PixelNear(s.At(100 + 329, 100 + 219), OpaquePixel(colour)));
        // Nothing outside the view.
        EXPECT_EQ(s.At(99, 150), kComposedBackdrop);
        EXPECT_EQ(s.At(430, 150), kComposedBackdrop);
        EXPECT_EQ(s.At(200, 320), kComposedBackdrop);
    };
    const FrameShot first = Shoot(top);
    check(first);
    // The first frame is the one that stays: no sharper copy follows it
    // once the size has rested.
    ASSERT_TRUE(WaitFor([&] { return !FrameInfoOf(top).pending; }));
    const int frames = FrameInfoOf(top).frames;
    WaitFor([] { return false; }, 600);  // past the rest after which a sharper copy would be asked
    ASSERT_TRUE(Settle(top));
    EXPECT_EQ(FrameInfoOf(top).frames, frames);
    check(Shoot(top));
    Close(top);
}

TEST_F(EngineLifecycle, ViewLargerThanTheWindowIsDrawnWhereverItIsPannedTo) {
    auto [top, pic] = MakePictureWindow(0, 0, 400, 300);
    const COLORREF colour = RGB(200, 60, 60);
    const Bytes jpeg = MakePicture(800, 600, L"image/jpeg", colour);
    ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    ASSERT_TRUE(WaitForFrame(top));
    // Zoomed to 4000 x 3000 around the top-left corner: the mark fills the window.
    SetWindowPos(pic, nullptr, 0, 0, 4000, 3000, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitForFrame(top));
    FrameShot s = Shoot(top);
    EXPECT_TRUE(PixelNear(s.At(300, 200), 0xFFFFFFFF));
    // Panned at once (before any pause) far into the part not yet scaled:
    // the picture's colour, not a hole.
    SetWindowPos(pic, nullptr, -3000, -2300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitForFrame(top));
    s = Shoot(top);
    EXPECT_TRUE(PixelNear(s.At(300, 200), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(640, 405), OpaquePixel(colour)));
    Close(top);
}

namespace {

// Every message already queued, and nothing more: no waiting.
void RunQueued() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

}  // namespace

// The host's hold over a layout: moves made while held compose nothing and
// nested holds all have to go, then one frame shows where everything ended.
// A hold nobody lets go still ends in a frame (after its bound), and a
// window that is gone holds nothing: neither ever freezes a window.
TEST_F(EngineLifecycle, HostHoldComposesOneFrameForALayoutAndNeverFreezesTheWindow) {
    ASSERT_NE(Engine().HoldFrame, nullptr);
    auto [top, pic] = MakePictureWindow(100, 100, 100, 80);
    const COLORREF colour = RGB(30, 160, 90);
    const Bytes png = MakePicture(100, 80, L"image/png", colour);
    ASSERT_EQ(SetData(pic, 8, png.data(), static_cast<int>(png.size())), 1);
    ASSERT_TRUE(WaitForFrame(top));
    const auto moveTo = [&](int x, int y) {
        SetWindowPos(pic, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RunQueued();
    };
    const int before = FrameInfoOf(top).frames;
    EXPECT_EQ(Engine().HoldFrame(top, 1), 1);
    EXPECT_EQ(Engine().HoldFrame(top, 1), 2);
    moveTo(300, 200);
    EXPECT_EQ(Engine().HoldFrame(top, 0), 1);
    moveTo(400, 250);
    EXPECT_EQ(FrameInfoOf(top).frames, before);
    EXPECT_EQ(Engine().HoldFrame(top, 0), 0);
    ASSERT_TRUE(WaitForFrame(top));
    EXPECT_EQ(FrameInfoOf(top).frames, before + 1);
    EXPECT_TRUE(PixelNear(Shoot(top).At(490, 320), OpaquePixel(colour)));
    EXPECT_EQ(Shoot(top).At(390, 270), kComposedBackdrop);

    // Never let go: the frame comes all the same, and nothing holds after it.
    EXPECT_EQ(Engine().HoldFrame(top, 1), 1);
    moveTo(100, 100);
    EXPECT_EQ(FrameInfoOf(top).frames, before + 1);
    ASSERT_TRUE(WaitForFrame(top));
    EXPECT_TRUE(PixelNear(Shoot(top).At(190, 170), OpaquePixel(colour)));
    EXPECT_EQ(Engine().HoldFrame(top, 0), 0);

    // Held when the window goes: nothing is left to let go.
    EXPECT_EQ(Engine().HoldFrame(top, 1), 1);
    Close(top);
    EXPECT_EQ(Engine().HoldFrame(top, 0), -1);
    EXPECT_EQ(Engine().HoldFrame(nullptr, 1), -1);
}
