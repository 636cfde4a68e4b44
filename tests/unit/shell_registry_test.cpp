// Registry helpers and file-type associations on the real registry of the
// test prefix, and the process queries that find the executable.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "shell/file_types.h"
#include "shell/registry.h"
#include "test_support.h"

using namespace vela;

namespace {

constexpr const char* kBase = "Software\\VelaRegistryTest";
constexpr const char* kExe = "Z:\\程序\\VelaViewer.exe";

struct Stored {
    DWORD type = 0xFFFF;
    std::string data = "<untouched>";
    bool operator==(const Stored&) const = default;
};

// The raw value of key\name, read without the helpers; type 0xFFFF when absent.
Stored Raw(HKEY root, const std::string& key, const std::string& name = "") {
    Stored s;
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return s;
    char buffer[1024];
    DWORD size = sizeof buffer, type = 0;
    if (RegQueryValueExA(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS) {
        s = {type, std::string(buffer, size)};
    }
    RegCloseKey(h);
    return s;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

void SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyA(root, key.c_str(), &h), ERROR_SUCCESS);
    RegSetValueExA(h, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(h);
}

void DeleteTree(HKEY root, const std::string& key) { RegDeleteTreeA(root, key.c_str()); }

// Every value below a key, by "subkey|name", for comparing whole states.
void Dump(HKEY root, const std::string& key, std::map<std::string, Stored>& out) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return;
    char name[256];
    BYTE data[1024];
    for (DWORD i = 0;; ++i) {
        DWORD n = sizeof name, size = sizeof data, type = 0;
        if (RegEnumValueA(h, i, name, &n, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        out[key + "|" + name] = {type, std::string(reinterpret_cast<char*>(data), size)};
    }
    for (DWORD i = 0;; ++i) {
        DWORD n = sizeof name;
        if (RegEnumKeyExA(h, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        Dump(root, key + "\\" + name, out);
    }
    RegCloseKey(h);
}

std::string Sz(const std::string& text) { return std::string(text).append(1, '\0'); }

class Registry : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        DeleteTree(HKEY_CURRENT_USER, kBase);
        for (const char* k : {"vta", ".vta", ".vtb", "vtcls", ".vtm", ".vte", ".vtn", "vta|vtb"})
            DeleteTree(HKEY_CLASSES_ROOT, k);
        for (const char* v : {"DefaultIcon", "Shell", "Open", "Command"}) RegDeleteValueA(HKEY_CLASSES_ROOT, v);
    }
    const std::string base_ = kBase;
};

}  // namespace

TEST_F(Registry, ReadsTextsByType) {
    SetEnvironmentVariableA("VELA_REG_TEST", "展开");
    const std::string key = base_ + "\\读";
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
        std::string expected;
    } cases[] = {
        {"sz", REG_SZ, Sz("文本"), "文本"},
        {"unterminated", REG_SZ, "无零", "无零"},
        {"cut", REG_SZ, std::string("前\0后", 5), "前"},
        {"expand", REG_EXPAND_SZ, Sz("%VELA_REG_TEST%\\x"), "展开\\x"},
        {"dword", REG_DWORD, std::string("\x02\0\0\0", 4), "默认"},
        {"binary", REG_BINARY, "ab", "默认"},
        {"multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5), "默认"},
    };
    for (const Case& c : cases) SetRaw(HKEY_CURRENT_USER, key, c.name, c.type, c.data);
    for (const Case& c : cases) {
        EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, key + "\\" + c.name, "默认"), c.expected) << c.name;
    }
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, key + "\\missing", "默认"), "默认");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, base_ + "\\无此键\\sz", "默认"), "默认");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, key + "\\missing"), "");
}

TEST_F(Registry, WritesSplitAtTheLastRealBackslash) {
    // "乗" is 0x81 0x5C in GBK: its trail byte is no separator.
    const std::string gbk = "\x81\x5C";
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, base_ + "\\新\\键" + gbk + "\\值" + gbk, "文本"));
    EXPECT_EQ(Raw(HKEY_CURRENT_USER, base_ + "\\新\\键" + gbk, "值" + gbk), (Stored{REG_SZ, Sz("文本")}));
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, base_ + "\\新\\", std::uint32_t{7}));
    EXPECT_EQ(Raw(HKEY_CURRENT_USER, base_ + "\\新"), (Stored{REG_DWORD, std::string("\x07\0\0\0", 4)}));
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, base_ + "\\新\\键" + gbk + "\\值" + gbk), "文本");
}

TEST_F(Registry, DeletesTheValueFirstAndKeepsKeysWithSubkeys) {
    const std::string k = base_ + "\\类";
    SetRaw(HKEY_CURRENT_USER, k, "Shell", REG_SZ, Sz("值"));
    SetRaw(HKEY_CURRENT_USER, k + "\\Shell\\edit", "", REG_SZ, Sz("外来"));
    EXPECT_TRUE(DeleteRegistryEntry(HKEY_CURRENT_USER, k + "\\Shell"));  // the value
    EXPECT_EQ(Raw(HKEY_CURRENT_USER, k, "Shell").type, 0xFFFFu);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, k + "\\Shell\\edit"));
    EXPECT_FALSE(DeleteRegistryEntry(HKEY_CURRENT_USER, k + "\\Shell"));  // has a subkey
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, k + "\\Shell\\edit"));
    EXPECT_TRUE(DeleteRegistryEntry(HKEY_CURRENT_USER, k + "\\Shell\\edit"));  // a key with values only
    EXPECT_TRUE(DeleteRegistryEntry(HKEY_CURRENT_USER, k + "\\Shell"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k + "\\Shell"));
    EXPECT_FALSE(DeleteRegistryEntry(HKEY_CURRENT_USER, k + "\\无"));
}

TEST_F(Registry, AssociatesWithTheWholeLayout) {
    SetRaw(HKEY_CLASSES_ROOT, ".vta", "", REG_SZ, Sz("vtaforeign"));
    SetFileTypeAssociation(kExe, "vta", "", "vta", "vta");
    const std::string command = std::string("\"") + kExe + "\" \"%1\"";
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vta"), (Stored{REG_SZ, Sz("vta")}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vta", "EditFlags"), (Stored{REG_DWORD, std::string("\x02\0\0\0", 4)}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vta\\Shell\\Open\\Command"), (Stored{REG_SZ, Sz(command)}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vta\\DefaultIcon"), (Stored{REG_SZ, Sz(std::string(kExe) + ",0")}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ".vta"), (Stored{REG_SZ, Sz("vta")}));

    // Twice: the same state.
    std::map<std::string, Stored> before, after;
    for (const char* k : {"vta", ".vta"}) Dump(HKEY_CLASSES_ROOT, k, before);
    SetFileTypeAssociation(kExe, "vta", "", "vta", "vta");
    for (const char* k : {"vta", ".vta"}) Dump(HKEY_CLASSES_ROOT, k, after);
    EXPECT_EQ(before, after);
    EXPECT_EQ(before.size(), 5u);

    // Several extensions, a given icon, and the extensions as the class name.
    SetFileTypeAssociation("  " + std::string(kExe), "vta|vtb", "图标.ico", "说明", "");
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vta|vtb"), (Stored{REG_SZ, Sz("说明")}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vta|vtb\\DefaultIcon"), (Stored{REG_SZ, Sz("图标.ico,0")}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vta|vtb\\Shell\\Open\\Command"),
              (Stored{REG_SZ, Sz("\"  " + std::string(kExe) + "\" \"%1\"")}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ".vta"), (Stored{REG_SZ, Sz("vta|vtb")}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ".vtb"), (Stored{REG_SZ, Sz("vta|vtb")}));
}

TEST_F(Registry, RemovesOnlyWhatItWroteAndKeepsForeignSubkeys) {
    SetFileTypeAssociation(kExe, "vta", "", "vta", "vta");
    SetFileTypeAssociation("", "vta", "", "vta", "vta");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "vta"));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ".vta"), (Stored{REG_SZ, Sz("")}));

    // A foreign verb and values named like the subkeys: the values go, the
    // subkeys that still hold something stay.
    SetFileTypeAssociation(kExe, "vtb", "", "vtcls", "vtcls");
    SetRaw(HKEY_CLASSES_ROOT, "vtcls\\Shell\\edit\\command", "", REG_SZ, Sz("foreign.exe"));
    SetRaw(HKEY_CLASSES_ROOT, "vtcls", "DefaultIcon", REG_SZ, Sz("value"));
    SetRaw(HKEY_CLASSES_ROOT, "vtcls", "Shell", REG_SZ, Sz("value"));
    SetFileTypeAssociation(" 　", "vtb", "", "vtcls", "vtcls");
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vtcls", "DefaultIcon").type, 0xFFFFu);
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vtcls", "Shell").type, 0xFFFFu);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "vtcls\\DefaultIcon"));  // only its namesake value went
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vtcls\\Shell\\Open\\Command").type, 0xFFFFu);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "vtcls\\Shell\\Open"));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vtcls\\Shell\\edit\\command"), (Stored{REG_SZ, Sz("foreign.exe")}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "vtcls"), (Stored{REG_SZ, Sz("vtcls")}));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ".vtb"), (Stored{REG_SZ, Sz("")}));
}

TEST_F(Registry, RemovalWithoutAClassKeyTouchesNothingAtTheRoot) {
    // Values at the root that empty class names would address.
    for (const char* v : {"DefaultIcon", "Shell", "Open", "Command"}) SetRaw(HKEY_CLASSES_ROOT, "", v, REG_SZ, Sz("root"));
    SetRaw(HKEY_CLASSES_ROOT, ".vte", "", REG_SZ, Sz(""));      // names no class key
    SetRaw(HKEY_CLASSES_ROOT, ".vtn\\sub", "", REG_SZ, Sz("x"));  // no default value
    SetFileTypeAssociation("", "vte|vtn|vtm", "", "d", "c");
    for (const char* v : {"DefaultIcon", "Shell", "Open", "Command"})
        EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, "", v), (Stored{REG_SZ, Sz("root")})) << v;
    for (const char* e : {".vte", ".vtn", ".vtm"}) EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, e), (Stored{REG_SZ, Sz("")})) << e;
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ".vtn\\sub"));
}

TEST(ProcessPaths, DevicePathsBecomeDriveLetters) {
    char z[260] = "", c[260] = "";
    ASSERT_NE(QueryDosDeviceA("Z:", z, sizeof z), 0u);
    ASSERT_NE(QueryDosDeviceA("C:", c, sizeof c), 0u);
    struct Case {
        std::string device, expected;
    } cases[] = {
        {std::string(z) + "\\程序\\a.exe", "Z:\\程序\\a.exe"},
        {std::string(c) + "\\a.exe", "C:\\a.exe"},
        {std::string(c) + "0\\a.exe", ""},  // another volume whose name extends C:'s
        {"\\Device\\Mup\\server\\share\\a.exe", ""},
        {"", ""},
    };
    for (const Case& k : cases) EXPECT_EQ(DriveLetterPath(k.device), k.expected) << k.device;

    char own[MAX_PATH];
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    EXPECT_EQ(ProcessImagePath(0, false), own);
    EXPECT_EQ(ProcessImagePath(GetCurrentProcessId(), true), own);
    EXPECT_EQ(ProcessImagePath(0xFFFFFFF0, true), "");

    HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(WindowProcessId(window), GetCurrentProcessId());
    DestroyWindow(window);
    EXPECT_EQ(WindowProcessId(nullptr), 0u);
}

TEST(ProcessPaths, BlanksTrimmedAsCharacters) {
    struct Case {
        std::string in, out;
    } cases[] = {{"  a b ", "a b"}, {"　Z:\\x　 ", "Z:\\x"}, {" 　 ", ""}, {"", ""}, {"\xA1\xA1\xA1", "\xA1"},
                 {"啊\xA1\xA1", "啊"}};
    for (const Case& k : cases) EXPECT_EQ(TrimBlanks(k.in), k.out) << k.in;
}
