// Registry helpers and file-type associations on the real registry of the
// test prefix, and the device-path conversion.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>

#include "shell/file_types.h"
#include "runtime/registry.h"

using namespace vela;

namespace test {
// The tests name their paths in GBK; the program takes them as UTF-16.
inline std::wstring W(const std::string& gbk) { return vela::WideFromGbk(gbk); }
}  // namespace test

namespace {

// The command the removal recognises names a program of this one's file name.
std::string ThisProgramName() {
    char path[MAX_PATH] = {};
    const std::string p(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return p.substr(p.find_last_of('\\') + 1);
}
const std::string kBase = "Software\\VelaRegistryTest", kExe = "Z:\\程序\\" + ThisProgramName();
const HKEY kCr = HKEY_CLASSES_ROOT, kCu = HKEY_CURRENT_USER;

// Type and exact bytes of key\name read without the helpers; "-" when absent.
std::string Raw(HKEY root, const std::string& key, const std::string& name = "") {
    HKEY h = nullptr;
    char data[512];
    DWORD size = sizeof data, type = 0;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h)) return "-";
    LONG status = RegQueryValueExA(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(h);
    return status ? "-" : std::to_string(type) + ":" + std::string(data, size);
}
std::string Sz(const std::string& text) { return "1:" + text + std::string(1, '\0'); }
bool Gone(const char* key) { return RegDeleteKeyA(HKEY_CLASSES_ROOT, key) == ERROR_FILE_NOT_FOUND; }
void Set(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    HKEY h = nullptr;  // texts are kept in UTF-16: an ANSI read ends them with a zero byte
    RegCreateKeyA(root, key.c_str(), &h);
    RegSetValueExA(h, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(h);
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        RegDeleteTreeA(kCu, kBase.c_str());
        for (const char* k : {"vta", ".vta", ".vtb", "vtcls", ".vtm", ".vte", ".vtn", "vta|vtb", "vtforeign", ".vtf"})
            RegDeleteTreeA(kCr, k);
        for (const char* v : {"DefaultIcon", "Shell", "Open", "Command"}) RegDeleteValueA(kCr, v);
    }
};

}  // namespace

TEST_F(Registry, HelpersReadWriteAndDelete) {
    SetEnvironmentVariableA("VELA_REG_TEST", "展开");
    struct Case {
        const char* name;
        DWORD type;
        std::string data, expected;
    } cases[] = {
        {"sz", REG_SZ, std::string("前\0后", 5), "前"},
        {"unterminated", REG_SZ, "无零", "无零"},
        {"expand", REG_EXPAND_SZ, "%VELA_REG_TEST%\\x", "展开\\x"},
        {"dword", REG_DWORD, std::string("\2\0\0\0", 4), "默认"},
    };
    for (const Case& c : cases) Set(kCu, kBase, c.name, c.type, c.data);
    for (const Case& c : cases) EXPECT_EQ(ReadRegistryText(kCu, kBase + "\\" + c.name, "默认"), c.expected) << c.name;
    EXPECT_EQ(ReadRegistryText(kCu, kBase + "\\无\\sz", "默认"), "默认");

    // "乗" is 0x81 0x5C in GBK: its trail byte is no separator.
    const std::string gbk = "\x81\x5C";
    EXPECT_TRUE(WriteRegistryValue(kCu, kBase + "\\新\\键" + gbk + "\\值" + gbk, "文本"));
    EXPECT_EQ(Raw(kCu, kBase + "\\新\\键" + gbk, "值" + gbk), Sz("文本"));

    // The value first; a key only once it has no subkeys.
    Set(kCu, kBase + "\\类", "Shell", REG_SZ, "v");
    Set(kCu, kBase + "\\类\\Shell\\edit", "", REG_SZ, "v");
    EXPECT_TRUE(DeleteRegistryEntry(kCu, kBase + "\\类\\Shell"));
    EXPECT_EQ(Raw(kCu, kBase + "\\类", "Shell"), "-");
    EXPECT_FALSE(DeleteRegistryEntry(kCu, kBase + "\\类\\Shell"));
    EXPECT_EQ(Raw(kCu, kBase + "\\类\\Shell\\edit"), Sz("v"));
}

TEST_F(Registry, AssociatesOneOrSeveralTypesTheSameEachTime) {
    Set(kCr, ".vta", "", REG_SZ, "vtaforeign");
    for (int pass = 0; pass < 2; ++pass) {
        SetFileTypeAssociation(test::W(kExe), "vta", "", "vta", "vta");
        EXPECT_EQ(Raw(kCr, "vta"), Sz("vta"));
        EXPECT_EQ(Raw(kCr, "vta", "EditFlags"), std::string("4:\2\0\0\0", 6));
        EXPECT_EQ(Raw(kCr, "vta\\Shell\\Open\\Command"), Sz("\"" + kExe + "\" \"%1\""));
        EXPECT_EQ(Raw(kCr, "vta\\DefaultIcon"), Sz(kExe + ",0"));
        EXPECT_EQ(Raw(kCr, ".vta"), Sz("vta"));
    }
    // Several extensions, an icon, the extensions as the class name, and
    // the path kept untrimmed in the command.
    SetFileTypeAssociation(test::W("  " + kExe), "vta|vtb", "图标.ico", "说明", "");
    EXPECT_EQ(Raw(kCr, "vta|vtb"), Sz("说明"));
    EXPECT_EQ(Raw(kCr, "vta|vtb\\DefaultIcon"), Sz("图标.ico,0"));
    EXPECT_EQ(Raw(kCr, "vta|vtb\\Shell\\Open\\Command"), Sz("\"  " + kExe + "\" \"%1\""));
    EXPECT_EQ(Raw(kCr, ".vta") + Raw(kCr, ".vtb"), Sz("vta|vtb") + Sz("vta|vtb"));
}

TEST_F(Registry, RemovalDeletesOnlyKeysThatHoldNothingElse) {
    SetFileTypeAssociation(test::W(kExe), "vta", "", "vta", "vta");
    SetFileTypeAssociation(test::W(""), "vta", "", "vta", "vta");
    EXPECT_TRUE(Gone("vta"));  // all of it went
    EXPECT_EQ(Raw(kCr, ".vta"), Sz(""));

    // A foreign verb, and values named like the subkeys: the values go
    // first, keys that still hold something stay.
    SetFileTypeAssociation(test::W(kExe), "vtb", "", "vtcls", "vtcls");
    Set(kCr, "vtcls\\Shell\\edit\\command", "", REG_SZ, "foreign");
    Set(kCr, "vtcls", "DefaultIcon", REG_SZ, "v");
    Set(kCr, "vtcls", "Shell", REG_SZ, "v");
    SetFileTypeAssociation(test::W(" 　"), "vtb", "", "vtcls", "vtcls");
    EXPECT_EQ(Raw(kCr, "vtcls", "DefaultIcon") + Raw(kCr, "vtcls", "Shell"), "--");
    EXPECT_EQ(Raw(kCr, "vtcls\\DefaultIcon"), Sz(kExe + ",0"));
    EXPECT_TRUE(Gone("vtcls\\Shell\\Open"));
    EXPECT_EQ(Raw(kCr, "vtcls\\Shell\\edit\\command"), Sz("foreign"));
    EXPECT_EQ(Raw(kCr, "vtcls"), Sz("vtcls"));
    EXPECT_EQ(Raw(kCr, ".vtb"), Sz(""));

    // Extensions naming no class key (empty, no default value, no key):
    // nothing at the root goes, and nothing is written for them either.
    for (const char* v : {"DefaultIcon", "Shell", "Open", "Command"}) Set(kCr, "", v, REG_SZ, "root");
    Set(kCr, ".vte", "", REG_SZ, "");
    Set(kCr, ".vtn\\sub", "", REG_SZ, "x");
    const std::string before = Raw(kCr, ".vte") + "|" + Raw(kCr, ".vtn") + "|" + Raw(kCr, ".vtm");
    SetFileTypeAssociation(test::W(""), "vte|vtn|vtm", "", "d", "c");
    for (const char* v : {"DefaultIcon", "Shell", "Open", "Command"}) EXPECT_EQ(Raw(kCr, "", v), Sz("root")) << v;
    EXPECT_EQ(Raw(kCr, ".vte") + "|" + Raw(kCr, ".vtn") + "|" + Raw(kCr, ".vtm"), before);
    EXPECT_EQ(Raw(kCr, ".vtm"), "-");
    EXPECT_EQ(Raw(kCr, ".vtn\\sub"), Sz("x"));
}

TEST_F(Registry, RemovalLeavesOtherProgramsClassesAlone) {
    // Commands that are not this program's: another program, a program
    // whose name merely ends like this one's, no argument, no quotes.
    const std::string foreign[] = {"\"C:\\Windows\\other.exe\" \"%1\"", "\"C:\\x\\my" + ThisProgramName() + "\" \"%1\"",
                                   "\"" + kExe + "\"", kExe + " %1", ""};
    for (const std::string& command : foreign) {
        Set(kCr, ".vtf", "", REG_SZ, "vtforeign");
        Set(kCr, "vtforeign\\DefaultIcon", "", REG_SZ, "other.exe,3");
        Set(kCr, "vtforeign\\Shell\\Open\\Command", "", REG_SZ, command);
        const std::string set = Raw(kCr, "vtforeign\\Shell\\Open\\Command");
        SetFileTypeAssociation(test::W(""), "vtf", "", "vtf", "vtf");
        EXPECT_EQ(Raw(kCr, ".vtf"), Sz("vtforeign")) << command;
        EXPECT_EQ(Raw(kCr, "vtforeign\\DefaultIcon"), Sz("other.exe,3")) << command;
        EXPECT_EQ(Raw(kCr, "vtforeign\\Shell\\Open\\Command"), set) << command;
    }
    // The same class once this program's command is in it goes as ever,
    // in whatever folder the program lay and in whatever case.
    std::string upper = ThisProgramName();
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Set(kCr, "vtforeign\\Shell\\Open\\Command", "", REG_SZ, "\"D:\\旧\\" + upper + "\" \"%1\"");
    SetFileTypeAssociation(test::W(""), "vtf", "", "vtf", "vtf");
    EXPECT_EQ(Raw(kCr, ".vtf"), Sz(""));
    EXPECT_EQ(Raw(kCr, "vtforeign\\DefaultIcon") + Raw(kCr, "vtforeign\\Shell\\Open\\Command"), "--");
}

TEST(ProcessPaths, DevicePathsBecomeDriveLetters) {
    char z[260] = "", c[260] = "", own[MAX_PATH] = "";
    ASSERT_TRUE(QueryDosDeviceA("Z:", z, sizeof z) && QueryDosDeviceA("C:", c, sizeof c));
    struct Case {
        std::string device, expected;
    } cases[] = {
        {std::string(z) + "\\程序\\a.exe", "Z:\\程序\\a.exe"}, {std::string(c) + "\\a.exe", "C:\\a.exe"},
        {std::string(c) + "0\\a.exe", ""},  // another volume whose name extends C:'s
        {"\\Device\\Mup\\server\\a.exe", ""}, {"", ""},
    };
    for (const Case& k : cases) EXPECT_EQ(DriveLetterPath(test::W(k.device)), test::W(k.expected)) << k.device;
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    EXPECT_EQ(ProcessImagePath(0, false), test::W(own));
    EXPECT_EQ(ProcessImagePath(GetCurrentProcessId(), true), test::W(own));
    EXPECT_EQ(ProcessImagePath(0xFFFFFFF0, true), L"");
}
