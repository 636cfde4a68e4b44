#include "runtime/registry.h"

#include <vector>

#include "runtime/unique.h"

namespace vela {
namespace {

using Key = Unique<HKEY, RegCloseKey>;

struct KeyAndValue {
    Text key;
    Text value;
};

KeyAndValue SplitRegistryPath(std::string_view path) {
    std::size_t slash = FindLastByte(path, '\\');
    if (slash == kNotFound) return {Text(), Text(path)};
    return {Text(path.substr(0, slash)), Text(path.substr(slash + 1))};
}

Key OpenKey(HKEY root, const Text& key, REGSAM access) {
    Key opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, access, opened.Out()) != ERROR_SUCCESS) return Key();
    return opened;
}

Text ExpandEnvironment(const Text& text) {
    DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    // Some systems give the count in characters rather than bytes and cut
    // the GBK text to that many bytes: a double-byte character takes at most
    // two bytes, so twice the count always holds it.
    const DWORD capacity = needed * 2;
    Text out(capacity, '\0');
    DWORD written = ExpandEnvironmentStringsA(text.c_str(), out.data(), capacity);
    if (written == 0 || written > capacity) return text;
    return Text(out.c_str());
}

Key OpenOrCreateKey(HKEY root, const Text& key) {
    Key opened = OpenKey(root, key, KEY_WRITE);
    if (!opened && RegCreateKeyA(root, key.c_str(), opened.Out()) != ERROR_SUCCESS) return Key();
    return opened;
}

bool SetValue(HKEY root, std::string_view path, DWORD type, const BYTE* data, DWORD size) {
    auto [key, value] = SplitRegistryPath(path);
    Key opened = OpenOrCreateKey(root, key);
    return opened && RegSetValueExA(opened.Get(), value.c_str(), 0, type, data, size) == ERROR_SUCCESS;
}

std::wstring ExpandEnvironmentWide(const std::wstring& text) {
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::wstring out(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), out.data(), needed);
    if (written == 0 || written > needed) return text;
    return std::wstring(out.c_str());
}

}  // namespace

Text ReadRegistryText(HKEY root, std::string_view path, std::string_view defaultText) {
    auto [key, value] = SplitRegistryPath(path);
    Key opened = OpenKey(root, key, KEY_READ);
    if (!opened) return Text(defaultText);
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(opened.Get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return Text(defaultText);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return Text(defaultText);
    // The value may grow between the two queries: retry a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<char> buffer(size + 1, '\0');
        DWORD got = size;
        LONG status = RegQueryValueExA(opened.Get(), value.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (status == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return Text(defaultText);
        // Stored texts need not end in a zero byte: the extra byte closes them.
        Text text(buffer.data());
        return type == REG_EXPAND_SZ ? ExpandEnvironment(text) : text;
    }
    return Text(defaultText);
}

bool WriteRegistryValue(HKEY root, std::string_view path, std::string_view value) {
    Text stored(value);  // with its zero byte
    return SetValue(root, path, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                    static_cast<DWORD>(stored.size() + 1));
}

bool WriteRegistryValue(HKEY root, std::string_view path, std::uint32_t value) {
    DWORD data = value;
    return SetValue(root, path, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

bool WriteRegistryWideText(HKEY root, std::string_view path, std::wstring_view value) {
    auto [key, name] = SplitRegistryPath(path);
    Key opened = OpenOrCreateKey(root, key);
    const std::wstring stored(value);  // with its zero unit
    return opened && RegSetValueExW(opened.Get(), WideFromGb18030(name).c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(stored.c_str()),
                                    static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring ReadRegistryWideText(HKEY root, std::string_view path) {
    auto [key, name] = SplitRegistryPath(path);
    Key opened = OpenKey(root, key, KEY_READ);
    if (!opened) return {};
    const std::wstring valueName = WideFromGb18030(name);
    DWORD type = 0, size = 0;
    // The value may grow between the two queries: retry a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (RegQueryValueExW(opened.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return {};
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = size;
        const LONG status = RegQueryValueExW(opened.Get(), valueName.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
        // Stored texts need not end in a zero unit: the extra one closes them.
        const std::wstring text(buffer.data());
        return type == REG_EXPAND_SZ ? ExpandEnvironmentWide(text) : text;
    }
    return {};
}

bool DeleteRegistryEntry(HKEY root, std::string_view path) {
    auto [key, value] = SplitRegistryPath(path);
    Key opened = OpenKey(root, key, KEY_WRITE);
    if (opened && RegDeleteValueA(opened.Get(), value.c_str()) == ERROR_SUCCESS) return true;
    opened.Reset();
    // RegDeleteKeyA refuses a key that still has subkeys, which keeps keys
    // the viewer did not write.
    return RegDeleteKeyA(root, Text(path).c_str()) == ERROR_SUCCESS;
}

}  // namespace vela
