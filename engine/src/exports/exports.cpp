// The exported operations of ExuiKrnln.dll: thin checks around the controls.
#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>

#include "ExuiExports.h"
#include "ExuiKrnln.h"
#include "controls/control.h"
#include "controls/frame.h"
#include "decoders/decode.h"
#include "picture_box/picture.h"
#include "picture_box/prepared.h"

using uiengine::Control;
using uiengine::ControlType;

namespace {

HMODULE ThisModule() {
    HMODULE m = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &m);
    return m;
}

ExuiHandle Create(ControlType type, HWND parent, ExuiEventCallback callback, const ExuiBindingRecord* binding) {
    (void)parent;
    return uiengine::CreateControl(type, parent, callback, binding);
}

}  // namespace

// Five of the zero arguments a create call takes after the binding record
// (ignored; their count is part of each export's stack frame).
#define FIVE_IGNORED int, int, int, int, int
extern "C" {

// Nothing is joined here, on purpose. Each worker of the pool holds a
// reference on this module and drops it as its last act
// (FreeLibraryAndExitThread), and the pool is stopped and joined when the
// last control is destroyed; so an unload by FreeLibraryA (reserved null)
// can only come once no worker is left. At process exit (reserved not
// null) the system has already ended every other thread: waiting for them
// here, under the loader lock, could only hang, and their memory goes with
// the process.
BOOL WINAPI DllMain(HANDLE, DWORD, LPVOID) { return TRUE; }

ExuiHandle __stdcall CreateControl_WindowEx(ENGINE_CREATE_ARGS, FIVE_IGNORED, FIVE_IGNORED, FIVE_IGNORED, FIVE_IGNORED) {
    (void)parentControl, (void)left, (void)top, (void)width, (void)height;
    return Create(ControlType::WindowEx, parent, callback, binding);
}

ExuiHandle __stdcall CreateControl_MinutesboxEx(ENGINE_CREATE_ARGS, FIVE_IGNORED, FIVE_IGNORED, FIVE_IGNORED, int, int) {
    (void)parentControl, (void)left, (void)top, (void)width, (void)height;
    return Create(ControlType::MinutesboxEx, parent, callback, binding);
}

ExuiHandle __stdcall CreateControl_PictureBoxEx(ENGINE_CREATE_ARGS, FIVE_IGNORED, FIVE_IGNORED, FIVE_IGNORED, int, int) {
    (void)parentControl, (void)left, (void)top, (void)width, (void)height;
    return Create(ControlType::PictureBoxEx, parent, callback, binding);
}

ExuiHandle __stdcall CreateControl_ButtonEx(ENGINE_CREATE_ARGS, FIVE_IGNORED, FIVE_IGNORED, int, int, int, int) {
    (void)parentControl, (void)left, (void)top, (void)width, (void)height;
    return Create(ControlType::ButtonEx, parent, callback, binding);
}

ExuiHandle __stdcall CreateControl_SuperbuttonEx(ENGINE_CREATE_ARGS, FIVE_IGNORED, FIVE_IGNORED, FIVE_IGNORED, int, int, int, int) {
    (void)parentControl, (void)left, (void)top, (void)width, (void)height;
    return Create(ControlType::SuperbuttonEx, parent, callback, binding);
}

int __stdcall ControlSendMessage(ExuiHandle handle, int message, INT_PTR index, INT_PTR value,
                                                       INT_PTR, INT_PTR) {
    if (!uiengine::IsLiveControl(handle)) return 0;
    Control* c = static_cast<Control*>(handle);
    if (c->dead || !c->Attrs().Exists(static_cast<int>(index))) return 0;
    const void* address = reinterpret_cast<const void*>(value);
    if (message == ENGINE_SET_ATTRIBUTE) {
        bool emptied = false;
        const bool written = c->Attrs().Write(static_cast<int>(index), address, &emptied);
        // A picture too large to copy: the control shows nothing rather
        // than the old one, and the caller learns the write failed.
        if (written || emptied) c->Written(static_cast<int>(index));
        return written ? 1 : 0;
    }
    if (message == ENGINE_GET_ATTRIBUTE) return c->Attrs().Read(static_cast<int>(index), reinterpret_cast<void*>(value));
    return 0;
}

int __stdcall ControPonintSizeSynchronise(HWND host, int kind) {
    Control* c = uiengine::ControlOf(host);
    if (!c || c->dead) return 0;
    c->Synchronise(kind == ENGINE_HOST_RESIZED ? uiengine::HostChange::Resized : uiengine::HostChange::Moved);
    return 1;
}

int __stdcall ControlDestroy(ExuiHandle handle) {
    return uiengine::DestroyControl(static_cast<Control*>(handle)) ? 1 : 0;
}

int __stdcall CallInternalFunction_Ex(int function, INT_PTR module, INT_PTR a2, INT_PTR a3,
                                                            INT_PTR magic) {
    // The start-up handshake; nothing else is served here.
    return function == ENGINE_HANDSHAKE_FUNCTION && reinterpret_cast<HMODULE>(module) == ThisModule() && a2 == 0 &&
                   a3 == 0 && magic == ENGINE_HANDSHAKE_MAGIC
               ? 1
               : 0;
}

int __stdcall ExuiInspectFrame(HWND top, ExuiFrameInfo* info) {
    uiengine::Frame* f = uiengine::Frame::Of(top);
    if (!f || !info) return 0;
    const SIZE size = f->FrameSize();
    info->width = size.cx;
    info->height = size.cy;
    info->frames = f->FrameCount();
    info->composeMs = f->ComposeMs();
    info->presentMs = f->PresentMs();
    info->rescales = uiengine::Rescales();
    info->pending = f->Pending() || uiengine::PendingDecodes() > 0;
    info->pictureFrame = f->PictureFrame();
    const size_t bytes = static_cast<size_t>(size.cx) * size.cy * 4;
    if (info->pixels && info->capacity >= 0 && static_cast<size_t>(info->capacity) >= bytes && bytes) {
        const uiengine::Image shot = f->Snapshot();
        memcpy(info->pixels, shot.pixels.data(), std::min(bytes, shot.pixels.size() * 4));
    }
    return 1;
}

int __stdcall HoldFrame(HWND top, int32_t hold) {
    uiengine::Frame* f = uiengine::Frame::Of(top);
    if (!f) return -1;
    if (hold) {
        f->HoldForHost();
    } else {
        f->ReleaseForHost();
    }
    return f->HostHolds();
}

int __stdcall PlaceFrame(HWND top, const RECT* place) {
    uiengine::Frame* f = uiengine::Frame::Of(top);
    if (!f) return 0;
    f->PlaceNextFrame(place);
    return 1;
}

int __stdcall PreparePictures(const ExuiData* pictures, int32_t count) {
    return uiengine::SetPrepared(pictures, nullptr, count);
}

int __stdcall PreparePicturesFitted(const ExuiFittedPicture* pictures, int32_t count) {
    if (!pictures || count <= 0) return uiengine::SetPrepared(nullptr, nullptr, 0);
    ExuiData blocks[uiengine::kMaxPrepared];
    SIZE views[uiengine::kMaxPrepared];
    const int n = count < uiengine::kMaxPrepared ? count : uiengine::kMaxPrepared;
    for (int i = 0; i < n; ++i) {
        blocks[i] = pictures[i].picture;
        views[i] = SIZE{pictures[i].viewWidth, pictures[i].viewHeight};
    }
    return uiengine::SetPrepared(blocks, views, n);
}

int __stdcall ExuiInspectPrepared(ExuiPreparedInfo* info) {
    if (!info) return 0;
    uiengine::InspectPrepared(info);
    return 1;
}

ExuiPixelsHandle __stdcall DecodePicturePixels(const void* data, int32_t length, ExuiPixels* out) {
    if (!out) return nullptr;
    *out = ExuiPixels{};
    if (!data || length <= 0) return nullptr;
    auto* image = new (std::nothrow) uiengine::Image(uiengine::DecodePicture(data, static_cast<size_t>(length)));
    if (!image) return nullptr;
    if (image->Empty()) {
        delete image;
        return nullptr;
    }
    *out = ExuiPixels{image->width, image->height, image->width * 4, image->pixels.data()};
    return image;
}

void __stdcall FreePicturePixels(ExuiPixelsHandle pixels) { delete static_cast<uiengine::Image*>(pixels); }

}  // extern "C"

// Each export has the type its hosts bind it with.
#define ENGINE_CHECK_EXPORT(name, type) static_assert(std::is_same_v<decltype(&name), type>, #name);
ENGINE_CALLED_EXPORTS(ENGINE_CHECK_EXPORT)
#undef ENGINE_CHECK_EXPORT
