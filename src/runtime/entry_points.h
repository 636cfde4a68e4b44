#pragma once
// The platform entry points that the viewer binds by name at their first
// call, one line each, grouped by library. Call them as api::Name(...).
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <commdlg.h>

#include "runtime/bind.h"

namespace vela::api {

// shlwapi.dll
VELA_ENTRY("shlwapi.dll", PathFindFileNameA);
VELA_ENTRY("shlwapi.dll", PathFileExistsA);
VELA_ENTRY("shlwapi.dll", PathFindExtensionA);

// kernel32.dll
VELA_ENTRY("kernel32.dll", GlobalAlloc);
VELA_ENTRY("kernel32.dll", GlobalLock);
VELA_ENTRY("kernel32.dll", GlobalUnlock);
VELA_ENTRY("kernel32.dll", GlobalFree);
VELA_ENTRY("kernel32.dll", GlobalSize);
#undef RtlMoveMemory
using RtlMoveMemoryFn = void(WINAPI*)(void* destination, const void* source, SIZE_T length);
VELA_ENTRY_TYPED("kernel32.dll", RtlMoveMemory, RtlMoveMemoryFn);
VELA_ENTRY("kernel32.dll", MultiByteToWideChar);

// ole32.dll
VELA_ENTRY("ole32.dll", CreateStreamOnHGlobal);
VELA_ENTRY("ole32.dll", GetHGlobalFromStream);

// user32.dll
VELA_ENTRY("user32.dll", GetCursorPos);
VELA_ENTRY("user32.dll", ClientToScreen);
VELA_ENTRY("user32.dll", GetFocus);
VELA_ENTRY("user32.dll", TrackPopupMenu);

// comdlg32.dll
VELA_ENTRY("comdlg32.dll", GetOpenFileNameA);
VELA_ENTRY("comdlg32.dll", GetSaveFileNameA);

}  // namespace vela::api
