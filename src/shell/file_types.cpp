#include "shell/file_types.h"

#include <cstring>
#include <vector>

#include "runtime/entry_points.h"
#include "shell/config_file.h"
#include "runtime/library_search.h"
#include "runtime/registry.h"
#include "runtime/unique.h"

namespace vela {
namespace {

constexpr std::string_view kWideBlank = "\xA1\xA1";  // "　" in GBK
// The longest path the platform has, in UTF-16 units.
constexpr std::size_t kLongestPath = 32768;

// The extensions of a "|"-separated list; empty names are dropped, since
// they would address the key "." itself.
std::vector<Text> SplitExtensions(std::string_view extensions) {
    std::vector<Text> parts;
    std::size_t from = 0;
    while (from <= extensions.size()) {
        std::size_t bar = FindText(extensions, "|", from);
        if (bar == kNotFound) bar = extensions.size();
        if (bar > from) parts.emplace_back(extensions.substr(from, bar - from));
        from = bar + 1;
    }
    return parts;
}

Text ExtensionKey(std::string_view extension) {
    Text key(1, '.');
    key.append(extension).push_back('\\');
    return key;
}

// The program's own path is written through the wide calls, so that the
// shell finds it wherever it lies; the other values keep their GBK bytes.
void Associate(const Path& exe, std::string_view extensions, std::string_view iconPath,
               std::string_view description, std::string_view classKey) {
    const Path icon = iconPath.empty() ? exe : WideFromGb18030(iconPath);
    const Text key = classKey.empty() ? Text(extensions) : Text(classKey);
    WriteRegistryValue(HKEY_CLASSES_ROOT, key + "\\", description);
    WriteRegistryValue(HKEY_CLASSES_ROOT, key + "\\EditFlags", std::uint32_t{2});
    WriteRegistryWideText(HKEY_CLASSES_ROOT, key + "\\Shell\\Open\\Command\\", L"\"" + exe + L"\" \"%1\"");
    WriteRegistryWideText(HKEY_CLASSES_ROOT, key + "\\DefaultIcon\\", icon + L",0");
    for (const Text& extension : SplitExtensions(extensions)) {
        WriteRegistryValue(HKEY_CLASSES_ROOT, ExtensionKey(extension), std::string_view(key));
    }
}

// The open command Associate writes, "<folder>\<program>" "%1", for a
// program of this one's file name (ASCII letters in either case, as the
// file system compares them); wherever it lies, it is this viewer's.
bool IsViewerCommand(PathView command) {
    constexpr PathView kArgument = L"\" \"%1\"";
    const Path module = runtime::ModulePath();
    const std::size_t slash = module.rfind(L'\\');
    if (slash == Path::npos || command.size() < 2 || command.front() != L'"' || !command.ends_with(kArgument))
        return false;
    const PathView program = command.substr(1, command.size() - 1 - kArgument.size());
    const PathView name = PathView(module).substr(slash);  // with its backslash
    if (program.size() <= name.size()) return false;
    const std::size_t at = program.size() - name.size();
    return program.rfind(L'\\') == at && SameIgnoringAsciiCase(program.substr(at), name);
}

// Only what the viewer wrote is removed: a class whose open command is
// another program's (on a stock Windows .png names the system's own) and
// the extension naming it are left as they are.
void Remove(std::string_view extensions) {
    for (const Text& extension : SplitExtensions(extensions)) {
        const Text named = ReadRegistryText(HKEY_CLASSES_ROOT, ExtensionKey(extension));
        // An extension that names no class key leaves nothing to delete:
        // with an empty name the paths below would address keys and values
        // directly under HKEY_CLASSES_ROOT.
        if (named.empty() ||
            !IsViewerCommand(ReadRegistryWideText(HKEY_CLASSES_ROOT, named + "\\Shell\\Open\\Command\\")))
            continue;
        // Values before keys, and keys only without subkeys: verbs or
        // icons that others added keep the class key alive.
        for (const char* tail : {"\\DefaultIcon", "\\Shell\\Open\\Command", "\\Shell\\Open", "\\Shell", ""}) {
            DeleteRegistryEntry(HKEY_CLASSES_ROOT, named + tail);
        }
        WriteRegistryValue(HKEY_CLASSES_ROOT, ExtensionKey(extension), std::string_view());
    }
}

void CloseOpenedProcess(HANDLE process) { api::CloseHandle(process); }

}  // namespace

Text TrimBlanks(std::string_view text) {
    std::size_t begin = 0, end = 0, at = 0;
    bool seen = false;
    while (at < text.size()) {
        std::size_t width = IsLeadByte(text[at]) && at + 1 < text.size() ? 2 : 1;
        std::string_view unit = text.substr(at, width);
        if (unit != " " && unit != kWideBlank) {
            if (!seen) begin = at;
            seen = true;
            end = at + width;
        }
        at += width;
    }
    return seen ? Text(text.substr(begin, end - begin)) : Text();
}

bool IsBlank(PathView path) { return TrimBlanks(Gb18030FromWide(path)).empty(); }

void SetFileTypeAssociation(PathView exePath, std::string_view extensions, std::string_view iconPath,
                            std::string_view description, std::string_view classKey) {
    if (IsBlank(exePath)) {
        Remove(extensions);
    } else {
        Associate(Path(exePath), extensions, iconPath, description, classKey);
    }
    NotifyAssociationChanged();
}

Path DriveLetterPath(PathView devicePath) {
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        const wchar_t drive[3] = {letter, L':', L'\0'};
        // The first of the names the drive maps to, whatever its length.
        std::vector<wchar_t> device(kLongestPath, L'\0');
        if (api::QueryDosDeviceW(drive, device.data(), static_cast<DWORD>(device.size())) == 0) continue;
        const PathView name(device.data());
        // The device name must end where a path part ends: volume 1 is no
        // prefix of volume 10.
        if (name.empty() || !devicePath.starts_with(name)) continue;
        if (devicePath.size() > name.size() && devicePath[name.size()] != '\\') continue;
        return Path(drive) + Path(devicePath.substr(name.size()));
    }
    return {};
}

Path ProcessImagePath(DWORD processId, bool useId) {
    const bool opened = useId && processId != 0;
    // Another process's handle is owned here; this process's is a pseudo
    // handle that is never closed.
    const Unique<HANDLE, CloseOpenedProcess> owned(
        opened ? api::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId) : nullptr);
    const HANDLE process = opened ? owned.Get() : api::GetCurrentProcess();
    if (!process) return {};
    std::vector<wchar_t> buffer(kLongestPath, L'\0');
    const DWORD n = api::GetProcessImageFileNameW(process, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return {};
    return DriveLetterPath(PathView(buffer.data(), n));
}

DWORD WindowProcessId(HWND window) {
    DWORD id = 0;
    if (!api::GetWindowThreadProcessId(window, &id)) return 0;
    return id;
}

void NotifyAssociationChanged() { api::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

Path AssociationExecutable(PathView imagePath) {
    if (!IsBlank(imagePath)) return Path(imagePath);
    return runtime::ModulePath();
}

void AssociateType(std::string_view type, PathView exePath) {
    if (IsBlank(exePath)) {
        WriteAssociationFlag(type, false);
        return;
    }
    SetFileTypeAssociation(exePath, type, "", type, type);
    WriteAssociationFlag(type, true);
}

void UnassociateType(std::string_view type) {
    SetFileTypeAssociation(L"", type, "", type, type);
    WriteAssociationFlag(type, false);
}

}  // namespace vela
