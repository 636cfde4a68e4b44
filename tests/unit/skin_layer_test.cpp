// The skinned control layer against the recording engine: host windows and
// their class, the create call, attribute messages, events, moves and the
// order of destruction.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "recorder.h"
#include "skin/engine.h"
#include "skin/skinned_control.h"

using namespace vela;
using namespace vela::skin;

namespace {

std::string Ptr(const void* p) {
    char s[32];
    std::snprintf(s, sizeof s, "%p", p);
    return s;
}

struct Raised {
    int formId = -99, controlId = -99, event = -99, count = -99;
    int args[4] = {-99, -99, -99, -99};
    int calls = 0;
};
Raised g_raised;
int g_handlerResult = 0;

void* Wrap(HWND host) {
    test::NoteInRecord("wrap");
    return reinterpret_cast<void*>(reinterpret_cast<INT_PTR>(host) + 1);
}
void Report(int formId, int controlId) {
    test::NoteInRecord("report " + std::to_string(formId) + " " + std::to_string(controlId));
}
void Release(void* unit) { test::NoteInRecord("release " + Ptr(unit)); }
int Raise(int formId, int controlId, int event, int count, const int* args) {
    g_raised.formId = formId;
    g_raised.controlId = controlId;
    g_raised.event = event;
    g_raised.count = count;
    for (int i = 0; i < 4 && i < count; ++i) g_raised.args[i] = args[i];
    ++g_raised.calls;
    return g_handlerResult;
}

class SkinLayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(test::UseRecordingEngine());
        FormLayerHooks hooks;
        hooks.wrapHost = Wrap;
        hooks.reportDestroyed = Report;
        hooks.releaseWrapper = Release;
        hooks.raiseEvent = Raise;
        SetFormLayerHooks(hooks);
    }
    void SetUp() override {
        parent_ = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                                  nullptr);
        ASSERT_NE(parent_, nullptr);
        test::ClearRecordedCalls();
        g_raised = Raised{};
        g_handlerResult = 0;
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND Make(SkinType type, int controlId, const void* pack = nullptr, DWORD style = WS_VISIBLE) {
        SkinnedControlParams p;
        p.pack = pack;
        p.style = style;
        p.parent = parent_;
        p.controlId = controlId;
        p.left = 11;
        p.top = 22;
        p.width = 33;
        p.height = 44;
        p.formId = 7;
        return CreateSkinnedControl(type, p);
    }

    HWND parent_ = nullptr;
};

TEST_F(SkinLayer, TypeTableAsTheEngineKnowsIt) {
    EXPECT_STREQ(TypeInfo(SkinType::WindowEx).className, "\"WindowEx\"");
    EXPECT_EQ(strlen(TypeInfo(SkinType::WindowEx).className), 10u);
    const int eventBases[5] = {11, 0, 0, 0, 0};
    const char* names[5] = {"\"WindowEx\"", "MinutesboxEx", "PictureBoxEx", "ButtonEx", "SuperbuttonEx"};
    for (int i = 0; i < 5; ++i) {
        const SkinTypeInfo& t = TypeInfo(static_cast<SkinType>(i));
        EXPECT_STREQ(t.className, names[i]);
        EXPECT_EQ(t.eventBase, eventBases[i]) << names[i];
    }
}

TEST_F(SkinLayer, CreateBuildsHostWindowAndCallsEngineWithBindingRecord) {
    static const char pack[] = "PACK";
    HWND host = Make(SkinType::WindowEx, 116, pack);
    ASSERT_NE(host, nullptr);
    // Host window: its class, styles, identifier and parent.
    char cls[64] = "marker";
    GetClassNameA(host, cls, sizeof cls);
    EXPECT_STREQ(cls, "\"WindowEx\"");
    // Asked for transparent and topmost; the platform keeps no topmost bit on
    // a child window.
    EXPECT_EQ(GetWindowLongA(host, GWL_EXSTYLE) & WS_EX_TRANSPARENT, WS_EX_TRANSPARENT);
    EXPECT_EQ(GetWindowLongA(host, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(GetDlgCtrlID(host), 116);
    EXPECT_EQ(GetParent(host), parent_);
    RECT r{};
    GetWindowRect(host, &r);
    MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 11);
    EXPECT_EQ(r.top, 22);
    EXPECT_EQ(r.right - r.left, 33);
    EXPECT_EQ(r.bottom - r.top, 44);
    // The form layer's wrapper and the engine's handle are on the host.
    EXPECT_EQ(GetPropA(host, "hUnit"), reinterpret_cast<HANDLE>(reinterpret_cast<INT_PTR>(host) + 1));
    EXPECT_NE(GetPropA(host, "Tab_Control"), nullptr);
    // The class as registered.
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "\"WindowEx\"", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));
    EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(wc.hCursor, LoadCursor(nullptr, IDC_ARROW));

    // The host's own creation moves come before the engine knows the control
    // (it finds none through "Tab_Control"); they are left out here.
    std::string log = test::RecordedCalls();
    for (std::size_t at; (at = log.find("sync 0 ")) != std::string::npos;) log.erase(at, log.find('\n', at) - at + 1);
    std::string expected = "wrap\ncreate WindowEx pc=0 parent=" + Ptr(parent_) +
                           " 11 22 33 44 zeros=20 nonzero=0 host=" + Ptr(host) +
                           " control=116 form=7 base=11 pack=" + Ptr(pack) + "\n";
    EXPECT_EQ(log, expected);
}

TEST_F(SkinLayer, EveryTypeGetsItsTrailingZeros) {
    const char* names[5] = {"WindowEx", "MinutesboxEx", "PictureBoxEx", "ButtonEx", "SuperbuttonEx"};
    const int zeros[5] = {20, 17, 17, 14, 19};
    for (int i = 0; i < 5; ++i) {
        test::ClearRecordedCalls();
        HWND host = Make(static_cast<SkinType>(i), 120 + i);
        ASSERT_NE(host, nullptr) << names[i];
        std::string log = test::RecordedCalls();
        std::string want = std::string("create ") + names[i] + " pc=0";
        EXPECT_NE(log.find(want), std::string::npos) << log;
        EXPECT_NE(log.find(" zeros=" + std::to_string(zeros[i]) + " nonzero=0 "), std::string::npos) << log;
        EXPECT_NE(log.find(" base=" + std::to_string(i == 0 ? 11 : 0) + " "), std::string::npos) << log;
    }
}

TEST_F(SkinLayer, AttributesTravelByIndexAndAddress) {
    HWND picture = Make(SkinType::PictureBoxEx, 115);
    HWND button = Make(SkinType::SuperbuttonEx, 113);
    test::ClearRecordedCalls();
    int32_t value = 77;
    EXPECT_EQ(SetSkinnedProperty(button, 14 - 8, &value), 1);
    int32_t back = -1;
    EXPECT_EQ(GetSkinnedProperty(button, 14 - 8, &back), 1);
    EXPECT_EQ(back, 77);
    const char* caption = "100%";
    SetSkinnedProperty(button, 25 - 8, &caption);
    const char* read = nullptr;
    GetSkinnedProperty(button, 25 - 8, &read);
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(read, "100%");
    EXPECT_NE(read, caption);  // the engine's own copy
    const unsigned char bytes[] = {1, 2, 0, 3};
    ExuiData d{bytes, 4};
    SetSkinnedProperty(picture, 16 - 8, &d);
    EXPECT_EQ(test::RecordedCalls(),
              "send 113 10241 6\nsend 113 10242 6\nsend 113 10241 17\nsend 113 10242 17\nsend 115 10241 8\n");
}

TEST_F(SkinLayer, HostWithoutEngineControlAnswersNothing) {
    test::FailNextCreate();
    HWND host = Make(SkinType::ButtonEx, 103);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(GetPropA(host, "Tab_Control"), nullptr);
    int32_t v = 5;
    test::ClearRecordedCalls();
    EXPECT_EQ(SetSkinnedProperty(host, 0, &v), 0);
    EXPECT_EQ(GetSkinnedProperty(host, 0, &v), 0);
    // Destroyed without an engine control: nothing reported, nothing freed.
    DestroyWindow(host);
    EXPECT_EQ(test::RecordedCalls(), "");
}

TEST_F(SkinLayer, EngineCodesBecomeFormEvents) {
    HWND button = Make(SkinType::SuperbuttonEx, 114);
    HWND frame = Make(SkinType::WindowEx, 116);
    g_handlerResult = 42;
    EXPECT_EQ(test::RaiseEngineEvent(button, 660, 1, 2, 3, 4), 42);
    EXPECT_EQ(g_raised.calls, 1);
    EXPECT_EQ(g_raised.formId, 7);
    EXPECT_EQ(g_raised.controlId, 114);
    EXPECT_EQ(g_raised.event, 0);
    EXPECT_EQ(g_raised.count, 4);
    EXPECT_EQ(g_raised.args[0], 1);
    EXPECT_EQ(g_raised.args[3], 4);
    EXPECT_EQ(test::RaiseEngineEvent(frame, 660), 42);
    EXPECT_EQ(g_raised.event, 11);
    EXPECT_EQ(test::RaiseEngineEvent(button, 670, 0, 0, -120, 0), 42);
    EXPECT_EQ(g_raised.event, 10);
    EXPECT_EQ(g_raised.args[2], -120);
    // Codes from 700 are the engine's own: nothing raised, 0 returned.
    g_raised = Raised{};
    EXPECT_EQ(test::RaiseEngineEvent(button, 700), 0);
    EXPECT_EQ(test::RaiseEngineEvent(button, 755), 0);
    EXPECT_EQ(g_raised.calls, 0);
    // No record at all is answered quietly.
    EXPECT_EQ(SkinEventCallback(nullptr, 660, 0, 0, 0, 0), 0);
    EXPECT_EQ(g_raised.calls, 0);
}

TEST_F(SkinLayer, MovesReachEngineOnlyThroughSynchronise) {
    HWND host = Make(SkinType::SuperbuttonEx, 109);
    test::ClearRecordedCalls();
    SetWindowPos(host, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(test::RecordedCalls(), "sync 109 0\n");
    test::ClearRecordedCalls();
    SetWindowPos(host, nullptr, 0, 0, 70, 80, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(test::RecordedCalls(), "sync 109 1\n");
    // The background is the engine's to paint.
    HDC dc = GetDC(host);
    EXPECT_EQ(SendMessageA(host, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    ReleaseDC(host, dc);
}

TEST_F(SkinLayer, DestructionReportsReleasesThenDestroys) {
    HWND host = Make(SkinType::PictureBoxEx, 115);
    void* unit = GetPropA(host, "hUnit");
    test::ClearRecordedCalls();
    DestroyWindow(host);
    EXPECT_EQ(test::RecordedCalls(), "report 7 115\nrelease " + Ptr(unit) + "\ndestroy 115\n");
    EXPECT_FALSE(IsWindow(host));
}

TEST_F(SkinLayer, DestroyingTheParentTakesTheControlsAlong) {
    Make(SkinType::ButtonEx, 103);
    Make(SkinType::ButtonEx, 104);
    test::ClearRecordedCalls();
    DestroyWindow(parent_);
    std::string log = test::RecordedCalls();
    EXPECT_NE(log.find("report 7 103\n"), std::string::npos) << log;
    EXPECT_NE(log.find("destroy 103\n"), std::string::npos) << log;
    EXPECT_NE(log.find("destroy 104\n"), std::string::npos) << log;
    parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
