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

namespace vela::gdip {

// The few GDI+ flat-interface types the viewer needs, declared here so that
// the large C++ wrapper header is not pulled into every module.
using Status = int;
inline constexpr Status Ok = 0;
struct GpImage;
struct StartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
using StartupFn = Status(WINAPI*)(ULONG_PTR* token, const StartupInput* input, void* output);
using ShutdownFn = void(WINAPI*)(ULONG_PTR token);
using LoadImageFromFileFn = Status(WINAPI*)(const WCHAR* fileName, GpImage** image);
using LoadImageFromStreamFn = Status(WINAPI*)(IStream* stream, GpImage** image);
using CreateBitmapFromStreamFn = Status(WINAPI*)(IStream* stream, GpImage** bitmap);
using GetImageSideFn = Status(WINAPI*)(GpImage* image, UINT* side);
using ImageRotateFlipFn = Status(WINAPI*)(GpImage* image, int rotateFlipType);
using SaveImageToStreamFn = Status(WINAPI*)(GpImage* image, IStream* stream, const CLSID* encoder,
                                            const void* encoderParameters);
using DisposeImageFn = Status(WINAPI*)(GpImage* image);

}  // namespace vela::gdip

namespace vela::api {

// gdiplus.dll
VELA_ENTRY_TYPED("gdiplus.dll", GdiplusStartup, gdip::StartupFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdiplusShutdown, gdip::ShutdownFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipLoadImageFromFile, gdip::LoadImageFromFileFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipLoadImageFromStream, gdip::LoadImageFromStreamFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipCreateBitmapFromStream, gdip::CreateBitmapFromStreamFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipGetImageWidth, gdip::GetImageSideFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipGetImageHeight, gdip::GetImageSideFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipImageRotateFlip, gdip::ImageRotateFlipFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipSaveImageToStream, gdip::SaveImageToStreamFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipDisposeImage, gdip::DisposeImageFn);

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

// ---- Dropped files: drop handler, regular-expression object, version probe ----

// shell32.dll, user32.dll, kernel32.dll: the drop handler
VELA_ENTRY("shell32.dll", DragAcceptFiles);
VELA_ENTRY("shell32.dll", DragQueryFileA);
VELA_ENTRY("shell32.dll", DragFinish);
VELA_ENTRY("user32.dll", SetWindowLongA);
VELA_ENTRY("user32.dll", CallWindowProcA);
VELA_ENTRY("kernel32.dll", VirtualAlloc);
VELA_ENTRY("kernel32.dll", FlushInstructionCache);

// ole32.dll, oleaut32.dll: the regular-expression object
VELA_ENTRY("ole32.dll", CoInitialize);
VELA_ENTRY("ole32.dll", CoUninitialize);
VELA_ENTRY("ole32.dll", CLSIDFromProgID);
VELA_ENTRY("ole32.dll", CoCreateInstance);
VELA_ENTRY("ole32.dll", OleRun);
VELA_ENTRY("oleaut32.dll", SysAllocStringLen);
VELA_ENTRY("oleaut32.dll", SysStringLen);
VELA_ENTRY("oleaut32.dll", VariantClear);
VELA_ENTRY("oleaut32.dll", VariantChangeType);

// kernel32.dll, ntdll.dll, user32.dll: the version probe
VELA_ENTRY("kernel32.dll", GetVersionExA);
VELA_ENTRY("kernel32.dll", GetSystemInfo);
VELA_ENTRY("ntdll.dll", RtlGetProductInfo);
VELA_ENTRY("user32.dll", GetSystemMetrics);

// Entry points that older systems lack (ChangeWindowMessageFilter before
// Vista, IsWow64Process before XP SP2, RtlGetNtVersionNumbers before XP):
// looked up by name like the others, but a missing one is no fatal error.
// Get() is null then, and the caller does without.
template <typename Fn>
class OptionalEntry {
public:
    constexpr OptionalEntry(const char* library, const char* name) : library_(library), name_(name) {}
    Fn Get() const {
        if (!looked_) {
            HMODULE module = GetModuleHandleA(library_);
            if (!module) module = LoadLibraryA(library_);
            fn_ = module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name_))) : nullptr;
            looked_ = true;
        }
        return fn_;
    }

private:
    const char* library_;
    const char* name_;
    mutable Fn fn_ = nullptr;
    mutable bool looked_ = false;
};
using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD* major, DWORD* minor, DWORD* build);
inline constinit OptionalEntry<decltype(&::ChangeWindowMessageFilter)> ChangeWindowMessageFilter{
    "user32.dll", "ChangeWindowMessageFilter"};
inline constinit OptionalEntry<decltype(&::IsWow64Process)> IsWow64Process{"kernel32.dll", "IsWow64Process"};
inline constinit OptionalEntry<RtlGetNtVersionNumbersFn> RtlGetNtVersionNumbers{"ntdll.dll",
                                                                                "RtlGetNtVersionNumbers"};

// ---- end of dropped files ----

}  // namespace vela::api
