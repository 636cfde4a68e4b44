#pragma once
// Registry access shared by the file-type associations and the version probe.
// A path names a key and a value at once: the part after its last backslash
// character (a GBK trail byte 0x5C is none) is the value name, the part before
// it the key. "a\b\" addresses the default value of key a\b; a path without a
// backslash addresses a value of the root itself.
#include <windows.h>

#include <cstdint>
#include <string_view>

#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela {

// REG_SZ up to its first zero byte, REG_EXPAND_SZ with its environment
// references expanded; any other type, a missing key or value, or a failure
// gives defaultText.
Text ReadRegistryText(HKEY root, std::string_view path, std::string_view defaultText = {});

// Opens the key for writing or, when that fails, creates it with its missing
// parents. A text is stored as REG_SZ with its zero byte, an integer as a
// 4-byte REG_DWORD.
bool WriteRegistryValue(HKEY root, std::string_view path, std::string_view value);
bool WriteRegistryValue(HKEY root, std::string_view path, std::uint32_t value);

// A text holding a path (the association's command and icon), stored and
// read through the wide calls so that the program's own path keeps every
// character whatever the system's code page; REG_EXPAND_SZ is expanded on
// reading. The key and value names are the viewer's GBK texts as above.
bool WriteRegistryWideText(HKEY root, std::string_view path, std::wstring_view value);
std::wstring ReadRegistryWideText(HKEY root, std::string_view path);

// Deletes the value named by the path's last part; when that fails (no such
// key or value), deletes the key named by the whole path instead, which the
// platform does only for a key without subkeys. True if either deletion
// succeeded.
bool DeleteRegistryEntry(HKEY root, std::string_view path);

}  // namespace vela
