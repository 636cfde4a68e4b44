#pragma once
// One engine control over a host child window made by the viewer's control
// layer: its attributes, its skin, its mouse states and its drawing.
#include <windows.h>

#include <memory>

#include "ExuiKrnln.h"
#include "core/attributes.h"
#include "core/canvas.h"
#include "core/pack.h"

namespace uiengine {

class Frame;

// What happened to a control's host window (ControPonintSizeSynchronise).
enum class HostChange { Moved, Resized };

class Control {
public:
    Control(ControlType type, HWND host, HWND parent, ExuiEventCallback callback, const ExuiBindingRecord& binding);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlType Type() const { return attrs_.Type(); }
    HWND Host() const { return host_; }
    HWND TopLevel() const { return top_; }
    Attributes& Attrs() { return attrs_; }
    const Skin& SkinData() const { return skin_; }

    // Called once the control sits in the registry and its host is hooked.
    virtual void Attach() {}
    // Just before the control is freed (host still alive or being destroyed).
    virtual void Detach() {}
    // After an attribute write from the viewer.
    virtual void Written(int /*index*/) {}
    // After the host moved or was resized.
    virtual void Synchronise(HostChange /*change*/) { Invalidate(); }
    // Draws the control with its top-left at (x, y) of the canvas.
    virtual void Draw(const Canvas& /*canvas*/, int /*x*/, int /*y*/) {}
    // WindowEx: the background and caption under everything else; the
    // canvas is the part of the window at `at`, the window is `whole` large.
    virtual void DrawBackdrop(const Canvas& /*canvas*/, POINT /*at*/, SIZE /*whole*/) {}
    // WindowEx: what lies above every control (the title, which no picture
    // may cover); same arguments.
    virtual void DrawAbove(const Canvas& /*canvas*/, POINT /*at*/, SIZE /*whole*/) {}
    virtual int CaptionHeight() const { return 0; }
    // WindowEx: the full-screen look (opaque black, no caption band to drag)
    // and how much of the chrome shows in it, 0 (none) to 255 (all).
    virtual bool FullScreen() const { return false; }
    virtual int ChromeOpacity() const { return 255; }
    // WindowEx: a frame of the window has just reached the screen.
    virtual void FramePresented() {}
    // A wheel turn routed here from anywhere in the window (screen point).
    virtual bool Wheel(POINT /*screen*/, WPARAM /*wp*/) { return false; }
    // Mouse and other host messages; true when handled (result in *result).
    virtual bool HostMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

    // Asks for a redraw: the frame recomposes once, later; without a frame the
    // host repaints itself.
    void Invalidate();
    // Raises an event through the viewer's callback; 0 when there is none.
    int Raise(int code, int a1 = 0, int a2 = 0, int a3 = 0, int a4 = 0);
    // Host's size.
    SIZE Size() const;
    // Bits 1 Ctrl, 2 Shift, 4 Alt from a mouse message's key state.
    static int Modifiers(WPARAM keyState);

    // Reentrancy guard: the host procedure may destroy the control (the
    // layer calls ControlDestroy from the host's WM_NCDESTROY, an event
    // handler may end a window) while a call into it is on the stack.
    int busy = 0;
    bool dead = false;
    WNDPROC previous = nullptr;

protected:
    HWND host_;
    HWND parent_;
    HWND top_;
    ExuiEventCallback callback_;
    ExuiControlRecord record_;
    Attributes attrs_;
    Skin skin_;
};

// The control of a host window, or null.
Control* ControlOf(HWND host);
// Makes the control for a create call; null for bad arguments.
Control* CreateControl(ControlType type, HWND parent, ExuiEventCallback callback, const ExuiBindingRecord* binding);
// Frees the control (deferred while a call into it is on the stack).
bool DestroyControl(Control* control);
// True when the pointer is a live control of ours (handles from outside are checked).
bool IsLiveControl(const void* handle);

// Per-type factories (buttons.cpp, picture.cpp, frame.cpp).
std::unique_ptr<Control> MakeButton(ControlType type, HWND host, HWND parent, ExuiEventCallback callback,
                                    const ExuiBindingRecord& binding);
std::unique_ptr<Control> MakePictureBox(HWND host, HWND parent, ExuiEventCallback callback,
                                        const ExuiBindingRecord& binding);
std::unique_ptr<Control> MakeWindowSkin(HWND host, HWND parent, ExuiEventCallback callback,
                                        const ExuiBindingRecord& binding);

// Messages the engine posts to itself.
UINT ComposeMessage();  // to a top-level window: compose the frame now
UINT DecodedMessage();  // to a host: a picture decode finished

// The control's font from its skin (face with CJK fallback, size in points
// at `dpi`), or the GUI default; the caller owns it.
HFONT MakeFont(const Skin& skin, int defaultPoints, int dpi);

// The dots per inch of the monitor a window shows on (96 is 100 %): the
// chrome is drawn for it, and follows it when the window moves.
int DpiOf(HWND window);
// A length of the 96-dpi design at `dpi`, rounded.
inline int AtDpi(int length, int dpi) { return MulDiv(length, dpi, 96); }

}  // namespace uiengine
