#include "shell/config_file.h"

#include <windows.h>

#include <vector>

#include "runtime/file_replace.h"
#include "runtime/library_search.h"
#include "runtime/unique.h"

namespace vela {
namespace {

constexpr std::string_view kSection = "配置";
constexpr std::string_view kTrue = "真";
constexpr std::string_view kFalse = "假";
constexpr std::string_view kSlideshowKey = "幻灯间隔";
constexpr std::wstring_view kConfigFileName = L"\\配置.ini";
constexpr std::wstring_view kTemporaryPrefix = L"vel";
// A settings file is a few lines; anything larger is no file of the viewer's
// and reads as no settings.
constexpr LONGLONG kLargestConfigFile = 1 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && FindText(a, b, 0, true) == 0;
}

// One line of the file, by its place: the section it opens, or its entry.
struct Line {
    std::size_t begin = 0, end = 0;  // the bytes of the line, its LF excluded
    bool opensSection = false;
    std::string_view name;   // the section's name, or the entry's key
    std::string_view value;  // the entry's value, quotes dropped
    bool isEntry = false;
};

Line ParseLine(std::string_view file, std::size_t begin, std::size_t end) {
    Line line{begin, end};
    const std::string_view text = Trimmed(file.substr(begin, end - begin));
    if (text.starts_with('[')) {
        // Found as a character: ']' may be the trail byte of a GBK one.
        const std::size_t close = FindText(text, "]", 1);
        line.opensSection = true;
        line.name = text.substr(1, close == kNotFound ? kNotFound : close - 1);
        return line;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return line;
    line.isEntry = true;
    line.name = Trimmed(text.substr(0, equals));
    std::string_view value = Trimmed(text.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    line.value = value;
    return line;
}

std::vector<Line> ParseLines(std::string_view file) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < file.size()) {
        std::size_t end = file.find('\n', begin);
        if (end == std::string_view::npos) end = file.size();
        lines.push_back(ParseLine(file, begin, end));
        begin = end + 1;
    }
    return lines;
}

// The file's bytes into *bytes; true also when there is no file (no
// bytes), false when one is there but cannot be read whole, and then it
// must not be written either.
bool ReadConfigFile(Text* bytes) {
    bytes->clear();
    const Path path = ExtendedLengthPath(ConfigFilePath());
    Unique<HANDLE, CloseHandle> file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || size.QuadPart > kLargestConfigFile) return false;
    bytes->assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes->empty() && (!ReadFile(file.Get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) ||
                            read != bytes->size())) {
        bytes->clear();
        return false;
    }
    return true;
}

}  // namespace

Path ConfigFilePath() { return runtime::ProgramFolder() + Path(kConfigFileName); }

Text ProfileValue(std::string_view file, std::string_view section, std::string_view key) {
    bool inSection = false;
    for (const Line& line : ParseLines(file)) {
        if (line.opensSection) {
            inSection = line.name == section;
        } else if (inSection && line.isEntry && SameKey(line.name, key)) {
            return Text(line.value);
        }
    }
    return {};
}

Text WithProfileValue(std::string_view file, std::string_view section, std::string_view key,
                      std::string_view value) {
    const Text entry = Text(key) + "=" + Text(value);
    bool inSection = false, found = false;
    std::size_t insertAt = 0;  // after the section's last entry or header
    for (const Line& line : ParseLines(file)) {
        if (line.opensSection) {
            if (found) break;
            inSection = line.name == section;
            if (inSection) found = true, insertAt = line.end;
        } else if (inSection && line.isEntry) {
            if (SameKey(line.name, key)) {
                return Text(file.substr(0, line.begin)) + entry +
                       (file[line.end - 1] == '\r' ? "\r" : "") + Text(file.substr(line.end));
            }
            insertAt = line.end;
        }
    }
    if (found) {
        const std::size_t at = insertAt < file.size() ? insertAt + 1 : file.size();
        const Text before(file.substr(0, at));
        const bool ended = before.empty() || before.back() == '\n';
        return before + (ended ? "" : "\r\n") + entry + "\r\n" + Text(file.substr(at));
    }
    Text out(file);
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    return out + "[" + Text(section) + "]\r\n" + entry + "\r\n";
}

bool ReadAssociationFlag(std::string_view type) {
    Text file;
    return ReadConfigFile(&file) && ProfileValue(file, kSection, type) == kTrue;
}

void WriteAssociationFlag(std::string_view type, bool associated) {
    Text file;
    if (!ReadConfigFile(&file)) return;
    const Text updated = WithProfileValue(file, kSection, type, associated ? kTrue : kFalse);
    ReplaceFileWhole(ConfigFilePath(), kTemporaryPrefix,
                     ByteView(reinterpret_cast<const unsigned char*>(updated.data()), updated.size()));
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
    Text file;
    if (!ReadConfigFile(&file)) return kDefaultSlideshowSeconds;
    return SlideshowSecondsFrom(ProfileValue(file, kSection, kSlideshowKey));
}

}  // namespace vela
