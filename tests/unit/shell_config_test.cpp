// 配置.ini beside the test program, the associate step's choice of the
// executable, and AssociationWindow for a user who is no administrator.
#include <windows.h>

#include <gtest/gtest.h>

#include "box_answerer.h"
#include "forms/forms.h"
#include "shell/association_window.h"
#include "shell/config_file.h"
#include "shell/file_types.h"
#include "test_support.h"

using namespace vela;
using namespace vela::test;

namespace {

std::string IniPath() { return test::ProgramFolder() + "\\配置.ini"; }

std::string ReadIni() {
    Bytes b = ReadBytes(IniPath());
    return std::string(b.begin(), b.end());
}

std::string Flags() {
    std::string s;
    for (std::string_view t : AssociatedTypes) s += ReadAssociationFlag(t) ? 'T' : 'F';
    return s;
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(IniPath().c_str()); }
    void TearDown() override {
        DeleteFileA(IniPath().c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "vtz");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".vtz");
    }
};

}  // namespace

TEST_F(ConfigFile, OnlyTheExactWordCounts) {
    EXPECT_EQ(ConfigFilePath(), IniPath());
    EXPECT_EQ(Flags(), "FFFFF");  // no file
    ASSERT_TRUE(WriteText(IniPath(), ""));
    EXPECT_EQ(Flags(), "FFFFF");
    struct Case {
        const char* content;
        const char* flags;
    } cases[] = {
        {"[配置]\r\npng=真\r\njpg=true\r\nbmp=1\r\ngif=真真\r\nico=假\r\n", "TFFFF"},
        {"[配置]\r\nico=真\r\ngif=TRUE\r\n[其他]\r\npng=真\r\n", "FFFFT"},
        {"png=真\r\n", "FFFFF"},
        // The private-profile functions drop blanks and quotes around a value.
        {"[配置]\r\npng=真 \r\njpg= 真\r\nbmp=\"真\"\r\ngif=真\r\n", "TTTTF"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteText(IniPath(), c.content));
        EXPECT_EQ(Flags(), c.flags) << c.content;
    }
}

TEST_F(ConfigFile, WritesTheFiveKeysInOrderAndInPlace) {
    for (std::string_view t : AssociatedTypes) WriteAssociationFlag(t, t == "png" || t == "gif");
    EXPECT_EQ(ReadIni(), "[配置]\r\npng=真\r\njpg=假\r\nbmp=假\r\ngif=真\r\nico=假\r\n");
    WriteAssociationFlag("png", false);
    EXPECT_EQ(ReadIni(), "[配置]\r\npng=假\r\njpg=假\r\nbmp=假\r\ngif=真\r\nico=假\r\n");
    EXPECT_EQ(Flags(), "FFFTF");
}

TEST_F(ConfigFile, AssociatingNeverTurnsIntoRemoval) {
    char own[MAX_PATH];
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    // No drive-letter path: the module's own file name stands in.
    EXPECT_EQ(AssociationExecutable(""), own);
    EXPECT_EQ(AssociationExecutable(" 　"), own);
    EXPECT_EQ(AssociationExecutable("Z:\\a.exe"), "Z:\\a.exe");

    // With no executable at all the registry stays as it is and "假" is kept.
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "vtz\\Shell\\Open\\Command", &h), ERROR_SUCCESS);
    RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("old"), 4);
    RegCloseKey(h);
    WriteAssociationFlag("vtz", true);
    AssociateType("vtz", " ");
    EXPECT_EQ(ReadIni(), "[配置]\r\nvtz=假\r\n");
    char value[16] = "<untouched>";
    LONG size = sizeof value;
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "vtz\\Shell\\Open\\Command", value, &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, "old");
    EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".vtz", 0, KEY_READ, &h), ERROR_SUCCESS);

    AssociateType("vtz", "Z:\\v.exe");
    EXPECT_EQ(ReadIni(), "[配置]\r\nvtz=真\r\n");
    size = sizeof value;
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, ".vtz", value, &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, "vtz");
    UnassociateType("vtz");
    EXPECT_EQ(ReadIni(), "[配置]\r\nvtz=假\r\n");
    EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, "vtz", 0, KEY_READ, &h), ERROR_SUCCESS);
}

namespace {

bool g_visibleAfterCreated = true;
std::string g_checksAfterCreated = "<untouched>";

int Created(const forms::EventArgs&) {
    OnAssociationWindowCreated();
    g_visibleAfterCreated = IsWindowVisible(forms::NativeWindow(forms::Ctl::AssociationWindow));
    g_checksAfterCreated.clear();
    for (forms::Ctl c : {forms::Ctl::PngCheck, forms::Ctl::JpgCheck, forms::Ctl::BmpCheck, forms::Ctl::GifCheck,
                         forms::Ctl::IcoCheck})
        g_checksAfterCreated += forms::GetInt(c, forms::prop::Checked) ? 'X' : '-';
    return 0;
}

constexpr forms::EventBinding kEvents[] = {{forms::Ctl::AssociationWindow, forms::ev::Created, Created}};

}  // namespace

TEST_F(ConfigFile, NonAdministratorSeesOnlyTheRightsMessage) {
    EXPECT_TRUE(IsUserAdministrator());  // IsNTAdmin answers 1 here
    ASSERT_TRUE(WriteText(IniPath(), "[配置]\r\njpg=真\r\nico=真\r\n"));
    OverrideAdministratorTestForTesting([] { return false; });
    EXPECT_FALSE(IsUserAdministrator());
    forms::BindEvents(forms::Form::AssociationWindow, kEvents);
    {
        BoxAnswerer answerer(GetCurrentProcessId(), {kOk});
        forms::ShowModal(forms::Form::AssociationWindow);
        ASSERT_TRUE(answerer.WaitAll());
        auto seen = answerer.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].title, L"信息：");
        EXPECT_EQ(seen[0].text, L"非管理员权限无法关联文件！");
        EXPECT_TRUE(seen[0].hasIcon);
    }
    OverrideAdministratorTestForTesting(nullptr);
    EXPECT_FALSE(g_visibleAfterCreated);
    EXPECT_EQ(g_checksAfterCreated, "-X--X");  // still set on the hidden window
    EXPECT_FALSE(forms::IsLoaded(forms::Form::AssociationWindow));
    EXPECT_EQ(ReadIni(), "[配置]\r\njpg=真\r\nico=真\r\n");
}
