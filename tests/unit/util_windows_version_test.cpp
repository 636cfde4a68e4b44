// The Windows version probe: every row of the naming tables through the pure
// function, the decorations, and the real probe under the versions Wine can
// pretend to be.
#include <windows.h>

#include <gtest/gtest.h>

#include "test_support.h"
#include "util/windows_version.h"

using namespace vela;

namespace {

constexpr int kUntouchedVersion = -99;

WindowsVersionFacts Facts(int major, int minor, BYTE productType = 1, WORD suite = 0, DWORD productInfo = 48) {
    WindowsVersionFacts f;
    f.major = major;
    f.minor = minor;
    f.productType = productType;
    f.suiteMask = suite;
    f.productInfo = productInfo;
    f.productName = "Windows Server 2019 Datacenter";
    return f;
}

}  // namespace

TEST(UtilWindowsVersion, BaseNameTable) {
    WindowsVersionFacts r2 = Facts(5, 2, 3), xp64 = Facts(5, 2), x86ws = Facts(5, 2);
    r2.serverR2 = true;
    xp64.processorField = 9;
    struct {
        WindowsVersionFacts facts;
        const char* name;
        const char* withEdition;
    } rows[] = {
        {Facts(10, 0), "Windows 10", "Windows 10 Professional"},
        {Facts(10, 0, 3), "Windows Server 2019 Datacenter", "Windows Server 2019 Datacenter Professional"},
        {Facts(10, 1), "", " Professional"},
        {Facts(6, 0), "Windows Vista", "Windows Vista Professional"},
        {Facts(6, 0, 2), "Windows Server 2008", "Windows Server 2008 Professional"},
        {Facts(6, 1), "Windows 7", "Windows 7 Professional"},
        {Facts(6, 1, 3), "Windows Server 2008 R2", "Windows Server 2008 R2 Professional"},
        {Facts(6, 2), "Windows 8", "Windows 8 Professional"},
        {Facts(6, 2, 3), "Windows Server 2012", "Windows Server 2012 Professional"},
        {Facts(6, 3), "Windows 8.1", "Windows 8.1 Professional"},
        {Facts(6, 3, 3), "Windows Server 2012 R2", "Windows Server 2012 R2 Professional"},
        {Facts(6, 4), "", " Professional"},
        {Facts(5, 0), "Windows 2000", "Windows 2000 Professional"},
        {Facts(5, 0, 3, 0x0082), "Windows 2000", "Windows 2000 Datacenter Server"},
        {Facts(5, 0, 3, 0x0002), "Windows 2000", "Windows 2000 Advanced Server"},
        {Facts(5, 0, 3), "Windows 2000", "Windows 2000 Server"},
        {Facts(5, 1, 1, 0x0200), "Windows XP", "Windows XP Home Edition"},
        {Facts(5, 1), "Windows XP", "Windows XP Professional"},
        {r2, "Windows Server 2003 R2, ", "Windows Server 2003 R2,  "},
        {Facts(5, 2, 3, 0x2000 | 0x8000), "Windows Storage Server 2003", "Windows Storage Server 2003 "},
        {Facts(5, 2, 3, 0x8000), "Windows Home Server", "Windows Home Server "},
        {xp64, "Windows XP Professional x64 Edition", "Windows XP Professional x64 Edition "},
        {x86ws, "Windows Server 2003, ", "Windows Server 2003,  "},
        {Facts(4, 10), "Windows 98", "Windows 98 "},
        {Facts(4, 0), "", " "},
        {Facts(11, 0), "", " Professional"},
    };
    for (const auto& row : rows) {
        const std::string at = std::to_string(row.facts.major) + "." + std::to_string(row.facts.minor) + " type " +
                                std::to_string(row.facts.productType);
        EXPECT_EQ(ComposeWindowsVersionName(row.facts), row.name) << at;
        EXPECT_EQ(ComposeWindowsVersionName(row.facts, {.edition = true}), row.withEdition) << at;
    }
}

TEST(UtilWindowsVersion, EditionTableFromVersionSix) {
    const std::pair<DWORD, const char*> editions[] = {
        {1, "Ultimate Edition"},
        {2, "Home Basic Edition"},
        {3, "Home Premium Edition"},
        {4, "Enterprise Edition"},
        {6, "Business Edition"},
        {7, "Standard"},
        {8, "Datacenter Edition"},
        {9, "Small Business Server"},
        {10, "Enterprise Edition"},
        {11, "Starter Edition"},
        {12, "Datacenter Edition (core installation)"},
        {13, "Standard Edition (core installation)"},
        {14, "Enterprise Edition (core installation)"},
        {15, "Enterprise Edition for Itanium-based Systems"},
        {16, "Business N"},
        {17, "Web Server (full installation)"},
        {18, "HPC Edition"},
        {19, "Windows Storage Server 2008 R2 Essentials"},
        {20, "Storage Server Express"},
        {21, "Storage Server Standard"},
        {22, "Storage Server Workgroup"},
        {23, "Storage Server Enterprise"},
        {25, "Small Business Server Premium Edition"},
        {48, "Professional"},
        {121, "Education"},
    };
    for (auto [code, edition] : editions) {
        EXPECT_EQ(ComposeWindowsVersionName(Facts(6, 1, 1, 0, code), {.edition = true}),
                  std::string("Windows 7 ") + edition)
            << code;
    }
    // Unlisted codes name the failure with the version instead.
    for (DWORD code : {0u, 5u, 24u, 28u, 101u}) {
        EXPECT_EQ(ComposeWindowsVersionName(Facts(10, 0, 1, 0, code)), "获取失败，请检查版本:10.0") << code;
        EXPECT_EQ(ComposeWindowsVersionName(Facts(6, 3, 1, 0, code), {.edition = true}),
                  "获取失败，请检查版本:6.3 ")
            << code;
    }
    // Before version 6 the code is not looked at.
    EXPECT_EQ(ComposeWindowsVersionName(Facts(5, 1, 1, 0, 0)), "Windows XP");
}

TEST(UtilWindowsVersion, Decorations) {
    WindowsVersionFacts f = Facts(6, 1);
    f.wow64 = true;
    f.build = 7601;
    f.servicePack = "Service Pack 1";
    f.csdVersion = "from the registry";
    f.currentBuild = "9999";
    struct {
        WindowsVersionOptions options;
        const char* servicePack;
        int build;
        bool wow64;
        const char* name;
    } rows[] = {
        {{true, true, true, true}, "Service Pack 1", 7601, true, "Windows 7 Professional x64 (Service Pack 1,Build:7601)"},
        {{false, true, false, false}, "Service Pack 1", 7601, false, "Windows 7 x86"},
        {{false, false, true, false}, "", 7601, true, "Windows 7 (from the registry)"},
        {{false, false, true, true}, "SP", 7601, true, "Windows 7 (Build:7601)"},
        {{false, false, false, true}, "Service Pack 1", 0, true, "Windows 7 (Build:9999)"},
        {{false, false, true, false}, "SP3", -5, true, "Windows 7 (SP3)"},
        {{false, false, false, true}, "", -5, true, "Windows 7 (Build:-5)"},
    };
    for (const auto& row : rows) {
        f.servicePack = row.servicePack;
        f.build = row.build;
        f.wow64 = row.wow64;
        EXPECT_EQ(ComposeWindowsVersionName(f, row.options), row.name);
    }
    // A service pack of one or two bytes is none, also from the registry.
    f.servicePack = "";
    f.csdVersion = "S1";
    EXPECT_EQ(ComposeWindowsVersionName(f, {.servicePack = true}), "Windows 7");
}

TEST(UtilWindowsVersion, RealProbeNamesTheVersionWinePretends) {
    // The prefix's version for one program is switched under AppDefaults.
    const char* key = "Software\\Wine\\AppDefaults\\version_probe_child.exe";
    struct {
        const char* version;  // empty: the prefix's default
        const char* bare;
        const char* full;
        const char* numbers;
    } rows[] = {
        {"", "获取失败，请检查版本:6.1", "获取失败，请检查版本:6.1 %s (Service Pack 1,Build:7601)", "6.1"},
        {"winxp", "Windows XP", "Windows XP Professional%s (Service Pack 3,Build:2600)", "5.1"},
        {"win2k", "Windows 2000", "Windows 2000 Professional%s (Service Pack 4,Build:2195)", "5.0"},
        // The version record has no service pack; the prefix's registry still names one.
        {"win10", "获取失败，请检查版本:10.0", "获取失败，请检查版本:10.0 %s (Service Pack 1,Build:18362)", "10.0"},
    };
    // The word size as Wine reports it for this prefix (the probe is a 32-bit program).
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const std::string wordSize = wow64 ? " x64" : " x86";
    test::ScratchFolder dir("probe");
    for (const auto& row : rows) {
        if (*row.version) {
            ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key, "Version", REG_SZ, row.version,
                                      static_cast<DWORD>(strlen(row.version) + 1)),
                      ERROR_SUCCESS);
        } else {
            RegDeleteKeyA(HKEY_CURRENT_USER, key);
        }
        const std::string out = dir / (std::string("probe-") + row.version + ".txt");
        test::Child child;
        ASSERT_TRUE(test::StartChild(child, "\"" + test::ProgramFolder() + "\\version_probe_child.exe\" \"" + out + "\""));
        EXPECT_EQ(child.Wait(), 0u) << row.version;
        const vela::Bytes said = test::ReadBytes(out);
        std::string full = row.full;
        full.replace(full.find("%s"), 2, wordSize);
        EXPECT_EQ(std::string(said.begin(), said.end()), std::string(row.bare) + "\n" + full + "\n" + row.numbers)
            << row.version;
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, key);

    // This process runs under the prefix's default.
    int major = kUntouchedVersion, minor = kUntouchedVersion;
    EXPECT_EQ(WindowsVersionName(major, minor), rows[0].bare);
    EXPECT_EQ(major, 6);
    EXPECT_EQ(minor, 1);
}
