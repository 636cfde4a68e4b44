// Events raised from real mouse messages and input: button clicks, the
// picture box's press/move/release with capture, the wheel routed to the
// picture under the cursor, the right button left to the window.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine_harness.h"
#include "test_support.h"

using namespace vela::test;

namespace {

class EngineEvents_ : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(Engine().dll, nullptr);
        top_ = MakeTopLevel(100, 100);
        frame_ = MakeSkinned(EngineType::WindowEx, top_, 4, 4, 24, 24, 16);
    }
    static void TearDownTestSuite() { Close(top_); }
    // The cursor away from the window (a test that placed it over a control
    // would have the next one's control hear it), and what it brought handled.
    void SetUp() override {
        SetCursorPos(0, 0);
        ASSERT_TRUE(Settle(top_));
        EngineEvents().clear();
    }

    static void Post(HWND host, UINT msg, int x, int y, WPARAM keys = 0) {
        PostMessageA(host, msg, keys, MAKELPARAM(x, y));
    }
    static bool WaitEvents(size_t n) {
        return WaitFor([&] { return EngineEvents().size() >= n; }, 5000);
    }
    static void Pump() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }
    static HWND top_;
    static HWND frame_;
};
HWND EngineEvents_::top_ = nullptr;
HWND EngineEvents_::frame_ = nullptr;

}  // namespace

TEST_F(EngineEvents_, ButtonsClickOnPressAndReleaseInside) {
    for (EngineType type : {EngineType::ButtonEx, EngineType::SuperbuttonEx}) {
        EngineEvents().clear();
        HWND b = MakeSkinned(type, top_, 300, 100, 30, 30, 7);
        Post(b, WM_LBUTTONDOWN, 5, 6, MK_LBUTTON);
        Post(b, WM_LBUTTONUP, 5, 6);
        ASSERT_TRUE(WaitEvents(1));
        Pump();
        ASSERT_EQ(EngineEvents().size(), 1u);
        EXPECT_EQ(EngineEvents()[0].code, 660);
        EXPECT_EQ(EngineEvents()[0].controlId, 7);
        EXPECT_EQ(EngineEvents()[0].host, b);
        // Released outside: no click. A release without a press: no click.
        EngineEvents().clear();
        Post(b, WM_LBUTTONDOWN, 5, 6, MK_LBUTTON);
        Post(b, WM_LBUTTONUP, 45, 6);
        Post(b, WM_LBUTTONUP, 5, 6);
        ASSERT_TRUE(Settle(top_));
        EXPECT_TRUE(EngineEvents().empty());
        Close(b);
    }
}

TEST_F(EngineEvents_, PictureReportsPressMoveReleaseWithCapture) {
    HWND pic = MakeSkinned(EngineType::PictureBoxEx, top_, 100, 60, 300, 200, 15);
    Post(pic, WM_LBUTTONDOWN, 10, 20, MK_LBUTTON | MK_CONTROL);
    ASSERT_TRUE(WaitEvents(1));
    EXPECT_EQ(GetCapture(), pic);  // a drag keeps its moves past the edge
    Post(pic, WM_MOUSEMOVE, -30, 250, MK_LBUTTON | MK_SHIFT);
    Post(pic, WM_LBUTTONUP, 12, 22);
    ASSERT_TRUE(WaitEvents(3));
    const auto& ev = EngineEvents();
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[0].code, 662);
    EXPECT_EQ(ev[0].a1, 10);
    EXPECT_EQ(ev[0].a2, 20);
    EXPECT_EQ(ev[0].a3, 0);
    EXPECT_EQ(ev[0].a4, 1);
    EXPECT_EQ(ev[1].code, 668);
    EXPECT_EQ(ev[1].a1, -30);
    EXPECT_EQ(ev[1].a2, 250);
    EXPECT_EQ(ev[1].a4, 2);
    EXPECT_EQ(ev[2].code, 664);
    EXPECT_EQ(ev[2].a1, 12);
    EXPECT_EQ(ev[2].a2, 22);
    EXPECT_EQ(ev[2].controlId, 15);
    EXPECT_NE(GetCapture(), pic);
    Close(pic);
}

TEST_F(EngineEvents_, WheelReachesThePictureUnderTheCursor) {
    HWND pic = MakeSkinned(EngineType::PictureBoxEx, top_, 100, 60, 300, 200, 15);
    HWND button = MakeSkinned(EngineType::SuperbuttonEx, top_, 500, 60, 50, 50, 9);
    ASSERT_TRUE(WaitForFrame(top_));
    SetForegroundWindow(top_);
    SetFocus(top_);
    POINT at{150, 90};
    ClientToScreen(pic, &at);
    SetCursorPos(at.x, at.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_WHEEL;
    in.mi.mouseData = static_cast<DWORD>(-240);
    ASSERT_EQ(SendInput(1, &in, sizeof in), 1u);
    ASSERT_TRUE(WaitFor([] {
        for (const auto& e : EngineEvents())
            if (e.code == 670) return true;
        return false;
    }));
    const EngineEvent* wheel = nullptr;
    for (const auto& e : EngineEvents())
        if (e.code == 670) wheel = &e;
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(wheel->controlId, 15);
    EXPECT_EQ(wheel->a3, -240);
    EXPECT_EQ(wheel->a1, 150);
    EXPECT_EQ(wheel->a2, 90);
    // Over the button nothing is raised; posted to the top-level directly, the
    // wheel goes by the point in the message.
    EngineEvents().clear();
    POINT over{10, 10};
    ClientToScreen(button, &over);
    PostMessageA(top_, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(over.x, over.y));
    POINT inside{20, 30};
    ClientToScreen(pic, &inside);
    PostMessageA(top_, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120), MAKELPARAM(inside.x, inside.y));
    ASSERT_TRUE(WaitEvents(1));
    Pump();
    ASSERT_EQ(EngineEvents().size(), 1u);
    EXPECT_EQ(EngineEvents()[0].code, 670);
    EXPECT_EQ(EngineEvents()[0].a1, 20);
    EXPECT_EQ(EngineEvents()[0].a2, 30);
    EXPECT_EQ(EngineEvents()[0].a3, 120);
    EXPECT_EQ(EngineEvents()[0].a4, 1);
    Close(button);
    Close(pic);
}

TEST_F(EngineEvents_, RightButtonIsLeftToTheWindow) {
    HWND pic = MakeSkinned(EngineType::PictureBoxEx, top_, 100, 60, 300, 200, 15);
    HWND button = MakeSkinned(EngineType::SuperbuttonEx, top_, 500, 60, 50, 50, 9);
    for (HWND h : {pic, button}) {
        Post(h, WM_RBUTTONDOWN, 5, 5, MK_RBUTTON);
        Post(h, WM_RBUTTONUP, 5, 5);
        ASSERT_TRUE(WaitFor([&] {
            const auto& seen = HostMessagesSeen(h);
            return std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_RBUTTONUP)) != seen.end();
        }, 3000));
    }
    Pump();
    EXPECT_TRUE(EngineEvents().empty());
    Close(button);
    Close(pic);
}

TEST_F(EngineEvents_, EventsOfAControlDestroyedByItsHandlerStop) {
    // A handler may destroy the control it was raised on (a window closing on
    // a click); the engine must not touch it afterwards.
    static HWND victim = nullptr;
    static int calls = 0;
    calls = 0;
    struct Local {
        static int __stdcall Kill(const ExuiControlRecord*, int, int, int, int, int) {
            ++calls;
            DestroyWindow(victim);
            return 0;
        }
    };
    victim = CreateWindowExA(WS_EX_TRANSPARENT, "SuperbuttonEx", nullptr, WS_CHILD | WS_VISIBLE, 300, 200, 30, 30,
                             top_, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(victim, nullptr);
    ExuiBindingRecord record{victim, 3, 1, 0, nullptr, 0};
    ASSERT_NE(Engine().CreateControl_SuperbuttonEx(0, top_, 300, 200, 30, 30, Local::Kill, &record, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
              nullptr);
    SendMessageA(victim, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(victim, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(IsWindow(victim));
    Pump();
}

// Bytes whose decode fails raise the undecodable event once, after the
// write; a picture that decodes raises none.
TEST_F(EngineEvents_, PictureWhoseDecodeFailsRaisesUndecodableOnce) {
    const vela::Bytes good = MakePicture(64, 48, L"image/png");
    vela::Bytes broken = good;
    // Every byte after the header chunk garbled: the header reads, the data does not.
    for (size_t i = 8 + 25; i < broken.size(); ++i) broken[i] = 0xFF;
    HWND pic = MakeSkinned(EngineType::PictureBoxEx, top_, 100, 60, 300, 200, 15);
    const struct {
        const vela::Bytes* bytes;
        size_t raised;
    } cases[] = {{&good, 0}, {&broken, 1}, {&good, 0}};
    for (const auto& c : cases) {
        EngineEvents().clear();
        ASSERT_EQ(SetData(pic, 8, c.bytes->data(), static_cast<int>(c.bytes->size())), 1);
        ASSERT_TRUE(Settle(top_));
        const size_t raised = std::count_if(EngineEvents().begin(), EngineEvents().end(),
                                            [](const EngineEvent& e) { return e.code == ENGINE_EVENT_UNDECODABLE; });
        EXPECT_EQ(raised, c.raised);
        if (raised) EXPECT_EQ(EngineEvents().back().controlId, 15);
    }
    Close(pic);
}
