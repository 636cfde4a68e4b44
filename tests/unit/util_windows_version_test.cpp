// The Windows version probe: every row of both naming tables through the
// pure function, the decorations, and the real probe under the versions
// Wine pretends to be.
#include <windows.h>

#include <gtest/gtest.h>

#include "test_support.h"
#include "util/windows_version.h"

using namespace vela;

namespace {
WindowsVersionFacts Facts(int major, int minor, BYTE type = 1, WORD suite = 0, DWORD product = 48, DWORD cpu = 0) {
    WindowsVersionFacts f;
    f.major = major, f.minor = minor, f.productType = type, f.suiteMask = suite, f.productInfo = product;
    f.processorField = cpu;
    f.productName = "Windows Server 2019";
    return f;
}
}  // namespace

TEST(UtilWindowsVersion, BaseNameTable) {
    WindowsVersionFacts r2 = Facts(5, 2, 3);
    r2.serverR2 = true;
    const Text pro = " Professional";  // product code 48 from 6.0 on
    const struct {
        WindowsVersionFacts facts;
        const char* name;
        Text withEdition;  // what the edition option appends
    } rows[] = {
        {Facts(10, 0), "Windows 10", pro}, {Facts(10, 0, 3), "Windows Server 2019", pro}, {Facts(10, 1), "", pro},
        {Facts(6, 0), "Windows Vista", pro}, {Facts(6, 0, 2), "Windows Server 2008", pro}, {Facts(6, 1), "Windows 7", pro},
        {Facts(6, 1, 3), "Windows Server 2008 R2", pro}, {Facts(6, 2), "Windows 8", pro},
        {Facts(6, 2, 3), "Windows Server 2012", pro}, {Facts(6, 3), "Windows 8.1", pro},
        {Facts(6, 3, 3), "Windows Server 2012 R2", pro}, {Facts(6, 4), "", pro}, {Facts(11, 0), "", pro},
        {Facts(5, 0), "Windows 2000", pro}, {Facts(5, 0, 3, 0x82), "Windows 2000", " Datacenter Server"},
        {Facts(5, 0, 3, 0x02), "Windows 2000", " Advanced Server"}, {Facts(5, 0, 3), "Windows 2000", " Server"},
        {Facts(5, 1, 1, 0x200), "Windows XP", " Home Edition"}, {Facts(5, 1), "Windows XP", pro},
        {r2, "Windows Server 2003 R2, ", " "}, {Facts(5, 2, 3, 0xA000), "Windows Storage Server 2003", " "},
        {Facts(5, 2, 3, 0x8000), "Windows Home Server", " "},
        {Facts(5, 2, 1, 0, 0, 9), "Windows XP Professional x64 Edition", " "},
        {Facts(5, 2), "Windows Server 2003, ", " "}, {Facts(4, 10), "Windows 98", " "}, {Facts(4, 0), "", " "},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ComposeWindowsVersionName(row.facts), row.name) << row.facts.major << "." << row.facts.minor;
        EXPECT_EQ(ComposeWindowsVersionName(row.facts, {.edition = true}), row.name + row.withEdition) << row.name;
    }
}

TEST(UtilWindowsVersion, EditionTableFromVersionSix) {
    // Keyed by the platform's own product codes (winnt.h), not by position:
    // a row out of place in the probe's list names the wrong product here.
    // HOME_BASIC_N and SERVER_FOR_SMALLBUSINESS have no name.
    const std::pair<DWORD, const char*> named[] = {
        {PRODUCT_ULTIMATE, "Ultimate Edition"},
        {PRODUCT_HOME_BASIC, "Home Basic Edition"},
        {PRODUCT_HOME_PREMIUM, "Home Premium Edition"},
        {PRODUCT_ENTERPRISE, "Enterprise Edition"},
        {PRODUCT_BUSINESS, "Business Edition"},
        {PRODUCT_STANDARD_SERVER, "Standard"},
        {PRODUCT_DATACENTER_SERVER, "Datacenter Edition"},
        {PRODUCT_SMALLBUSINESS_SERVER, "Small Business Server"},
        {PRODUCT_ENTERPRISE_SERVER, "Enterprise Edition"},
        {PRODUCT_STARTER, "Starter Edition"},
        {PRODUCT_DATACENTER_SERVER_CORE, "Datacenter Edition (core installation)"},
        {PRODUCT_STANDARD_SERVER_CORE, "Standard Edition (core installation)"},
        {PRODUCT_ENTERPRISE_SERVER_CORE, "Enterprise Edition (core installation)"},
        {PRODUCT_ENTERPRISE_SERVER_IA64, "Enterprise Edition for Itanium-based Systems"},
        {PRODUCT_BUSINESS_N, "Business N"},
        {PRODUCT_WEB_SERVER, "Web Server (full installation)"},
        {PRODUCT_CLUSTER_SERVER, "HPC Edition"},
        {PRODUCT_HOME_SERVER, "Windows Storage Server 2008 R2 Essentials"},
        {PRODUCT_STORAGE_EXPRESS_SERVER, "Storage Server Express"},
        {PRODUCT_STORAGE_STANDARD_SERVER, "Storage Server Standard"},
        {PRODUCT_STORAGE_WORKGROUP_SERVER, "Storage Server Workgroup"},
        {PRODUCT_STORAGE_ENTERPRISE_SERVER, "Storage Server Enterprise"},
        {PRODUCT_SMALLBUSINESS_SERVER_PREMIUM, "Small Business Server Premium Edition"},
        {PRODUCT_PROFESSIONAL, "Professional"},
        {PRODUCT_EDUCATION, "Education"},
    };
    for (DWORD code = 0; code <= PRODUCT_EDUCATION; ++code) {
        Text edition;
        for (const auto& [product, name] : named)
            if (product == code) edition = name;
        const Text name = ComposeWindowsVersionName(Facts(6, 1, 1, 0, code), {.edition = true});
        // Unlisted codes name the failure with the version instead.
        EXPECT_EQ(name, edition.empty() ? "获取失败，请检查版本:6.1 " : "Windows 7 " + edition) << code;
    }
    EXPECT_EQ(ComposeWindowsVersionName(Facts(10, 0, 1, 0, 101)), "获取失败，请检查版本:10.0");
}

TEST(UtilWindowsVersion, Decorations) {
    WindowsVersionFacts f = Facts(6, 1);
    f.csdVersion = "SP from the registry", f.currentBuild = "9999";
    const struct {
        WindowsVersionOptions options;
        const char* pack;
        int build;
        bool wow64;
        const char* name;
    } rows[] = {
        {{true, true, true, true}, "Service Pack 1", 7601, true, "Windows 7 Professional x64 (Service Pack 1,Build:7601)"},
        {{false, true, false, false}, "Service Pack 1", 7601, false, "Windows 7 x86"},
        {{false, false, true, false}, "", 7601, true, "Windows 7 (SP from the registry)"},
        {{false, false, true, true}, "SP", 7601, true, "Windows 7 (Build:7601)"},
        {{false, false, false, true}, "SP3", 0, true, "Windows 7 (Build:9999)"},
        {{false, false, true, true}, "SP3", -5, true, "Windows 7 (SP3,Build:-5)"},
    };
    for (const auto& row : rows) {
        f.servicePack = row.pack, f.build = row.build, f.wow64 = row.wow64;
        EXPECT_EQ(ComposeWindowsVersionName(f, row.options), row.name);
    }
}

TEST(UtilWindowsVersion, RealProbeNamesTheVersionWinePretends) {
    const char* key = "Software\\Wine\\AppDefaults\\version_probe_child.exe";  // that program's version only
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const Text bits = wow64 ? " x64" : " x86";
    const Text fail = "获取失败，请检查版本:";
    const std::pair<const char*, Text> rows[] = {
        {"", fail + "6.1\n" + fail + "6.1 " + bits + " (Service Pack 1,Build:7601)\n6.1"},
        {"winxp", "Windows XP\nWindows XP Professional" + bits + " (Service Pack 3,Build:2600)\n5.1"},
        {"win2k", "Windows 2000\nWindows 2000 Professional" + bits + " (Service Pack 4,Build:2195)\n5.0"},
        // No service pack in the version record; the prefix's registry still names one.
        {"win10", fail + "10.0\n" + fail + "10.0 " + bits + " (Service Pack 1,Build:18362)\n10.0"},
    };
    test::ScratchFolder dir("probe");
    for (const auto& [version, said] : rows) {
        RegDeleteKeyA(HKEY_CURRENT_USER, key);
        if (*version) RegSetKeyValueA(HKEY_CURRENT_USER, key, "Version", REG_SZ, version, strlen(version) + 1);
        const Text out = dir / (Text("probe-") + version);
        test::Child child;
        ASSERT_TRUE(test::StartChild(child, "\"" + test::ProgramFolder() + "\\version_probe_child.exe\" \"" + out + "\""));
        EXPECT_EQ(child.Wait(), 0u) << version;
        const Bytes bytes = test::ReadBytes(out);
        EXPECT_EQ(Text(bytes.begin(), bytes.end()), said) << version;
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
    int major = -1, minor = -1;  // this process: the prefix's default
    EXPECT_EQ(WindowsVersionName(major, minor), fail + "6.1");
    EXPECT_EQ(major * 10 + minor, 61);
}
