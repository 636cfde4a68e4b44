#include "shell/file_types.h"

#include <cstring>
#include <vector>

#include "runtime/entry_points.h"
#include "shell/config_file.h"
#include "runtime/registry.h"
#include "runtime/unique.h"

namespace vela {
namespace {

constexpr std::string_view kWideBlank = "\xA1\xA1";  // "　" in GBK

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

Text ModuleFileName() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return Text(buffer.data(), n);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

void Associate(const Text& exe, std::string_view extensions, std::string_view iconPath,
               std::string_view description, std::string_view classKey) {
    const Text icon = iconPath.empty() ? exe : Text(iconPath);
    const Text key = classKey.empty() ? Text(extensions) : Text(classKey);
    WriteRegistryValue(HKEY_CLASSES_ROOT, key + "\\", description);
    WriteRegistryValue(HKEY_CLASSES_ROOT, key + "\\EditFlags", std::uint32_t{2});
    WriteRegistryValue(HKEY_CLASSES_ROOT, key + "\\Shell\\Open\\Command\\", Text(1, '"').append(exe).append("\" \"%1\""));
    WriteRegistryValue(HKEY_CLASSES_ROOT, key + "\\DefaultIcon\\", icon + ",0");
    for (const Text& extension : SplitExtensions(extensions)) {
        WriteRegistryValue(HKEY_CLASSES_ROOT, ExtensionKey(extension), std::string_view(key));
    }
}

// The open command Associate writes, "<folder>\<program>" "%1", for a
// program of this one's file name (ASCII letters in either case, as the
// file system compares them); wherever it lies, it is this viewer's.
bool IsViewerCommand(std::string_view command) {
    constexpr std::string_view kArgument = "\" \"%1\"";
    const Text module = ModuleFileName();
    const std::size_t slash = FindLastByte(module, '\\');
    if (slash == kNotFound || command.size() < 2 || command.front() != '"' || !command.ends_with(kArgument)) return false;
    const std::string_view program = command.substr(1, command.size() - 1 - kArgument.size());
    const std::string_view name = std::string_view(module).substr(slash);  // with its backslash
    if (program.size() <= name.size()) return false;
    const std::size_t at = program.size() - name.size();
    return FindLastByte(program, '\\') == at && FindText(program, name, at, true) == at;
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
        if (named.empty() || !IsViewerCommand(ReadRegistryText(HKEY_CLASSES_ROOT, named + "\\Shell\\Open\\Command\\")))
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

void SetFileTypeAssociation(std::string_view exePath, std::string_view extensions, std::string_view iconPath,
                            std::string_view description, std::string_view classKey) {
    if (TrimBlanks(exePath).empty()) {
        Remove(extensions);
    } else {
        Associate(Text(exePath), extensions, iconPath, description, classKey);
    }
    NotifyAssociationChanged();
}

Text DriveLetterPath(std::string_view devicePath) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const char drive[3] = {letter, ':', '\0'};
        char device[260] = "";
        if (api::QueryDosDeviceA(drive, device, sizeof device) == 0) continue;
        const std::string_view name = UntilNul(device, sizeof device);
        // The device name must end where a path part ends: volume 1 is no
        // prefix of volume 10.
        if (name.empty() || !devicePath.starts_with(name)) continue;
        if (devicePath.size() > name.size() && devicePath[name.size()] != '\\') continue;
        return Text(drive) + Text(devicePath.substr(name.size()));
    }
    return {};
}

Text ProcessImagePath(DWORD processId, bool useId) {
    const bool opened = useId && processId != 0;
    // Another process's handle is owned here; this process's is a pseudo
    // handle that is never closed.
    const Unique<HANDLE, CloseOpenedProcess> owned(
        opened ? api::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId) : nullptr);
    const HANDLE process = opened ? owned.Get() : api::GetCurrentProcess();
    if (!process) return {};
    char buffer[260];
    std::memset(buffer, ' ', sizeof buffer);
    const DWORD n = api::GetProcessImageFileNameA(process, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer) return {};
    return DriveLetterPath(std::string_view(buffer, n));
}

DWORD WindowProcessId(HWND window) {
    DWORD id = 0;
    if (!api::GetWindowThreadProcessId(window, &id)) return 0;
    return id;
}

void NotifyAssociationChanged() { api::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

Text AssociationExecutable(std::string_view imagePath) {
    if (!TrimBlanks(imagePath).empty()) return Text(imagePath);
    return ModuleFileName();
}

void AssociateType(std::string_view type, std::string_view exePath) {
    if (TrimBlanks(exePath).empty()) {
        WriteAssociationFlag(type, false);
        return;
    }
    SetFileTypeAssociation(exePath, type, "", type, type);
    WriteAssociationFlag(type, true);
}

void UnassociateType(std::string_view type) {
    SetFileTypeAssociation("", type, "", type, type);
    WriteAssociationFlag(type, false);
}

}  // namespace vela
