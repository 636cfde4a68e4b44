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
using LoadImageFromStreamFn = Status(WINAPI*)(IStream* stream, GpImage** image);
using CreateBitmapFromStreamFn = Status(WINAPI*)(IStream* stream, GpImage** bitmap);
using GetImageSideFn = Status(WINAPI*)(GpImage* image, UINT* side);
using ImageRotateFlipFn = Status(WINAPI*)(GpImage* image, int rotateFlipType);
using SaveImageToStreamFn = Status(WINAPI*)(GpImage* image, IStream* stream, const CLSID* encoder,
                                            const void* encoderParameters);
using DisposeImageFn = Status(WINAPI*)(GpImage* image);
inline constexpr int PixelFormat32bppARGB = 0x0026200A;
inline constexpr UINT ImageLockModeRead = 1;
struct Rect {
    INT X, Y, Width, Height;
};
struct BitmapData {
    UINT Width, Height;
    INT Stride;
    int PixelFormat;
    void* Scan0;
    UINT_PTR Reserved;
};
using BitmapLockBitsFn = Status(WINAPI*)(GpImage* bitmap, const Rect* rect, UINT flags, int format,
                                         BitmapData* data);
using BitmapUnlockBitsFn = Status(WINAPI*)(GpImage* bitmap, BitmapData* data);
using CreateBitmapFromScan0Fn = Status(WINAPI*)(INT width, INT height, INT stride, INT pixelFormat, BYTE* scan0,
                                                GpImage** bitmap);
using CloneImageFn = Status(WINAPI*)(GpImage* image, GpImage** clone);
// 32 bits a pixel, premultiplied BGRA: the layout of the engine's pixels.
inline constexpr INT PixelFormat32bppPARGB = 0x000E200B;

}  // namespace vela::gdip

namespace vela::api {

// gdiplus.dll
VELA_ENTRY_TYPED("gdiplus.dll", GdiplusStartup, gdip::StartupFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdiplusShutdown, gdip::ShutdownFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipLoadImageFromStream, gdip::LoadImageFromStreamFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipCreateBitmapFromStream, gdip::CreateBitmapFromStreamFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipGetImageWidth, gdip::GetImageSideFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipGetImageHeight, gdip::GetImageSideFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipImageRotateFlip, gdip::ImageRotateFlipFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipSaveImageToStream, gdip::SaveImageToStreamFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipDisposeImage, gdip::DisposeImageFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipCreateBitmapFromScan0, gdip::CreateBitmapFromScan0Fn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipCloneImage, gdip::CloneImageFn);

// shlwapi.dll
VELA_ENTRY("shlwapi.dll", PathFindFileNameW);
VELA_ENTRY("shlwapi.dll", PathFindExtensionW);
VELA_ENTRY("shlwapi.dll", StrCmpLogicalW);

// kernel32.dll
VELA_ENTRY("kernel32.dll", GlobalAlloc);
VELA_ENTRY("kernel32.dll", GlobalLock);
VELA_ENTRY("kernel32.dll", GlobalUnlock);
VELA_ENTRY("kernel32.dll", GlobalFree);
VELA_ENTRY("kernel32.dll", GlobalSize);
#undef RtlMoveMemory
using RtlMoveMemoryFn = void(WINAPI*)(void* destination, const void* source, SIZE_T length);
VELA_ENTRY_TYPED("kernel32.dll", RtlMoveMemory, RtlMoveMemoryFn);

// ole32.dll
VELA_ENTRY("ole32.dll", CreateStreamOnHGlobal);
VELA_ENTRY("ole32.dll", GetHGlobalFromStream);

// user32.dll
VELA_ENTRY("user32.dll", GetCursorPos);
VELA_ENTRY("user32.dll", ClientToScreen);
VELA_ENTRY("user32.dll", GetFocus);
VELA_ENTRY("user32.dll", TrackPopupMenu);

// comdlg32.dll
VELA_ENTRY("comdlg32.dll", GetOpenFileNameW);
VELA_ENTRY("comdlg32.dll", GetSaveFileNameW);

// ---- Dropped files: drop handler, regular-expression object, version probe ----

// shell32.dll, user32.dll, kernel32.dll: the drop handler
VELA_ENTRY("shell32.dll", DragAcceptFiles);
VELA_ENTRY("shell32.dll", DragQueryFileW);
VELA_ENTRY("shell32.dll", DragFinish);
VELA_ENTRY("user32.dll", SetWindowLongW);
VELA_ENTRY("user32.dll", CallWindowProcW);
VELA_ENTRY("kernel32.dll", VirtualAlloc);
VELA_ENTRY("kernel32.dll", VirtualProtect);
VELA_ENTRY("kernel32.dll", VirtualFree);
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

// Entry points that older systems lack: ChangeWindowMessageFilter before
// Vista, ChangeWindowMessageFilterEx before 7, IsWow64Process before XP SP2,
// RtlGetNtVersionNumbers before XP.
using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD* major, DWORD* minor, DWORD* build);
VELA_OPTIONAL_ENTRY_TYPED("user32.dll", ChangeWindowMessageFilter, decltype(&::ChangeWindowMessageFilter));
VELA_OPTIONAL_ENTRY_TYPED("user32.dll", ChangeWindowMessageFilterEx, decltype(&::ChangeWindowMessageFilterEx));
VELA_OPTIONAL_ENTRY_TYPED("kernel32.dll", IsWow64Process, decltype(&::IsWow64Process));
VELA_OPTIONAL_ENTRY_TYPED("ntdll.dll", RtlGetNtVersionNumbers, RtlGetNtVersionNumbersFn);

// ---- end of dropped files ----

// ---- Delete, locate, picture information and file-type associations ----
using IsNTAdminFn = BOOL(WINAPI*)(DWORD reserved, DWORD* reservedWord);
VELA_ENTRY("shell32.dll", SHFileOperationW);
VELA_ENTRY("shell32.dll", SHGetFileInfoW);
VELA_ENTRY("shell32.dll", ILCreateFromPathW);
VELA_ENTRY("shell32.dll", SHOpenFolderAndSelectItems);
VELA_ENTRY("shell32.dll", ILFree);
VELA_ENTRY("shell32.dll", SHChangeNotify);
VELA_ENTRY("kernel32.dll", CreateFileW);
VELA_ENTRY("kernel32.dll", GetFileTime);
VELA_ENTRY("kernel32.dll", FileTimeToLocalFileTime);
VELA_ENTRY("kernel32.dll", FileTimeToSystemTime);
VELA_ENTRY("kernel32.dll", GetDateFormatA);
VELA_ENTRY("kernel32.dll", GetTimeFormatA);
VELA_ENTRY("kernel32.dll", CloseHandle);
VELA_ENTRY("kernel32.dll", GetFileAttributesExW);
VELA_ENTRY("kernel32.dll", OpenProcess);
VELA_ENTRY("kernel32.dll", GetCurrentProcess);
VELA_ENTRY("kernel32.dll", QueryDosDeviceW);
// CoInitialize and CoUninitialize: bound once, in the block above.
VELA_ENTRY("user32.dll", GetWindowThreadProcessId);
// Typed by hand: psapi.h renames it to its kernel32 copy (K32...) for the
// targeted Windows version, while the psapi.dll export is the one bound.
using GetProcessImageFileNameFn = DWORD(WINAPI*)(HANDLE process, LPWSTR fileName, DWORD size);
VELA_ENTRY_TYPED("psapi.dll", GetProcessImageFileNameW, GetProcessImageFileNameFn);
VELA_ENTRY_TYPED("advpack.dll", IsNTAdmin, IsNTAdminFn);
// ---- end of delete, locate, information and associations ----

// ---- The shown picture copied to the clipboard ----
VELA_ENTRY_TYPED("gdiplus.dll", GdipBitmapLockBits, gdip::BitmapLockBitsFn);
VELA_ENTRY_TYPED("gdiplus.dll", GdipBitmapUnlockBits, gdip::BitmapUnlockBitsFn);
// ---- end of the clipboard ----

}  // namespace vela::api
