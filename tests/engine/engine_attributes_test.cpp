// The engine's attribute store seen from outside: kinds per type, exact
// read-after-write, defaults, unknown indexes, the start-up handshake.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "engine_harness.h"
#include "forms/forms.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

// Kinds of properties 8 upward per type (b bool, i int, t text, d data).
struct TypeKinds {
    EngineType type;
    const char* kinds;
};
const TypeKinds kTypes[] = {
    {EngineType::WindowEx, "bbiiididdddiiiiiditddtbi"},
    {EngineType::MinutesboxEx, "bbiiididdiididitdd"},
    {EngineType::PictureBoxEx, "bbiiididdiibiiiddi"},
    {EngineType::ButtonEx, "bbiiididddiitdd"},
    {EngineType::SuperbuttonEx, "bbiiididbdiibddiitdd"},
};

// One top-level window for the suite: closing one costs 2 s on a display
// without a window manager.
class EngineAttributes : public ::testing::Test {
protected:
    static void SetUpTestSuite() { top_ = MakeTopLevel(); }
    static void TearDownTestSuite() { Close(top_); }
    void SetUp() override {
        ASSERT_NE(Engine().dll, nullptr);
        ASSERT_NE(top_, nullptr);
    }
    static HWND top_;
};
HWND EngineAttributes::top_ = nullptr;

int Read(HWND host, int index, void* out) {
    return Engine().ControlSendMessage(HandleOf(host), ENGINE_GET_ATTRIBUTE, index, reinterpret_cast<INT_PTR>(out), 0, 0);
}

}  // namespace

TEST(EngineExports, TheListBindsEveryExportOfTheEngineAndNoOther) {
    const EngineApi& e = Engine();
    ASSERT_NE(e.dll, nullptr);
#define EXPECT_EXPORTED(name, type) EXPECT_NE(e.name, nullptr) << #name;
    ENGINE_CALLED_EXPORTS(EXPECT_EXPORTED)
#undef EXPECT_EXPORTED
#define EXPECT_ABSENT(name, type) EXPECT_EQ(e.name, nullptr) << #name;
    ENGINE_UNCALLED_EXPORTS(EXPECT_ABSENT)
#undef EXPECT_ABSENT
    // Nothing bound from no library.
    EXPECT_EQ(BindExuiExports(nullptr).CreateControl_WindowEx, nullptr);
}

TEST(EngineExports, OnlyTheTestsBuildCarriesTheDecodeHold) {
    // Each test point looks for a named object whose name only its code
    // spells: the decode hold, the memory bound, the prepared signal, the
    // hold of a request to prepare.
    const Bytes shipped = ReadBytes(ProgramFolder() + "\\ExuiKrnln.dll");
    const Bytes tests = ReadBytes(ProgramFolder() + "\\hold\\ExuiKrnln.dll");
    ASSERT_FALSE(shipped.empty());
    ASSERT_FALSE(tests.empty());
    const auto carries = [](const Bytes& bytes, const std::string& name) {
        return std::search(bytes.begin(), bytes.end(), name.begin(), name.end()) != bytes.end();
    };
    for (const char* name :
         {"uiengine-hold-levels", "uiengine-memory-bound", "uiengine-prepared", "uiengine-prepare-hold"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(carries(shipped, name));
        EXPECT_TRUE(carries(tests, name));
    }
    // Nor does the viewer carry a switch for tests (its symbols would name it).
    const Bytes viewer = ReadBytes(ProgramFolder() + "\\VelaViewer.exe");
    const std::string hook = "ForTesting";
    ASSERT_FALSE(viewer.empty());
    EXPECT_EQ(std::search(viewer.begin(), viewer.end(), hook.begin(), hook.end()), viewer.end());
}

TEST(EngineHandshake, AnswersOnlyTheStartUpCall) {
    const EngineApi& e = Engine();
    ASSERT_NE(e.CallInternalFunction_Ex, nullptr);
    const INT_PTR module = reinterpret_cast<INT_PTR>(e.dll);
    EXPECT_EQ(e.CallInternalFunction_Ex(2008, module, 0, 0, 20210101), 1);
    EXPECT_EQ(e.CallInternalFunction_Ex(2008, module, 0, 0, 20210102), 0);
    EXPECT_EQ(e.CallInternalFunction_Ex(2009, module, 0, 0, 20210101), 0);
    EXPECT_EQ(e.CallInternalFunction_Ex(2008, 0, 0, 0, 20210101), 0);
}

// The other side of the shared table: the properties the viewer's forms
// write, by the kind its calls give them (SetText, SetData, SetInt for a
// number or a switch), are attributes of that kind in the engine: what is
// written that way reads back as that kind keeps it.
TEST_F(EngineAttributes, ThePropertiesTheViewerUsesHaveTheKindsItWritesThemBy) {
    namespace prop = vela::forms::prop;
    const struct {
        EngineType type;
        int property;
        char kind;  // how the viewer writes it; 'r': an integer it only reads
    } used[] = {
        {EngineType::WindowEx, prop::FrameTitle, 't'},          {EngineType::WindowEx, prop::FrameHint, 't'},
        {EngineType::WindowEx, prop::FrameFullScreen, 'b'},     {EngineType::WindowEx, prop::FrameChromeOpacity, 'i'},
        {EngineType::PictureBoxEx, prop::Picture, 'd'},         {EngineType::PictureBoxEx, prop::PictureFirstPlay, 'r'},
        {EngineType::SuperbuttonEx, prop::Caption, 't'},
    };
    for (const auto& u : used) {
        SCOPED_TRACE(u.property);
        HWND host = MakeSkinned(u.type, top_, 10, 40, 50, 50);
        const int index = vela::skin::AttributeIndex(u.property);
        switch (u.kind) {
            case 't': {
                ASSERT_EQ(SetText(host, index, "看图"), 1);
                const char* got = nullptr;
                ASSERT_EQ(Read(host, index, &got), 1);
                ASSERT_NE(got, nullptr);
                EXPECT_STREQ(got, "看图");
                break;
            }
            case 'd': {
                const unsigned char bytes[3] = {7, 0, 9};
                ASSERT_EQ(SetData(host, index, bytes, 3), 1);
                ExuiData got{};
                ASSERT_EQ(Read(host, index, &got), 1);
                EXPECT_EQ(got.length, 3);
                break;
            }
            case 'r': {
                int32_t got = -1;
                ASSERT_EQ(Read(host, index, &got), 1);
                EXPECT_EQ(got, 0);  // nothing written, nothing playing
                break;
            }
            default: {
                // A switch keeps only whether it is set; a number keeps itself.
                ASSERT_EQ(SetInt(host, index, 7), 1);
                int32_t got = 0;
                ASSERT_EQ(Read(host, index, &got), 1);
                EXPECT_EQ(got, u.kind == 'b' ? 1 : 7);
                SetInt(host, index, 0);
                break;
            }
        }
        Close(host);
    }
}

TEST_F(EngineAttributes, EveryAttributeKeepsExactlyWhatWasWrittenByItsKind) {
    for (const TypeKinds& t : kTypes) {
        SCOPED_TRACE(static_cast<int>(t.type));
        HWND host = MakeSkinned(t.type, top_, 10, 40, 50, 50);
        ASSERT_NE(HandleOf(host), nullptr);
        const int count = static_cast<int>(strlen(t.kinds));
        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE(i);
            switch (t.kinds[i]) {
                case 'i': {
                    int32_t got = 0x5A5A5A5A;
                    ASSERT_EQ(Read(host, i, &got), 1);
                    EXPECT_EQ(got, 0);  // unwritten
                    ASSERT_EQ(SetInt(host, i, -123456 - i), 1);
                    ASSERT_EQ(Read(host, i, &got), 1);
                    EXPECT_EQ(got, -123456 - i);
                    break;
                }
                case 'b': {
                    int32_t got = 0x5A5A5A5A;
                    ASSERT_EQ(SetInt(host, i, 1), 1);
                    ASSERT_EQ(Read(host, i, &got), 1);
                    EXPECT_EQ(got, 1);
                    ASSERT_EQ(SetInt(host, i, 0), 1);
                    ASSERT_EQ(Read(host, i, &got), 1);
                    EXPECT_EQ(got, 0);
                    break;
                }
                case 't': {
                    const char* got = reinterpret_cast<const char*>(1);
                    ASSERT_EQ(Read(host, i, &got), 1);
                    ASSERT_NE(got, nullptr);
                    EXPECT_STREQ(got, "");  // no pack: no design text
                    char source[] = "a.jpg—Vela图片查看器";
                    ASSERT_EQ(SetText(host, i, source), 1);
                    source[0] = 'X';  // the engine keeps its own copy
                    ASSERT_EQ(Read(host, i, &got), 1);
                    EXPECT_STREQ(got, "a.jpg—Vela图片查看器");
                    EXPECT_NE(got, source);
                    break;
                }
                case 'd': {
                    ExuiData got{reinterpret_cast<void*>(1), 77};
                    ASSERT_EQ(Read(host, i, &got), 1);
                    EXPECT_EQ(got.data, nullptr);
                    EXPECT_EQ(got.length, 0);
                    unsigned char source[5] = {0, 1, 2, 0xFE, static_cast<unsigned char>(i)};
                    ASSERT_EQ(SetData(host, i, source, 5), 1);
                    source[0] = 9;
                    ASSERT_EQ(Read(host, i, &got), 1);
                    ASSERT_EQ(got.length, 5);
                    ASSERT_NE(got.data, nullptr);
                    EXPECT_NE(got.data, source);
                    const unsigned char want[5] = {0, 1, 2, 0xFE, static_cast<unsigned char>(i)};
                    EXPECT_EQ(memcmp(got.data, want, 5), 0);
                    // An empty block empties it again.
                    ASSERT_EQ(SetData(host, i, nullptr, 0), 1);
                    ASSERT_EQ(Read(host, i, &got), 1);
                    EXPECT_EQ(got.data, nullptr);
                    EXPECT_EQ(got.length, 0);
                    break;
                }
            }
        }
        // Past the type's attributes and negative indexes: 0, nothing written.
        int32_t marker = 0x77777777;
        EXPECT_EQ(Read(host, count, &marker), 0);
        EXPECT_EQ(marker, 0x77777777);
        EXPECT_EQ(Read(host, -1, &marker), 0);
        EXPECT_EQ(SetInt(host, count, 5), 0);
        EXPECT_EQ(SetInt(host, 100000, 5), 0);
        EXPECT_EQ(marker, 0x77777777);
        // Unknown messages and null addresses are refused.
        EXPECT_EQ(Engine().ControlSendMessage(HandleOf(host), 10243, 0, reinterpret_cast<INT_PTR>(&marker), 0, 0), 0);
        EXPECT_EQ(Engine().ControlSendMessage(HandleOf(host), ENGINE_SET_ATTRIBUTE, 2, 0, 0, 0), 0);
        EXPECT_EQ(Engine().ControlSendMessage(HandleOf(host), ENGINE_GET_ATTRIBUTE, 2, 0, 0, 0), 0);
        Close(host);
    }
}

TEST_F(EngineAttributes, PictureBlockReadsBackByteForByte) {
    HWND host = MakeSkinned(EngineType::PictureBoxEx, top_, 10, 40, 200, 100);
    const Bytes jpeg = MakePicture(320, 200, L"image/jpeg");
    ASSERT_GT(jpeg.size(), 100u);
    ASSERT_EQ(SetData(host, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    ExuiData got{nullptr, -1};
    ASSERT_EQ(Read(host, 8, &got), 1);
    ASSERT_EQ(got.length, static_cast<int>(jpeg.size()));
    EXPECT_EQ(memcmp(got.data, jpeg.data(), jpeg.size()), 0);
    // New bytes replace the old ones entirely, also undecodable ones.
    const unsigned char junk[3] = {1, 2, 3};
    ASSERT_EQ(SetData(host, 8, junk, 3), 1);
    ASSERT_EQ(Read(host, 8, &got), 1);
    ASSERT_EQ(got.length, 3);
    EXPECT_EQ(memcmp(got.data, junk, 3), 0);
    Close(host);
}

TEST_F(EngineAttributes, StaleOrForeignHandlesAreRefused) {
    HWND host = MakeSkinned(EngineType::SuperbuttonEx, top_, 10, 40, 50, 50);
    ExuiHandle h = HandleOf(host);
    ASSERT_NE(h, nullptr);
    Close(host);
    int32_t v = 3;
    EXPECT_EQ(Engine().ControlSendMessage(h, ENGINE_SET_ATTRIBUTE, 2, reinterpret_cast<INT_PTR>(&v), 0, 0), 0);
    EXPECT_EQ(Engine().ControlDestroy(h), 0);
    int local = 0;
    EXPECT_EQ(Engine().ControlSendMessage(&local, ENGINE_GET_ATTRIBUTE, 2, reinterpret_cast<INT_PTR>(&v), 0, 0), 0);
    EXPECT_EQ(Engine().ControlDestroy(&local), 0);
    EXPECT_EQ(Engine().ControlDestroy(nullptr), 0);
    EXPECT_EQ(Engine().ControPonintSizeSynchronise(top_, 0), 0);
}

TEST_F(EngineAttributes, PackGivesDesignTextAndBadPacksGivePlainDefaults) {
    const Bytes pack = BuildPack({{EXPK_TEXT, 0, TextPayload("Vela图片查看器")}, {EXPK_FONT, 0, [] {
                                      Bytes b{14, 0, 0, 0};
                                      const Bytes face = TextPayload("微软雅黑");
                                      b.insert(b.end(), face.begin(), face.end());
                                      return b;
                                  }()}});
    HWND frame = MakeSkinned(EngineType::WindowEx, top_, 4, 4, 24, 24, 16, pack.data());
    const char* title = nullptr;
    ASSERT_EQ(Read(frame, 18, &title), 1);
    EXPECT_STREQ(title, "Vela图片查看器");
    char text[64] = "marker";
    GetWindowTextA(top_, text, sizeof text);
    EXPECT_STREQ(text, "Vela图片查看器");

    HWND caption = MakeSkinned(EngineType::SuperbuttonEx, top_, 60, 300, 50, 50, 13,
                               BuildPack({{EXPK_TEXT, 0, TextPayload("123")}}).data());
    ASSERT_EQ(Read(caption, 17, &title), 1);
    EXPECT_STREQ(title, "123");

    // The caller's length bounds the pack: one byte short of the pack's own
    // length, or none given, and the pack is not read at all.
    const Bytes captionPack = BuildPack({{EXPK_TEXT, 0, TextPayload("456")}});
    const struct {
        int64_t length;
        const char* expected;
    } bounds[] = {{static_cast<int64_t>(captionPack.size()), "456"},
                  {static_cast<int64_t>(captionPack.size()) - 1, ""},
                  {0, ""}};
    int boundId = 40;
    for (const auto& b : bounds) {
        HWND h = MakeSkinned(EngineType::SuperbuttonEx, top_, 60, 300, 50, 50, boundId++, captionPack.data(), b.length);
        const char* t = reinterpret_cast<const char*>(1);
        ASSERT_EQ(Read(h, 17, &t), 1);
        EXPECT_STREQ(t, b.expected) << b.length;
        Close(h);
    }

    // Broken packs: wrong magic, a length past the entries, an entry running
    // past the length, a huge count.
    Bytes wrongMagic = pack;
    wrongMagic[0] = 'X';
    Bytes shortLength = pack;
    shortLength[4] = 20;
    shortLength[5] = shortLength[6] = shortLength[7] = 0;
    Bytes hugeEntry = pack;
    hugeEntry[16 + 4] = 0xFF;
    hugeEntry[16 + 7] = 0x7F;
    Bytes manyEntries = pack;
    manyEntries[10] = manyEntries[11] = 0xFF;
    int id = 20;
    for (const Bytes* bad : {&wrongMagic, &shortLength, &hugeEntry, &manyEntries}) {
        HWND b = MakeSkinned(EngineType::SuperbuttonEx, top_, 60, 300, 50, 50, id++, bad->data());
        ASSERT_NE(HandleOf(b), nullptr);
        const char* t = reinterpret_cast<const char*>(1);
        ASSERT_EQ(Read(b, 17, &t), 1);
        EXPECT_STREQ(t, "");
        Close(b);
    }
    Close(caption);
    Close(frame);
}

TEST_F(EngineAttributes, CaptionAndTitleAreMirroredIntoWindowTexts) {
    HWND frame = MakeSkinned(EngineType::WindowEx, top_, 4, 4, 24, 24, 16);
    HWND button = MakeSkinned(EngineType::SuperbuttonEx, top_, 60, 300, 50, 50, 13);
    ASSERT_EQ(SetText(frame, 18, "b.jpg—Vela图片查看器"), 1);
    ASSERT_EQ(SetText(button, 17, "110%"), 1);
    char text[64] = "marker";
    GetWindowTextA(top_, text, sizeof text);
    EXPECT_STREQ(text, "b.jpg—Vela图片查看器");
    GetWindowTextA(button, text, sizeof text);
    EXPECT_STREQ(text, "110%");
    Close(button);
    Close(frame);
}

TEST_F(EngineAttributes, OneEngineControlPerHost) {
    HWND host = MakeSkinned(EngineType::ButtonEx, top_, 10, 40, 30, 30);
    ExuiHandle first = HandleOf(host);
    ASSERT_NE(first, nullptr);
    ExuiBindingRecord record{host, 2, 1, 0, nullptr, 0};
    EXPECT_EQ(Engine().CreateControl_ButtonEx(0, top_, 0, 0, 30, 30, RecordEvent, &record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0, 0, 0),
              nullptr);
    EXPECT_EQ(HandleOf(host), first);
    ExuiBindingRecord noHost{nullptr, 2, 1, 0, nullptr, 0};
    EXPECT_EQ(Engine().CreateControl_ButtonEx(0, top_, 0, 0, 30, 30, RecordEvent, &noHost, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0, 0),
              nullptr);
    EXPECT_EQ(Engine().CreateControl_ButtonEx(0, top_, 0, 0, 30, 30, RecordEvent, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0, 0),
              nullptr);
    Close(host);
}
