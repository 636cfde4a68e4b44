#include "shell/config_file.h"

#include <vector>

#include "runtime/library_search.h"

namespace vela {
namespace {

constexpr const char* kSection = "配置";
// Room for any value of the section: a longer one is cut, and a cut value
// is not "真" either.
constexpr std::size_t kValueBufferBytes = 10240;

}  // namespace

Text ConfigFilePath() { return runtime::ProgramFolder() + "\\配置.ini"; }

bool ReadAssociationFlag(std::string_view type) {
    std::vector<char> buffer(kValueBufferBytes, '\0');
    GetPrivateProfileStringA(kSection, Text(type).c_str(), "", buffer.data(), static_cast<DWORD>(buffer.size()),
                             ConfigFilePath().c_str());
    return SameText(buffer.data(), "真");
}

void WriteAssociationFlag(std::string_view type, bool associated) {
    WritePrivateProfileStringA(kSection, Text(type).c_str(), associated ? "真" : "假", ConfigFilePath().c_str());
}

int SlideshowSecondsFrom(std::string_view value) {
    // Digits only (no sign, blank inside or fraction); the count stops
    // growing once past the longest interval, so no length overflows it.
    if (value.empty()) return kDefaultSlideshowSeconds;
    int seconds = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') return kDefaultSlideshowSeconds;
        if (seconds <= kLongestSlideshowSeconds) seconds = seconds * 10 + (c - '0');
    }
    if (seconds < kShortestSlideshowSeconds || seconds > kLongestSlideshowSeconds) return kDefaultSlideshowSeconds;
    return seconds;
}

int ReadSlideshowSeconds() {
    // A value longer than the buffer reads cut, and a cut value is refused
    // as well unless its digits still name 1 to 60 (leading zeros).
    char value[64] = "";
    GetPrivateProfileStringA(kSection, "幻灯间隔", "", value, sizeof value, ConfigFilePath().c_str());
    return SlideshowSecondsFrom(value);
}

}  // namespace vela
