// 配置.ini beside the test program, the associate step's executable, and
// AssociationWindow for a user who is no administrator.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "box_answerer.h"
#include "forms/forms.h"
#include "runtime/entry_points.h"
#include "shell/administrator.h"
#include "shell/association_window.h"
#include "shell/config_file.h"
#include "shell/file_types.h"
#include "test_support.h"

using namespace vela;
using namespace vela::test;

// This program's administrator test, linked in place of the viewer's
// (shell/administrator.cpp holds nothing else, so the linker leaves it
// out): IsNTAdmin's answer unless a test takes the rights away.
namespace vela {
bool g_denyAdministrator = false;
bool IsUserAdministrator() {
    DWORD reserved = 0;
    return !g_denyAdministrator && api::IsNTAdmin(0, &reserved) == 1;
}
}  // namespace vela

namespace {

const std::string kIni = test::ProgramFolder() + "\\配置.ini";

std::string Ini() {
    Bytes b = ReadBytes(kIni);
    return std::string(b.begin(), b.end());
}

std::string Flags() {
    std::string s;
    for (std::string_view t : AssociatedTypes) s += ReadAssociationFlag(t) ? 'T' : 'F';
    return s;
}

std::string ClassText(const char* key) {
    char v[64] = "-";
    LONG size = sizeof v;
    RegQueryValueA(HKEY_CLASSES_ROOT, key, v, &size);
    return v;
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(kIni.c_str()); }
    void TearDown() override {
        DeleteFileA(kIni.c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "vtz");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".vtz");
    }
};

}  // namespace

TEST_F(ConfigFile, OnlyTheWordTrueCountsAndWritesKeepTheirPlace) {
    EXPECT_EQ(ConfigFilePath(), W(kIni));
    EXPECT_EQ(Flags(), "FFFFF");  // no file
    struct Case {
        const char *content, *flags;
    } cases[] = {
        {"", "FFFFF"},
        {"[配置]\r\npng=真\r\njpg=true\r\nbmp=1\r\ngif=真真\r\nico=假\r\n", "TFFFF"},
        {"[配置]\r\nico=真\r\n[其他]\r\npng=真\r\n", "FFFFT"},
        // The private-profile functions drop blanks and quotes around a value.
        {"[配置]\r\npng=真 \r\njpg= 真\r\nbmp=\"真\"\r\n", "TTTFF"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteText(kIni, c.content));
        EXPECT_EQ(Flags(), c.flags) << c.content;
    }
    DeleteFileA(kIni.c_str());
    for (std::string_view t : AssociatedTypes) WriteAssociationFlag(t, t == "png" || t == "gif");
    WriteAssociationFlag("png", false);
    EXPECT_EQ(Ini(), "[配置]\r\npng=假\r\njpg=假\r\nbmp=假\r\ngif=真\r\nico=假\r\n");
}

// Another program reading 配置.ini (a scanner, an editor: open without
// letting it be replaced) while the viewer writes it: the write waits for it
// to let go instead of being lost, and leaves no file of its own behind.
TEST_F(ConfigFile, AWriteWaitsForAReaderToLetGo) {
    ASSERT_TRUE(WriteText(kIni, "[配置]\r\npng=假\r\n"));
    HANDLE reader = CreateFileA(kIni.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const std::string temporaries = test::ProgramFolder() + "\\vel*.tmp";
    auto temporaryExists = [&] {
        WIN32_FIND_DATAA entry;
        HANDLE found = FindFirstFileA(temporaries.c_str(), &entry);
        if (found == INVALID_HANDLE_VALUE) return false;
        FindClose(found);
        return true;
    };
    std::thread writer([] { WriteAssociationFlag("png", true); });
    // The new content is written beside the file before it replaces it.
    const bool waiting = WaitFor(temporaryExists);
    CloseHandle(reader);
    writer.join();
    EXPECT_TRUE(waiting);
    EXPECT_EQ(Ini(), "[配置]\r\npng=真\r\n");
    EXPECT_FALSE(temporaryExists());
}

TEST_F(ConfigFile, TheSlideshowIntervalIsAWholeNumberOfOneToSixtySecondsElseThree) {
    EXPECT_EQ(ReadSlideshowSeconds(), 3);  // no file
    const struct {
        const char* value;
        int seconds;
    } cases[] = {
        {"1", 1}, {"60", 60}, {" 7 ", 7}, {"007", 7}, {"0", 3}, {"61", 3}, {"-5", 3}, {"2.5", 3}, {"5s", 3},
        {"五", 3}, {"", 3}, {"99999999999999999999", 3},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteText(kIni, std::string("[配置]\r\npng=真\r\n幻灯间隔=") + c.value + "\r\n"));
        EXPECT_EQ(ReadSlideshowSeconds(), c.seconds) << c.value;
    }
    // Another section's key does not count, and the association keys stay as they are.
    ASSERT_TRUE(WriteText(kIni, "[其他]\r\n幻灯间隔=9\r\n"));
    EXPECT_EQ(ReadSlideshowSeconds(), 3);
    ASSERT_TRUE(WriteText(kIni, "[配置]\r\npng=真\r\n幻灯间隔=9\r\n"));
    EXPECT_EQ(Flags(), "TFFFF");
}

TEST_F(ConfigFile, AssociatingNeverTurnsIntoRemoval) {
    char own[MAX_PATH];
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    // No drive-letter path (a network share): the module's own name stands in.
    EXPECT_EQ(AssociationExecutable(W(" 　")), W(own));
    EXPECT_EQ(AssociationExecutable(L"Z:\\a.exe"), L"Z:\\a.exe");
    // With no executable at all the registry stays and "假" is stored.
    RegSetValueA(HKEY_CLASSES_ROOT, "vtz\\Shell\\Open\\Command", REG_SZ, "old", 3);
    WriteAssociationFlag("vtz", true);
    AssociateType("vtz", L" ");
    EXPECT_EQ(Ini() + ClassText("vtz\\Shell\\Open\\Command") + ClassText(".vtz"), "[配置]\r\nvtz=假\r\nold-");
    AssociateType("vtz", L"Z:\\v.exe");
    EXPECT_EQ(Ini() + ClassText(".vtz"), "[配置]\r\nvtz=真\r\nvtz");
}

namespace {

std::string g_afterCreated = "<untouched>";

int Created(const forms::EventArgs&) {
    OnAssociationWindowCreated();
    g_afterCreated = IsWindowVisible(forms::NativeWindow(forms::Ctl::AssociationWindow)) ? "shown " : "hidden ";
    for (auto c : {forms::Ctl::PngCheck, forms::Ctl::JpgCheck, forms::Ctl::BmpCheck, forms::Ctl::GifCheck,
                   forms::Ctl::IcoCheck})
        g_afterCreated += forms::GetInt(c, forms::prop::Checked) ? 'X' : '-';
    return 0;
}

constexpr forms::EventBinding kEvents[] = {{forms::Ctl::AssociationWindow, forms::ev::Created, Created}};

}  // namespace

TEST_F(ConfigFile, NonAdministratorSeesOnlyTheRightsMessage) {
    EXPECT_TRUE(IsUserAdministrator());  // IsNTAdmin answers 1 here
    ASSERT_TRUE(WriteText(kIni, "[配置]\r\njpg=真\r\nico=真\r\n"));
    g_denyAdministrator = true;
    forms::BindEvents(forms::Form::AssociationWindow, kEvents);
    BoxAnswerer answerer(GetCurrentProcessId(), {kOk});
    forms::ShowModal(forms::Form::AssociationWindow);
    g_denyAdministrator = false;
    ASSERT_TRUE(answerer.WaitAll());
    SeenBox seen = answerer.Seen()[0];
    EXPECT_EQ(seen.title + L"|" + seen.text, L"信息：|非管理员权限无法关联文件！");
    EXPECT_TRUE(seen.hasIcon);
    EXPECT_EQ(g_afterCreated, "hidden -X--X");  // the boxes are still set on the hidden window
    EXPECT_FALSE(forms::IsLoaded(forms::Form::AssociationWindow));
    EXPECT_EQ(Ini(), "[配置]\r\njpg=真\r\nico=真\r\n");
}
