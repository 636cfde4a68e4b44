#include "util/windows_version.h"

#include <string>

#include "runtime/entry_points.h"
#include "runtime/registry.h"

namespace vela {
namespace {

constexpr WORD kSuiteDatacenter = 0x0080;
constexpr WORD kSuiteEnterprise = 0x0002;
constexpr WORD kSuitePersonal = 0x0200;
constexpr WORD kSuiteStorageServer = 0x2000;
constexpr WORD kSuiteHomeServer = 0x8000;
constexpr BYTE kWorkstation = 1;
constexpr DWORD kArchitectureX64 = 9;
constexpr int kServerR2Metric = 89;

constexpr std::string_view kCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";

struct Edition {
    DWORD code;
    const char* name;
};
constexpr Edition kEditions[] = {
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

// Base name and, for 2000 and XP, the edition, from the numbers and tests.
void BaseName(const WindowsVersionFacts& f, Text& name, Text& edition) {
    const bool workstation = f.productType == kWorkstation;
    if (f.major == 10) {
        if (f.minor == 0) name = workstation ? "Windows 10" : f.productName;
    } else if (f.major == 6) {
        static constexpr const char* kWorkstations[] = {"Windows Vista", "Windows 7", "Windows 8", "Windows 8.1"};
        static constexpr const char* kServers[] = {"Windows Server 2008", "Windows Server 2008 R2",
                                                   "Windows Server 2012", "Windows Server 2012 R2"};
        if (f.minor >= 0 && f.minor <= 3) name = workstation ? kWorkstations[f.minor] : kServers[f.minor];
    } else if (f.major == 5 && f.minor == 0) {
        name = "Windows 2000";
        if (workstation) edition = "Professional";
        else if (f.suiteMask & kSuiteDatacenter) edition = "Datacenter Server";
        else if (f.suiteMask & kSuiteEnterprise) edition = "Advanced Server";
        else edition = "Server";
    } else if (f.major == 5 && f.minor == 1) {
        name = "Windows XP";
        edition = (f.suiteMask & kSuitePersonal) ? "Home Edition" : "Professional";
    } else if (f.major == 5 && f.minor == 2) {
        if (f.serverR2) name = "Windows Server 2003 R2, ";
        else if (f.suiteMask & kSuiteStorageServer) name = "Windows Storage Server 2003";
        else if (f.suiteMask & kSuiteHomeServer) name = "Windows Home Server";
        else if (workstation && f.processorField == kArchitectureX64) name = "Windows XP Professional x64 Edition";
        else name = "Windows Server 2003, ";
    } else if (f.major == 4 && f.minor == 10) {
        name = "Windows 98";
    }
}

}  // namespace

Text ComposeWindowsVersionName(const WindowsVersionFacts& f, WindowsVersionOptions options) {
    Text name, edition;
    BaseName(f, name, edition);
    if (f.major >= 6) {
        bool listed = false;
        for (const Edition& e : kEditions) {
            if (e.code == f.productInfo) {
                edition = e.name;
                listed = true;
            }
        }
        if (!listed) name = "获取失败，请检查版本:" + std::to_string(f.major) + "." + std::to_string(f.minor);
    }

    Text result = name;
    if (options.edition) result += ContainsText(name, edition) ? Text(" ") : " " + edition;
    if (options.wordSize) result += f.wow64 ? " x64" : " x86";

    Text decoration;
    if (options.servicePack) {
        Text pack(UntilNul(f.servicePack));
        if (pack.empty()) pack = f.csdVersion;
        decoration = pack.size() > 2 ? pack : Text();
    }
    if (options.build) {
        const Text build = f.build != 0 ? std::to_string(f.build) : f.currentBuild;
        decoration = decoration.empty() ? "Build:" + build : decoration + ",Build:" + build;
    }
    if (!decoration.empty()) result += " (" + decoration + ")";
    return result;
}

Text WindowsVersionName(int& major, int& minor, bool includeEdition, bool includeWordSize, bool includeServicePack,
                        bool includeBuild) {
    OSVERSIONINFOEXA record{};
    record.dwOSVersionInfoSize = sizeof record;
    if (!api::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&record))) return {};

    WindowsVersionFacts f;
    f.major = static_cast<int>(record.dwMajorVersion);
    f.minor = static_cast<int>(record.dwMinorVersion);
    f.build = static_cast<int>(record.dwBuildNumber);
    f.servicePack = UntilNul(record.szCSDVersion, sizeof record.szCSDVersion);
    f.suiteMask = record.wSuiteMask;
    f.productType = record.wProductType;

    SYSTEM_INFO system{};
    api::GetSystemInfo(&system);
    f.processorField = system.dwOemId;
    // Systems before XP SP2 have no WOW64 query (and no WOW64); before XP no
    // true version numbers: the version record's stand then.
    BOOL wow64 = FALSE;
    if (auto isWow64 = api::IsWow64Process.Get()) isWow64(reinterpret_cast<HANDLE>(-1), &wow64);
    f.wow64 = wow64 != FALSE;
    if (auto numbers = api::RtlGetNtVersionNumbers.Get()) {
        DWORD trueMajor = 0, trueMinor = 0, trueBuild = 0;
        numbers(&trueMajor, &trueMinor, &trueBuild);
        f.major = static_cast<int>(trueMajor);
        f.minor = static_cast<int>(trueMinor);
        f.build = static_cast<short>(trueBuild & 0xFFFF);
    }
    major = f.major;
    minor = f.minor;

    if (f.major >= 6) {
        DWORD product = 0;
        api::RtlGetProductInfo(static_cast<DWORD>(f.major), static_cast<DWORD>(f.minor), 0, 0, &product);
        f.productInfo = product;
    }
    if (f.major == 5 && f.minor == 2) f.serverR2 = api::GetSystemMetrics(kServerR2Metric) != 0;
    f.productName = ReadRegistryText(HKEY_LOCAL_MACHINE, Text(kCurrentVersion) + "ProductName");
    f.csdVersion = ReadRegistryText(HKEY_LOCAL_MACHINE, Text(kCurrentVersion) + "CSDVersion");
    f.currentBuild = ReadRegistryText(HKEY_LOCAL_MACHINE, Text(kCurrentVersion) + "CurrentBuild");
    return ComposeWindowsVersionName(f, {includeEdition, includeWordSize, includeServicePack, includeBuild});
}

}  // namespace vela
