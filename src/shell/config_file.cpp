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

}  // namespace vela
