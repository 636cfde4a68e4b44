#pragma once
// ExuiKrnln.dll, the skinned-UI engine: the operations the viewer calls and
// the records that cross between the viewer's control layer and the engine.
// All exports use __stdcall and undecorated names. Values that carry an
// address are 32 bits wide in this 32-bit program.
#include <windows.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Filled by the control layer just before a create call and read by the
// engine during that call only; the engine copies what it keeps. The
// property pack stays owned by the caller (in the viewer: a resource).
typedef struct ExuiBindingRecord {
    HWND host;               // the host child window made by the control layer
    int32_t controlId;       // the form's number for the control
    int32_t formId;          // the form's number for the window
    int32_t eventBase;       // added to (engine code - 660) to give the form event number
    const void* propertyPack; // the stored pack (format in ExuiPack.h), or null
    uint32_t propertyPackLength; // bytes the caller holds at propertyPack: nothing
                                 // beyond is read, and a pack whose own length is
                                 // larger is not taken (0: no pack)
} ExuiBindingRecord;

// The engine's record of a control, handed to the event callback. Owned by
// the engine; valid during the callback.
typedef struct ExuiControlRecord {
    HWND host;
    int32_t controlId;
    int32_t formId;
    int32_t eventBase;
} ExuiControlRecord;

// Called on the thread that owns the windows, synchronously, with an engine
// code from 660 up and four arguments; its result goes back to the engine.
typedef int(__stdcall* ExuiEventCallback)(const ExuiControlRecord* control, int code, int arg1, int arg2, int arg3,
                                          int arg4);

// The engine's handle for a control, stored as host window property "Tab_Control".
typedef void* ExuiHandle;

// ControlSendMessage messages: arg1 is the attribute index (property number - 8),
// arg2 the address of the value.
enum { ENGINE_SET_ATTRIBUTE = 10241, ENGINE_GET_ATTRIBUTE = 10242 };
// Engine event codes: 660 + n is form event n + EventBase; codes from 700 are internal.
enum { ENGINE_EVENT_FIRST = 660, ENGINE_EVENT_INTERNAL = 700 };
// Event codes the engine raises (add EventBase for the form's number).
enum {
    ENGINE_EVENT_CLICKED = 660,     // ButtonEx, SuperbuttonEx
    ENGINE_EVENT_LEFT_DOWN = 662,   // PictureBoxEx
    ENGINE_EVENT_LEFT_UP = 664,     // PictureBoxEx
    ENGINE_EVENT_MOUSE_MOVE = 668,  // PictureBoxEx
    ENGINE_EVENT_WHEEL = 670,       // PictureBoxEx, arg3 = signed wheel distance (120 a notch)
    // PictureBoxEx: the bytes written last hold no picture the engine can
    // decode (or none it has room for). Raised once per write, while the
    // window's frame is still held for that picture: a host that lays the
    // window out for no picture inside the event shows only that layout.
    ENGINE_EVENT_UNDECODABLE = 672
};
// The modifier bits the mouse events carry (arg3 of the button events), the
// same bits the viewer's key and mouse events report: Ctrl, Shift, Alt held.
enum { ENGINE_MODIFIER_CTRL = 1, ENGINE_MODIFIER_SHIFT = 2, ENGINE_MODIFIER_ALT = 4 };

// Attribute values, passed by address:
//   integer, boolean: int32_t.
//   text: const char* (GBK, zero-terminated). A write copies the text. A read
//     stores a pointer to the engine's own copy, valid until the attribute is
//     written again or the control is destroyed.
//   data block: ExuiData. A write copies the bytes. A read stores the engine's
//     pointer and length, valid like a text; a never-written block reads as
//     {null, 0}.
typedef struct ExuiData {
    const void* data;
    int32_t length;
} ExuiData;

// WindowEx property 29 (attribute index 21), text, empty at start: a hint
// line drawn centred in the middle of the window, over the background and
// under every control, in the look of a button caption (the skin's face at
// 11 points, white). The host writes it while it has nothing to show and
// writes the empty text to take it away. The line is also the text of the
// WindowEx's host window, so that it can be read from outside the frame.
enum { ENGINE_WINDOW_HINT_ATTRIBUTE = 21 };
// WindowEx property 30 (attribute index 22), boolean, false at start: the
// full-screen look. The backdrop is opaque black, the caption band no
// longer drags the window, and the chrome (the title and every control but
// a picture box) is drawn at the opacity of property 31 (attribute index
// 23, integer 0 hidden .. 255 whole, 0 at start; values outside are taken
// as the nearest end). In the window's own look property 31 is not used.
enum { ENGINE_WINDOW_FULL_SCREEN_ATTRIBUTE = 22, ENGINE_WINDOW_CHROME_OPACITY_ATTRIBUTE = 23 };
// PictureBoxEx property 25 (attribute index 17), integer, read by the host:
// 1 from a write of a moving picture's bytes until its frames have all been
// shown once (or the picture turned out undecodable, or its play stopped for
// want of room), else 0. A slideshow waits on it before the next picture.
enum { ENGINE_PICTURE_FIRST_PLAY_ATTRIBUTE = 17 };

// The create operations: 0 (no parent control), the parent window, left, top,
// width, height, the event callback, the binding record, then the zeros the
// type takes. Each returns the engine handle (also stored as "Tab_Control"),
// or null.
//   Thread: the thread that owns binding->host; every other export that
//     takes a control (and the callback) runs on that thread too.
//   Ignored: the parent control, left, top, width and height (the control
//     covers its host's client area, and follows it through
//     ControPonintSizeSynchronise) and the trailing zeros.
//   Windows changed: the host's window procedure is replaced (subclassed)
//     and the engine's own window properties ("Tab_Control" and two more)
//     are set on it; a WindowEx also takes over its top-level window: it
//     becomes a layered popup without caption or border (styles saved and
//     restored when the control goes), its icons and title follow the skin.
//     At most one engine control per host: a second create returns null.
//   Ownership: the engine owns the control and everything it makes (pixels,
//     fonts, decoded pictures, worker jobs). It is freed by ControlDestroy,
//     or, when the host is destroyed without it, by the host's WM_NCDESTROY;
//     the procedure and properties the engine put on the host go with it.
//     The caller keeps the binding record and the pack (read during create).
#define ENGINE_CREATE_ARGS int parentControl, HWND parent, int left, int top, int width, int height, \
    ExuiEventCallback callback, const ExuiBindingRecord* binding
typedef ExuiHandle(__stdcall* ExuiCreateWindowEx)(ENGINE_CREATE_ARGS, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int);
typedef ExuiHandle(__stdcall* ExuiCreateMinutesboxEx)(ENGINE_CREATE_ARGS, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int);
typedef ExuiHandle(__stdcall* ExuiCreatePictureBoxEx)(ENGINE_CREATE_ARGS, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int);
typedef ExuiHandle(__stdcall* ExuiCreateButtonEx)(ENGINE_CREATE_ARGS, int, int, int, int, int, int, int, int, int, int, int, int, int, int);
typedef ExuiHandle(__stdcall* ExuiCreateSuperbuttonEx)(ENGINE_CREATE_ARGS, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int);

// Writes (10241) or reads (10242) an attribute; the two trailing arguments are 0.
// Returns 1 when the attribute exists, 0 otherwise.
typedef int(__stdcall* ExuiControlSendMessage)(ExuiHandle control, int message, INT_PTR arg1, INT_PTR arg2,
                                               INT_PTR arg3, INT_PTR arg4);
// After the host window moved (ENGINE_HOST_MOVED) or was resized
// (ENGINE_HOST_RESIZED): the control follows it. The control is found
// through the host's "Tab_Control".
enum { ENGINE_HOST_MOVED = 0, ENGINE_HOST_RESIZED = 1 };
typedef int(__stdcall* ExuiControPonintSizeSynchronise)(HWND host, int kind);
// Frees the control and everything it holds, restores the host's window
// procedure (when the engine's is still the one in place) and the top-level
// window's styles; when it was the last control, stops and joins the engine's
// worker threads. Returns 0 for a handle that is not a live control.
typedef int(__stdcall* ExuiControlDestroy)(ExuiHandle control);
// The start-up handshake: (ENGINE_HANDSHAKE_FUNCTION, the library's module
// handle, 0, 0, ENGINE_HANDSHAKE_MAGIC); the engine answers 1 when the module
// handle is its own.
enum { ENGINE_HANDSHAKE_FUNCTION = 2008, ENGINE_HANDSHAKE_MAGIC = 20210101 };
typedef int(__stdcall* ExuiCallInternalFunction_Ex)(int function, INT_PTR arg1, INT_PTR arg2, INT_PTR arg3,
                                                   INT_PTR arg4);

// Inspection of a composed window, for tests and measurements (not used by
// the viewer). `pixels`/`capacity` are filled in by the caller; the rest is
// filled in by the engine.
typedef struct ExuiFrameInfo {
    int32_t width;     // size of the last composed frame (the window's outer size)
    int32_t height;
    int32_t frames;    // frames composed so far for this window
    int32_t pending;   // 1 while a composition is queued or a picture is still being decoded
    void* pixels;      // caller's buffer for width * height premultiplied BGRA pixels, top-down; may be null
    int32_t capacity;  // bytes in pixels; the copy is made only when the whole frame fits
    float composeMs;   // the last composition: drawing into the buffer,
    float presentMs;   // and UpdateLayeredWindow
    int32_t rescales;  // pictures scaled for a new size so far (all windows of the process)
    int32_t pictureFrame;  // the last frame (by `frames`) that first showed a newly decoded picture, 0 for none;
                           // a large picture shows before its reduced copies are all made (`pending` stays 1 until then)
} ExuiFrameInfo;
// Export "ExuiInspectFrame": returns 1 when the top-level window is skinned
// by a WindowEx of this engine (info filled), else 0.
typedef int(__stdcall* ExuiInspectFrameFn)(HWND topLevel, ExuiFrameInfo* info);

// Export "PreparePictures" (optional; a host must work without it): the
// pictures the host expects to show next, as complete encoded files. The
// engine copies each block during the call (the caller keeps its own and
// may free it at once) and decodes the copies in the background, at idle
// priority and only while no shown picture is being decoded. The call
// replaces the earlier set: a block whose bytes equal one already prepared
// keeps that decode, every other earlier one is dropped; (null, 0) drops
// them all. A later write of a picture box's bytes that equal a finished
// prepared picture's bytes (compared in full) shows that decode at once.
// Prepared pictures are the first memory given back when the process runs
// short. At most 3 blocks are taken, the first ones. Callable from any
// thread; returns the number of pictures now prepared or queued.
typedef int(__stdcall* ExuiPreparePictures)(const ExuiData* pictures, int32_t count);

// Export "PreparePicturesFitted" (optional): PreparePictures, each picture
// with the size its view will have when the host shows it (0 x 0 when the
// host cannot tell). The engine then makes that view's copy with the
// decode, so that the picture's first frame is the one that stays. The
// engine copies the array and the blocks during the call.
typedef struct ExuiFittedPicture {
    ExuiData picture;
    int32_t viewWidth;
    int32_t viewHeight;
} ExuiFittedPicture;
typedef int(__stdcall* ExuiPreparePicturesFitted)(const ExuiFittedPicture* pictures, int32_t count);

// Export "ExuiInspectPrepared", for tests and measurements (not used by
// the viewer): the state of the prepared set, filled in by the engine.
typedef struct ExuiPreparedInfo {
    int32_t ready;       // decoded and kept
    int32_t waiting;     // copied and not decoded yet (queued or running)
    int32_t taken;       // picture writes served from a prepared decode so far
    int32_t kilobytes;   // held by the prepared set: copies of the bytes and decoded pixels
} ExuiPreparedInfo;
typedef int(__stdcall* ExuiInspectPreparedFn)(ExuiPreparedInfo* info);

// Export "HoldFrame" (optional; a host must work without it): hold != 0
// holds the composition of a skinned top-level window while the host lays
// out a new picture, 0 lets go of one such hold; holds nest, and the frame
// asked for meanwhile is composed when the last one is let go. Messages keep
// being processed while held: only composition waits. A hold nobody lets go
// ends by itself 2 s after it was taken (and the frame is composed); a
// destroyed window holds nothing. Returns the number of holds standing after
// the call, or -1 when the window is not skinned by this engine.
typedef int(__stdcall* ExuiHoldFrame)(HWND topLevel, int32_t hold);

// Export "PlaceFrame" (optional; a host must work without it): the next
// frame composed for a skinned top-level window is shown at `place`
// (screen coordinates, copied during the call), the window taking that
// place and size in the same step (UpdateLayeredWindow moves it), so that
// the screen shows neither the old frame at the new place nor the new frame
// at the old one. Meant inside a HoldFrame: the host lays its controls out
// for the new size while the window stays where it is, names the place and
// lets go. Null cancels. Returns 1, or 0 when the window is not skinned by
// this engine.
typedef int(__stdcall* ExuiPlaceFrame)(HWND topLevel, const RECT* place);

// Export "DecodePicturePixels" (optional; a host must work without it): a
// complete encoded picture of any kind the picture box shows (WebP, HEIC
// and AVIF too, which the platform's decoder may not read; HEIC and AVIF
// only where libheif.dll and libde265.dll stand beside the engine; a moving
// picture's first frame), decoded to 32-bit premultiplied BGRA, rows top-down, `stride`
// bytes apart, standing upright. The engine reads `data` during the call
// only. On success returns a handle that owns the pixels and fills *out
// (whose `bits` stay valid until the handle is given to FreePicturePixels,
// exactly once); returns null and zeroes *out when the bytes do not decode
// or there is no room. Callable from any thread.
typedef struct ExuiPixels {
    int32_t width;
    int32_t height;
    int32_t stride;
    const void* bits;
} ExuiPixels;
typedef void* ExuiPixelsHandle;
typedef ExuiPixelsHandle(__stdcall* ExuiDecodePicturePixels)(const void* data, int32_t length, ExuiPixels* out);
typedef void(__stdcall* ExuiFreePicturePixels)(ExuiPixelsHandle pixels);

#ifdef __cplusplus
}
#endif
