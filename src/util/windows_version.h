#pragma once
// A readable name of the running Windows version ("Windows 7", "Windows XP"),
// optionally decorated with the edition, the system's word size, the service
// pack and the build number. The naming is a pure function of the values the
// probe reads, so that every system can be described to it.
#include <windows.h>

#include "runtime/text.h"

namespace vela {

// What the probe reads from the system.
struct WindowsVersionFacts {
    int major = 0;
    int minor = 0;
    int build = 0;               // low 16 bits of the true build number, signed
    Text servicePack;            // the version record's service-pack text
    WORD suiteMask = 0;
    BYTE productType = 0;        // 1 = workstation
    DWORD processorField = 0;    // first field of the system information (9 = x64)
    bool wow64 = false;          // a 32-bit program on 64-bit Windows
    DWORD productInfo = 0;       // product-type code, read from 6.0 on
    bool serverR2 = false;       // the SM_SERVERR2 metric, read for 5.2
    Text productName;            // registry texts under CurrentVersion
    Text csdVersion;
    Text currentBuild;
};

struct WindowsVersionOptions {
    bool edition = false;
    bool wordSize = false;
    bool servicePack = false;
    bool build = false;
};

// The name for the facts, composed as the options ask.
Text ComposeWindowsVersionName(const WindowsVersionFacts& facts, WindowsVersionOptions options = {});

// Reads the running system. major and minor receive the true version once
// the version record could be read; when it cannot, they are left alone and
// the result is empty.
Text WindowsVersionName(int& major, int& minor, bool includeEdition = false, bool includeWordSize = false,
                        bool includeServicePack = false, bool includeBuild = false);

}  // namespace vela
