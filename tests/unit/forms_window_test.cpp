// The form layer on real windows: MainWindow built over the recording engine,
// its properties, its events and the routing of keys and right clicks, and
// AssociationWindow as a modal window.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include <map>
#include <string>
#include <vector>

#include "forms/forms.h"
#include "recorder.h"
#include "test_support.h"

using namespace vela;
using namespace vela::forms;

namespace {

std::vector<EventArgs> g_events;
bool g_allExistedAtCreation = false;
int g_creates = 0;
int g_minimumWidth = 0;  // the size handler widens the window to this
int g_keysInsideCreated = -1, g_keysAfterLoad = -1;
bool g_noPictureAfterLoad = false;

int Record(const EventArgs& a) {
    g_events.push_back(a);
    return 0;
}

int OnCreated(const EventArgs& a) {
    g_events.push_back(a);
    g_allExistedAtCreation = NativeWindow(Ctl::SkinFrame) && NativeWindow(Ctl::PictureView) &&
                             GetParent(NativeWindow(Ctl::ZoomInButton)) == NativeWindow(Ctl::Toolbar) &&
                             IsLoaded(Form::MainWindow);
    std::string log = test::RecordedCalls();
    for (std::size_t at = 0; (at = log.find("create ", at)) != std::string::npos; ++at) ++g_creates;
    // A key released while the created handler lets messages through.
    PostMessageA(NativeWindow(Ctl::PictureView), WM_KEYUP, VK_RIGHT, 0xC0000001);
    ProcessPendingMessages();
    g_keysInsideCreated = 0;
    for (const EventArgs& e : g_events) g_keysInsideCreated += e.event == ev::KeyUp;
    return 0;
}

int OnSizeChanged(const EventArgs& a) {
    g_events.push_back(a);
    if (g_minimumWidth && GetInt(Ctl::MainWindow, prop::Width) < g_minimumWidth) {
        SetInt(Ctl::MainWindow, prop::Width, g_minimumWidth);  // raises the event again, inside this one
    }
    return 0;
}

int OnZoomIn(const EventArgs& a) {
    g_events.push_back(a);
    return 31;
}

constexpr EventBinding kMainEvents[] = {
    {Ctl::MainWindow, ev::Created, OnCreated},        {Ctl::MainWindow, ev::SizeChanged, OnSizeChanged},
    {Ctl::MainWindow, ev::RightUp, Record},           {Ctl::MainWindow, ev::KeyUp, Record},
    {Ctl::MainWindow, ev::KeyDown, Record},           {Ctl::ZoomInButton, ev::Clicked, OnZoomIn},
    {Ctl::PictureView, ev::PictureWheel, Record},
};

int CountOf(Ctl control, int event) {
    int n = 0;
    for (const EventArgs& a : g_events) n += a.control == control && a.event == event;
    return n;
}

const EventArgs* LastOf(Ctl control, int event) {
    for (auto it = g_events.rbegin(); it != g_events.rend(); ++it) {
        if (it->control == control && it->event == event) return &*it;
    }
    return nullptr;
}

// Pumps through the form layer (so that its routing runs) until done.
bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 500; ++i) {
        ProcessPendingMessages();
        if (done()) return true;
        Sleep(10);
    }
    return done();
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A repeated run (--gtest_repeat) goes on with the window of the first:
        // a form is loaded once for the process.
        if (IsLoaded(Form::MainWindow)) return;
        ASSERT_TRUE(test::UseRecordingEngine());
        test::ClearRecordedCalls();
        BindEvents(Form::MainWindow, kMainEvents);
        LoadMainWindow();
        g_keysAfterLoad = CountOf(Ctl::MainWindow, ev::KeyUp);
        g_noPictureAfterLoad = GetData(Ctl::PictureView, prop::Picture).empty();
    }
    void SetUp() override {
        ASSERT_TRUE(IsLoaded(Form::MainWindow));
        g_events.clear();
        g_minimumWidth = 0;
    }
    HWND Main() { return NativeWindow(Ctl::MainWindow); }
};

TEST_F(MainWindowTest, BuiltCentredWithAllControlsBeforeCreatedEvent) {
    EXPECT_TRUE(g_allExistedAtCreation);
    EXPECT_EQ(g_creates, 15);  // every control but the file dialog is skinned
    HWND w = Main();
    ASSERT_NE(w, nullptr);
    LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_APPWINDOW, WS_EX_APPWINDOW);
    EXPECT_EQ(NativeWindow(Ctl::FileDialog), nullptr);  // a file dialog has no window of its own
}

TEST_F(MainWindowTest, InputDuringTheCreatedHandlerWaitsUntilItReturns) {
    EXPECT_EQ(g_keysInsideCreated, 0);
    EXPECT_EQ(g_keysAfterLoad, 1);
}

TEST_F(MainWindowTest, StoredGeometryAndCentring) {
    // The size first: other tests, in any order, resize the window.
    SetInt(Ctl::MainWindow, prop::Width, 648);
    SetInt(Ctl::MainWindow, prop::Height, 411);
    SetInt(Ctl::MainWindow, prop::WindowState, 1);
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::Width), 648);
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::Height), 411);
    // Centred on the screen, as the window system has it: the margins left
    // and right (above and below) differ by at most the pixel an odd
    // difference leaves.
    RECT r{};
    ASSERT_TRUE(GetWindowRect(Main(), &r));
    EXPECT_EQ(r.right - r.left, 648);
    EXPECT_EQ(r.bottom - r.top, 411);
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_LE(std::abs(r.left - (cx - r.right)), 1) << r.left << " " << r.right;
    EXPECT_LE(std::abs(r.top - (cy - r.bottom)), 1) << r.top << " " << r.bottom;
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::Left), r.left);
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::Top), r.top);
    // Each control where the window system put it, in its parent's client
    // area (the zoom ratio button in the toolbar's), reads that place.
    for (Ctl c : {Ctl::Toolbar, Ctl::ZoomRatioButton, Ctl::SettingsButton, Ctl::CloseButton}) {
        SCOPED_TRACE(static_cast<int>(c));
        RECT place{};
        ASSERT_TRUE(GetWindowRect(NativeWindow(c), &place));
        MapWindowPoints(HWND_DESKTOP, GetParent(NativeWindow(c)), reinterpret_cast<POINT*>(&place), 2);
        EXPECT_EQ(GetInt(c, prop::Left), place.left);
        EXPECT_EQ(GetInt(c, prop::Top), place.top);
    }
    // The form's places: the toolbar at the bottom, its first button at its
    // left edge.
    EXPECT_EQ(GetInt(Ctl::Toolbar, prop::Left), 168);
    EXPECT_EQ(GetInt(Ctl::Toolbar, prop::Top), 360);
    EXPECT_EQ(GetInt(Ctl::ZoomInButton, prop::Left), 0);
    EXPECT_EQ(GetInt(Ctl::ZoomRatioButton, prop::Left), 50);
    EXPECT_EQ(GetInt(Ctl::FileDialog, prop::Left), 8);
    EXPECT_EQ(GetInt(Ctl::FileDialog, prop::Visible), 0);
}

TEST_F(MainWindowTest, WidthAndPositionClamps) {
    SetInt(Ctl::PictureView, prop::Width, 40000);
    EXPECT_EQ(GetInt(Ctl::PictureView, prop::Width), 32627);
    SetInt(Ctl::PictureView, prop::Width, -3);
    EXPECT_EQ(GetInt(Ctl::PictureView, prop::Width), 0);
    SetInt(Ctl::PictureView, prop::Left, -50000);
    EXPECT_EQ(GetInt(Ctl::PictureView, prop::Left), -32627);
    SetInt(Ctl::PictureView, prop::Left, 280);
    SetInt(Ctl::PictureView, prop::Height, 99);
    EXPECT_EQ(GetInt(Ctl::PictureView, prop::Height), 99);
    EXPECT_EQ(GetInt(Ctl::PictureView, prop::Left), 280);  // kept while resizing
    SetInt(Ctl::PictureView, prop::Width, 128);
}

TEST_F(MainWindowTest, MovesReachEngineOnlyThroughHostWindow) {
    test::ClearRecordedCalls();
    SetInt(Ctl::ZoomInButton, prop::Left, 10);
    EXPECT_EQ(test::RecordedCalls(), "sync 114 0\n");
    test::ClearRecordedCalls();
    SetInt(Ctl::ZoomInButton, prop::Height, 40);
    EXPECT_EQ(test::RecordedCalls(), "sync 114 1\n");
    SetInt(Ctl::ZoomInButton, prop::Left, 0);
    SetInt(Ctl::ZoomInButton, prop::Height, 50);
}

// The window procedure's WM_WINDOWPOSCHANGING count per window, seen through
// a hook of the test's thread.
std::map<HWND, int> g_placings;
LRESULT CALLBACK CountPlacings(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && m->message == WM_WINDOWPOSCHANGING) ++g_placings[m->hwnd];
    return CallNextHookEx(nullptr, code, wp, lp);
}

RECT PlaceInParent(HWND h) {
    RECT r{-1, -1, -1, -1};
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(MainWindowTest, ChildPlacesWrittenDuringAHoldAreReadBackAndPlacedOnceWhenTheOuterHoldEnds) {
    HWND button = NativeWindow(Ctl::ZoomInButton), view = NativeWindow(Ctl::PictureView);
    const RECT before = PlaceInParent(button);
    const int viewLeft = GetInt(Ctl::PictureView, prop::Left);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountPlacings, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    g_placings.clear();
    test::ClearRecordedCalls();

    HoldChildPlacements();
    HoldChildPlacements();
    SetInt(Ctl::ZoomInButton, prop::Left, 12);
    SetInt(Ctl::ZoomInButton, prop::Left, 14);
    SetInt(Ctl::ZoomInButton, prop::Width, 33);
    SetInt(Ctl::ZoomInButton, prop::Top, before.top);
    SetInt(Ctl::PictureView, prop::Left, viewLeft);  // where it is
    EXPECT_EQ(GetInt(Ctl::ZoomInButton, prop::Left), 14);
    EXPECT_EQ(GetInt(Ctl::ZoomInButton, prop::Width), 33);
    EXPECT_EQ(GetInt(Ctl::ZoomInButton, prop::Height), before.bottom - before.top);
    // The window itself is never held: its size change is raised at once.
    SetInt(Ctl::MainWindow, prop::Width, 702);
    EXPECT_EQ(CountOf(Ctl::MainWindow, ev::SizeChanged), 1);
    PlaceHeldChildren();
    EXPECT_EQ(PlaceInParent(button).left, before.left) << "moved before the outer hold ended";
    EXPECT_EQ(g_placings[button], 0);
    EXPECT_EQ(g_placings[view], 0);
    EXPECT_EQ(test::RecordedCalls(), "");

    PlaceHeldChildren();
    const RECT after = PlaceInParent(button);
    EXPECT_EQ(after.left, 14);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right - after.left, 33);
    EXPECT_EQ(g_placings[button], 1);
    // Placed where it was, since the engine hears the end of its layout so.
    EXPECT_EQ(g_placings[view], 1);
    EXPECT_EQ(GetInt(Ctl::PictureView, prop::Left), viewLeft);

    // An end without a hold changes nothing; the next write moves at once.
    PlaceHeldChildren();
    SetInt(Ctl::ZoomInButton, prop::Left, before.left);
    SetInt(Ctl::ZoomInButton, prop::Width, before.right - before.left);
    EXPECT_EQ(PlaceInParent(button).left, before.left);
    // A write of the place a button has does not place it.
    SetInt(Ctl::ZoomInButton, prop::Left, before.left);
    EXPECT_EQ(g_placings[button], 3);
    UnhookWindowsHookEx(hook);
    SetInt(Ctl::MainWindow, prop::Width, 648);
}

void MarkQueuedWork() { g_events.push_back({Ctl::MainWindow, 9999, 0, {}}); }

TEST_F(MainWindowTest, QueuedWorkRunsAfterTheMessagesQueuedBeforeItAndAForeignPostRunsNothing) {
    const UINT message = RegisterWindowMessageA("Vela.QueuedWork");
    // Another process may post the message with any parameter: with nothing
    // queued it runs nothing.
    PostMessageA(Main(), message, 0x1234, 0x5678);
    ProcessPendingMessages();
    EXPECT_TRUE(g_events.empty());

    PostMessageA(NativeWindow(Ctl::PictureView), WM_KEYUP, VK_LEFT, 0xC0000001);
    AfterQueuedMessages(MarkQueuedWork);
    EXPECT_TRUE(g_events.empty()) << "ran before the queued key";
    ProcessPendingMessages();
    ASSERT_EQ(g_events.size(), 2u);
    EXPECT_EQ(g_events[0].event, ev::KeyUp);
    EXPECT_EQ(g_events[1].event, 9999);
    ProcessPendingMessages();
    EXPECT_EQ(g_events.size(), 2u) << "ran twice";
}

TEST_F(MainWindowTest, EnginePropertiesByAttributeIndex) {
    // Never given a picture (read as the window was loaded): an empty block.
    EXPECT_TRUE(g_noPictureAfterLoad);
    Bytes picture = test::MakePicture(3, 2, L"image/png");
    ASSERT_GT(picture.size(), 8u);
    test::ClearRecordedCalls();
    SetData(Ctl::PictureView, prop::Picture, picture);
    EXPECT_EQ(test::RecordedCalls(), "send 115 10241 8\n");
    EXPECT_EQ(GetData(Ctl::PictureView, prop::Picture), picture);
    // The engine's own block, read in place, holds the same bytes.
    const ByteView held = PeekData(Ctl::PictureView, prop::Picture);
    EXPECT_EQ(Bytes(held.begin(), held.end()), picture);
    EXPECT_NE(held.data(), picture.data());
    EXPECT_TRUE(PeekData(Ctl::ZoomRatioButton, prop::Left).empty());
    test::ClearRecordedCalls();
    SetText(Ctl::ZoomRatioButton, prop::Caption, "100%");
    SetText(Ctl::SkinFrame, prop::FrameTitle, "a.png—Vela图片查看器");
    EXPECT_EQ(test::RecordedCalls(), "send 113 10241 17\nsend 116 10241 18\n");
    EXPECT_EQ(GetText(Ctl::ZoomRatioButton, prop::Caption), "100%");
    EXPECT_EQ(GetText(Ctl::SkinFrame, prop::FrameTitle), "a.png—Vela图片查看器");
}

TEST_F(MainWindowTest, AControlsLastAttributeWriteChangesWithEveryWriteOfItsOwnAttributesOnly) {
    const Bytes picture = test::MakePicture(3, 2, L"image/png");
    SetData(Ctl::PictureView, prop::Picture, picture);
    const std::uint64_t written = LastAttributeWrite(Ctl::PictureView);
    EXPECT_NE(written, 0u);
    const ByteView held = PeekData(Ctl::PictureView, prop::Picture);
    // Its place, and other controls' attributes: the block stays as it is.
    SetInt(Ctl::PictureView, prop::Width, GetInt(Ctl::PictureView, prop::Width) + 1);
    SetText(Ctl::ZoomRatioButton, prop::Caption, "50%");
    SetData(Ctl::PreviousButton, prop::Picture, picture);
    EXPECT_EQ(LastAttributeWrite(Ctl::PictureView), written);
    EXPECT_EQ(PeekData(Ctl::PictureView, prop::Picture).data(), held.data());
    EXPECT_GT(LastAttributeWrite(Ctl::ZoomRatioButton), written);
    // Equal bytes written again are a new write, and so is a text or a number.
    SetData(Ctl::PictureView, prop::Picture, picture);
    const std::uint64_t again = LastAttributeWrite(Ctl::PictureView);
    EXPECT_GT(again, LastAttributeWrite(Ctl::PreviousButton));
    SetText(Ctl::PictureView, prop::Caption, "x");
    EXPECT_GT(LastAttributeWrite(Ctl::PictureView), again);
    EXPECT_EQ(LastAttributeWrite(Ctl::AssociationWindow), 0u);
}

TEST_F(MainWindowTest, EngineEventsReachBoundHandlers) {
    EXPECT_EQ(test::RaiseEngineEvent(NativeWindow(Ctl::ZoomInButton), 660), 31);
    EXPECT_EQ(CountOf(Ctl::ZoomInButton, ev::Clicked), 1);
    EXPECT_EQ(test::RaiseEngineEvent(NativeWindow(Ctl::PictureView), 670, 0, 0, -240, 0), 0);
    const EventArgs* wheel = LastOf(Ctl::PictureView, ev::PictureWheel);
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(wheel->arg[2], -240);
    EXPECT_EQ(test::RaiseEngineEvent(NativeWindow(Ctl::ZoomInButton), 700), 0);
    EXPECT_EQ(CountOf(Ctl::ZoomInButton, ev::Clicked), 1);
}

TEST_F(MainWindowTest, SizeChangedIsRaisedAtOnceAndReentrant) {
    SetInt(Ctl::MainWindow, prop::Width, 700);
    EXPECT_EQ(CountOf(Ctl::MainWindow, ev::SizeChanged), 1);  // no message pumped in between
    g_events.clear();
    g_minimumWidth = 500;
    SetInt(Ctl::MainWindow, prop::Width, 300);
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::Width), 500);
    EXPECT_EQ(CountOf(Ctl::MainWindow, ev::SizeChanged), 2);
    g_minimumWidth = 0;
    SetInt(Ctl::MainWindow, prop::Width, 648);
}

TEST_F(MainWindowTest, WindowStates) {
    SetInt(Ctl::MainWindow, prop::WindowState, 3);
    EXPECT_TRUE(IsZoomed(Main()));
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::WindowState), 3);
    SetInt(Ctl::MainWindow, prop::WindowState, 0);
    EXPECT_FALSE(IsZoomed(Main()));
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::WindowState), 0);
    SetInt(Ctl::MainWindow, prop::WindowState, 2);
    EXPECT_TRUE(IsIconic(Main()));
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::WindowState), 2);
    int sizeEvents = CountOf(Ctl::MainWindow, ev::SizeChanged);
    // Centring restores first.
    SetInt(Ctl::MainWindow, prop::WindowState, 1);
    EXPECT_FALSE(IsIconic(Main()));
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::WindowState), 0);
    EXPECT_GT(CountOf(Ctl::MainWindow, ev::SizeChanged), sizeEvents);  // not raised for the minimizing
}

TEST_F(MainWindowTest, AlwaysOnTopCaptionTagVisibility) {
    SetInt(Ctl::MainWindow, prop::AlwaysOnTop, 1);
    EXPECT_EQ(GetWindowLongA(Main(), GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::AlwaysOnTop), 1);
    SetInt(Ctl::MainWindow, prop::AlwaysOnTop, 0);
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::AlwaysOnTop), 0);
    SetText(Ctl::MainWindow, prop::WindowCaption, "标题");
    EXPECT_EQ(GetText(Ctl::MainWindow, prop::WindowCaption), "标题");
    SetText(Ctl::PictureView, prop::Tag, "标记");
    EXPECT_EQ(GetText(Ctl::PictureView, prop::Tag), "标记");
    SetInt(Ctl::NextButton, prop::Visible, 0);
    EXPECT_EQ(GetInt(Ctl::NextButton, prop::Visible), 0);
    EXPECT_FALSE(IsWindowVisible(NativeWindow(Ctl::NextButton)));
    SetInt(Ctl::NextButton, prop::Visible, 1);
    EXPECT_EQ(GetInt(Ctl::NextButton, prop::Visible), 1);
    SetInt(Ctl::NextButton, prop::Disabled, 1);
    EXPECT_EQ(GetInt(Ctl::NextButton, prop::Disabled), 1);
    EXPECT_FALSE(IsWindowEnabled(NativeWindow(Ctl::NextButton)));
    SetInt(Ctl::NextButton, prop::Disabled, 0);
    EXPECT_EQ(GetInt(Ctl::NextButton, prop::Disabled), 0);
}

TEST_F(MainWindowTest, FileDialogTypeClampAndName) {
    SetInt(Ctl::FileDialog, prop::DialogType, 7);
    EXPECT_EQ(GetInt(Ctl::FileDialog, prop::DialogType), 3);
    SetInt(Ctl::FileDialog, prop::DialogType, -1);
    EXPECT_EQ(GetInt(Ctl::FileDialog, prop::DialogType), 0);
    SetText(Ctl::FileDialog, prop::DialogFileName, "C:\\图片\\a.png");
    EXPECT_EQ(GetText(Ctl::FileDialog, prop::DialogFileName), "C:\\图片\\a.png");
    // Types the viewer does not use show nothing and keep the name.
    SetInt(Ctl::FileDialog, prop::DialogType, 2);
    EXPECT_EQ(ShowFileDialog(Ctl::FileDialog), 0);
    EXPECT_EQ(GetText(Ctl::FileDialog, prop::DialogFileName), "C:\\图片\\a.png");
    SetInt(Ctl::FileDialog, prop::DialogType, 0);
}

TEST_F(MainWindowTest, KeysOfAnyChildReachMainWindow) {
    PostMessageA(NativeWindow(Ctl::ZoomInButton), WM_KEYUP, VK_SUBTRACT, 0xC0000001);
    ASSERT_TRUE(PumpUntil([] { return LastOf(Ctl::MainWindow, ev::KeyUp) != nullptr; }));
    const EventArgs* up = LastOf(Ctl::MainWindow, ev::KeyUp);
    EXPECT_EQ(up->arg[0], 189);
    EXPECT_EQ(up->arg[1], 0);
    EXPECT_EQ(up->count, 2);
    PostMessageA(NativeWindow(Ctl::PictureView), WM_KEYUP, VK_NEXT, 0xC0000001);
    ASSERT_TRUE(PumpUntil([] { return CountOf(Ctl::MainWindow, ev::KeyUp) == 2; }));
    EXPECT_EQ(LastOf(Ctl::MainWindow, ev::KeyUp)->arg[0], VK_NEXT);
    PostMessageA(Main(), WM_KEYDOWN, VK_NUMPAD5, 1);
    ASSERT_TRUE(PumpUntil([] { return LastOf(Ctl::MainWindow, ev::KeyDown) != nullptr; }));
    EXPECT_EQ(LastOf(Ctl::MainWindow, ev::KeyDown)->arg[0], '5');
    EXPECT_EQ(CountOf(Ctl::MainWindow, ev::KeyUp), 2);  // each key raised once
}

TEST_F(MainWindowTest, RightClickOnChildReachesMainWindowInItsCoordinates) {
    int left = GetInt(Ctl::PictureView, prop::Left), top = GetInt(Ctl::PictureView, prop::Top);
    PostMessageA(NativeWindow(Ctl::PictureView), WM_RBUTTONUP, MK_SHIFT, MAKELPARAM(5, 6));
    ASSERT_TRUE(PumpUntil([] { return LastOf(Ctl::MainWindow, ev::RightUp) != nullptr; }));
    const EventArgs* a = LastOf(Ctl::MainWindow, ev::RightUp);
    EXPECT_EQ(a->arg[0], left + 5);
    EXPECT_EQ(a->arg[1], top + 6);
    EXPECT_EQ(a->arg[2], 2);
    // Inside the toolbar: two levels down.
    PostMessageA(NativeWindow(Ctl::ZoomOutButton), WM_RBUTTONUP, 0, MAKELPARAM(1, 2));
    ASSERT_TRUE(PumpUntil([] { return CountOf(Ctl::MainWindow, ev::RightUp) == 2; }));
    a = LastOf(Ctl::MainWindow, ev::RightUp);
    EXPECT_EQ(a->arg[0], GetInt(Ctl::Toolbar, prop::Left) + 100 + 1);
    EXPECT_EQ(a->arg[1], GetInt(Ctl::Toolbar, prop::Top) + 2);
}

// AssociationWindow, modal over MainWindow.
int g_modalMode = 0;
bool g_hiddenStateKept = false;
bool g_mainDisabledDuringModal = false;
bool g_checkWorked = false;

int g_associationCreates = 0;

int OnAssociationCreated(const EventArgs&) {
    ++g_associationCreates;
    HWND w = NativeWindow(Ctl::AssociationWindow);
    if (g_modalMode == 1) {
        RECT before{}, after{};
        GetWindowRect(w, &before);
        SetInt(Ctl::AssociationWindow, prop::WindowState, 3);  // hidden: kept, nothing on screen
        GetWindowRect(w, &after);
        g_hiddenStateKept = !IsZoomed(w) && !IsWindowVisible(w) && EqualRect(&before, &after) &&
                            GetInt(Ctl::AssociationWindow, prop::WindowState) == 0;
        SetInt(Ctl::PngCheck, prop::Checked, 1);
        g_checkWorked = GetInt(Ctl::PngCheck, prop::Checked) == 1 && GetInt(Ctl::JpgCheck, prop::Checked) == 0;
        SetInt(Ctl::AssociationWindow, prop::Visible, 1);
        PostMessageA(NativeWindow(Ctl::AssociateButton), BM_CLICK, 0, 0);
        PostMessageA(NativeWindow(Ctl::PngCheck), WM_KEYDOWN, VK_ESCAPE, 1);
    } else if (g_modalMode == 2) {
        SendMessageA(w, WM_CLOSE, 0, 0);
    }
    return 0;
}

int OnAssociate(const EventArgs&) {
    g_mainDisabledDuringModal = !IsWindowEnabled(NativeWindow(Ctl::MainWindow));
    return 0;
}

constexpr EventBinding kAssociationEvents[] = {
    {Ctl::AssociationWindow, ev::Created, OnAssociationCreated},
    {Ctl::AssociateButton, ev::Clicked, OnAssociate},
};

TEST_F(MainWindowTest, ModalWindowClosedByEscape) {
    BindEvents(Form::AssociationWindow, kAssociationEvents);
    g_modalMode = 1;
    ShowModal(Form::AssociationWindow);
    EXPECT_TRUE(g_hiddenStateKept);
    EXPECT_TRUE(g_checkWorked);
    EXPECT_TRUE(g_mainDisabledDuringModal);
    EXPECT_FALSE(IsLoaded(Form::AssociationWindow));
    EXPECT_EQ(NativeWindow(Ctl::PngCheck), nullptr);
    EXPECT_TRUE(IsWindowEnabled(Main()));
}

TEST_F(MainWindowTest, ModalWindowClosedByItsOwnHandlerOrLeftHidden) {
    BindEvents(Form::AssociationWindow, kAssociationEvents);
    g_modalMode = 2;
    ShowModal(Form::AssociationWindow);
    EXPECT_FALSE(IsLoaded(Form::AssociationWindow));
    EXPECT_TRUE(IsWindowEnabled(Main()));
    // A handler that neither shows nor closes it does not leave the program waiting.
    g_modalMode = 0;
    ShowModal(Form::AssociationWindow);
    EXPECT_FALSE(IsLoaded(Form::AssociationWindow));
    EXPECT_TRUE(IsWindowEnabled(Main()));
}

// Refuses the creation of every top-level window of this thread.
LRESULT CALLBACK RefuseTopLevel(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && !(reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style & WS_CHILD)) return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainWindowTest, ModalWindowThatFailedOnceKeepsItsHandlers) {
    BindEvents(Form::AssociationWindow, kAssociationEvents);
    g_modalMode = 0;
    g_associationCreates = -100;
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseTopLevel, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    ShowModal(Form::AssociationWindow);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(g_associationCreates, -100);
    EXPECT_FALSE(IsLoaded(Form::AssociationWindow));
    ShowModal(Form::AssociationWindow);
    EXPECT_EQ(g_associationCreates, -99);
}

}  // namespace

namespace {

// From a second thread: finds a window of the given class of this process
// other than MainWindow, then answers it.
struct Answer {
    const char* className;
    std::function<void(HWND)> act;
    HWND found = nullptr;
};

DWORD WINAPI AnswerWhenShown(void* p) {
    auto* a = static_cast<Answer*>(p);
    for (int i = 0; i < 1000 && !a->found; ++i) {
        HWND w = FindWindowA(a->className, nullptr);
        DWORD pid = 0;
        if (w) GetWindowThreadProcessId(w, &pid);
        if (w && pid == GetCurrentProcessId() && IsWindowVisible(w)) {
            a->found = w;
            // Answered once its thread takes messages again: set up, in its loop.
            SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_BLOCK, 10000, nullptr);
            a->act(w);
        }
        Sleep(10);
    }
    return 0;
}

int ShowAnswered(Answer& answer, const std::function<int()>& show) {
    HANDLE t = CreateThread(nullptr, 0, AnswerWhenShown, &answer, 0, nullptr);
    int result = show();
    WaitForSingleObject(t, 15000);
    CloseHandle(t);
    return result;
}

TEST_F(MainWindowTest, FileDialogCancelKeepsNameConfirmGivesPath) {
    test::ScratchFolder dir("vela-dialog");
    std::string file = dir / "图片.png";
    ASSERT_TRUE(test::WriteBytes(file, test::MakePicture(2, 2, L"image/png")));
    SetInt(Ctl::FileDialog, prop::DialogType, 0);
    SetText(Ctl::FileDialog, prop::DialogFileName, "kept.png");
    Answer cancel{"#32770", [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }};
    EXPECT_EQ(ShowAnswered(cancel, [] { return ShowFileDialog(Ctl::FileDialog); }), 0);
    EXPECT_NE(cancel.found, nullptr);
    EXPECT_EQ(GetText(Ctl::FileDialog, prop::DialogFileName), "kept.png");

    SetText(Ctl::FileDialog, prop::DialogFileName, file);
    Answer confirm{"#32770", [](HWND d) { PostMessageA(d, WM_COMMAND, IDOK, 0); }};
    EXPECT_EQ(ShowAnswered(confirm, [] { return ShowFileDialog(Ctl::FileDialog); }), 1);
    EXPECT_EQ(GetText(Ctl::FileDialog, prop::DialogFileName), file);
}

int g_menuChosen = 0;
int OnOpenPicture(const EventArgs& a) {
    g_menuChosen = static_cast<int>(a.control);
    return 0;
}
constexpr EventBinding kMenuEvents[] = {
    {Ctl::MainWindow, ev::SizeChanged, OnSizeChanged},
    {Ctl::OpenPictureItem, ev::Clicked, OnOpenPicture},
};

TEST_F(MainWindowTest, PopupMenuItemRaisesItsClick) {
    BindEvents(Form::MainWindow, kMenuEvents);
    HWND main = Main();
    Answer pick{"#32768", [main](HWND) {
                    PostMessageA(main, WM_KEYDOWN, VK_DOWN, 1);
                    PostMessageA(main, WM_KEYDOWN, VK_RETURN, 1);
                }};
    ShowAnswered(pick, [] {
        PopupMenuAt(Ctl::ContextMenu, 700, 500, Ctl::MainWindow);
        return 0;
    });
    BindEvents(Form::MainWindow, kMainEvents);
    EXPECT_NE(pick.found, nullptr);
    EXPECT_EQ(g_menuChosen, static_cast<int>(Ctl::OpenPictureItem));
}

}  // namespace

// Moved to a monitor at 150 %: the controls grow by 1.5 from their edges,
// the picture keeps its pixels, the window takes the rectangle offered; and
// back at 100 % everything is as before.
TEST_F(MainWindowTest, ControlsFollowTheMonitorsScaling) {
    const Ctl scaled[] = {Ctl::Toolbar, Ctl::ZoomRatioButton, Ctl::SettingsButton, Ctl::NextButton};
    auto sides = [&] {
        std::vector<int> v;
        for (Ctl c : scaled)
            for (int p : {prop::Left, prop::Top, prop::Width, prop::Height}) v.push_back(GetInt(c, p));
        return v;
    };
    const std::vector<int> before = sides();
    const int picture = GetInt(Ctl::PictureView, prop::Width);
    RECT offered{100, 100, 1072, 716};
    SendMessageA(Main(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&offered));
    EXPECT_EQ(Scaled(100), 150);
    std::vector<int> want = before;
    for (int& v : want) v = MulDiv(v, 3, 2);
    EXPECT_EQ(sides(), want);
    EXPECT_EQ(GetInt(Ctl::PictureView, prop::Width), picture);
    EXPECT_EQ(GetInt(Ctl::MainWindow, prop::Width), 972);
    RECT back{100, 100, 748, 511};
    SendMessageA(Main(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
    EXPECT_EQ(Scaled(100), 100);
    EXPECT_EQ(sides(), before);
}
