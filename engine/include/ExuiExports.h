#pragma once
// The engine's exports a host looks up by name, in one list: each entry is
// X(export name, function type). The viewer's loader and the test harness
// both bind them through BindExuiExports; the engine checks its own
// definitions against the same list, so a changed signature fails to build.
//
// Every entry is optional at lookup: a name the library does not export
// stays null. A library without CreateControl_WindowEx is no engine; one
// without PreparePictures or HoldFrame (or the inspection exports, which only tests and
// measurements call) works the same, only without what they add.
#include <windows.h>

#include "ExuiKrnln.h"

// Exported by this engine.
#define ENGINE_CALLED_EXPORTS(X)                                       \
    X(CreateControl_WindowEx, ExuiCreateWindowEx)                      \
    X(CreateControl_MinutesboxEx, ExuiCreateMinutesboxEx)              \
    X(CreateControl_PictureBoxEx, ExuiCreatePictureBoxEx)              \
    X(CreateControl_ButtonEx, ExuiCreateButtonEx)                      \
    X(CreateControl_SuperbuttonEx, ExuiCreateSuperbuttonEx)            \
    X(ControlSendMessage, ExuiControlSendMessage)                      \
    X(ControPonintSizeSynchronise, ExuiControPonintSizeSynchronise)    \
    X(ControlDestroy, ExuiControlDestroy)                              \
    X(CallInternalFunction_Ex, ExuiCallInternalFunction_Ex)            \
    X(PreparePictures, ExuiPreparePictures)                            \
    X(PreparePicturesFitted, ExuiPreparePicturesFitted)                \
    X(HoldFrame, ExuiHoldFrame)                                        \
    X(PlaceFrame, ExuiPlaceFrame)                                      \
    X(ExuiInspectFrame, ExuiInspectFrameFn)                            \
    X(ExuiInspectPrepared, ExuiInspectPreparedFn)                      \
    X(DecodePicturePixels, ExuiDecodePicturePixels)                    \
    X(FreePicturePixels, ExuiFreePicturePixels)

// Looked up by the viewer's loader with the rest but never called: image
// and data-block operations. This engine does not export them, so their
// types are left open.
#define ENGINE_UNCALLED_EXPORTS(X)                                     \
    X(LoadImageEx, FARPROC)                                            \
    X(DestroyImageEx, FARPROC)                                         \
    X(GetImageAttributeEx, FARPROC)                                    \
    X(GetImageData, FARPROC)                                           \
    X(CreateBinEx, FARPROC)                                            \
    X(DeleteBinEx, FARPROC)                                            \
    X(GetBinExDataPointer, FARPROC)                                    \
    X(GetBinExDatalength, FARPROC)                                     \
    X(GetBInExCache, FARPROC)

#define ENGINE_EXPORTS(X)                                              \
    ENGINE_CALLED_EXPORTS(X)                                           \
    ENGINE_UNCALLED_EXPORTS(X)

#ifdef __cplusplus

// One member per export, named as the export; null until bound.
struct ExuiExports {
#define ENGINE_EXPORT_MEMBER(name, type) type name = nullptr;
    ENGINE_EXPORTS(ENGINE_EXPORT_MEMBER)
#undef ENGINE_EXPORT_MEMBER
};

// Looks every export of the list up in `module` (null: none); a missing
// name leaves its member null.
inline ExuiExports BindExuiExports(HMODULE module) {
    ExuiExports exports;
    if (!module) return exports;
#define ENGINE_EXPORT_BIND(name, type)                                 \
    exports.name = reinterpret_cast<type>(reinterpret_cast<void*>(GetProcAddress(module, #name)));
    ENGINE_EXPORTS(ENGINE_EXPORT_BIND)
#undef ENGINE_EXPORT_BIND
    return exports;
}

#endif
