#pragma once
// The skinned top-level window: WindowEx takes over the frame of the window
// it skins and composes the whole window (background, caption, every engine
// control in z-order) into one premultiplied buffer shown with
// UpdateLayeredWindow, so the desktop shows through the translucent parts.
#include <windows.h>

#include <utility>
#include <vector>

#include "core/canvas.h"
#include "core/unique.h"

namespace uiengine {

class Control;

class Frame {
public:
    explicit Frame(HWND top, Control* skin);
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    static Frame* Of(HWND top);
    HWND Top() const { return top_; }

    // Marks the frame dirty; one composition follows from the message loop.
    void Invalidate();
    // Marks only a part dirty (window coordinates).
    void Invalidate(const RECT& part);
    // A control's part: where its host is now and where it was last drawn.
    void InvalidateControl(Control* control);
    void Forget(Control* control);
    // Composes now and shows the result.
    void Compose();

    // A control of the window has a state that must not be seen (a new
    // picture not yet at the size its host gives it): no frame is composed
    // until every such control lets go, so the screen keeps the last frame
    // (or shows nothing yet) instead of a half-made one.
    void Hold(const Control* control);
    void Release(const Control* control);
    bool Held() const { return !holders_.empty() || hostHolds_ > 0; }
    // The host lays out a new picture (several property writes, each asking
    // for a frame): composition waits until it says it is done, so the
    // window shows one frame for the whole layout. Holds nest. A hold never
    // let go ends by itself after kHostHoldBoundMs and the frame is composed,
    // so a host that forgets (or dies in the middle) never freezes the window.
    void HoldForHost();
    void ReleaseForHost();
    int HostHolds() const { return hostHolds_; }
    // The next frame is shown at `place` (screen), the window moved and
    // sized with it; null: where the window is.
    void PlaceNextFrame(const RECT* place);
    static constexpr UINT kHostHoldBoundMs = 2000;

    int FrameCount() const { return frames_; }
    bool Pending() const { return pending_ || Held(); }
    // A copy of the last composed buffer (premultiplied BGRA, top-down).
    Image Snapshot() const;
    SIZE FrameSize() const { return dibSize_; }
    // Milliseconds of the last composition: drawing, and handing it to the system.
    float ComposeMs() const { return composeMs_; }
    float PresentMs() const { return presentMs_; }
    // A picture box drew a newly decoded picture into the frame being composed.
    void NotePictureShown() { pictureDrawn_ = true; }
    // The number of the last frame that first showed a newly decoded picture (0: none yet).
    int PictureFrame() const { return pictureFrame_; }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void DrawChildren(const Canvas& canvas, HWND parent, POINT origin);
    // Where the frame about to be composed is shown; *moves when that is not
    // where the window is (the frame takes it there).
    RECT PlaceOfFrame(bool* moves);

    HWND top_;
    Control* skin_;
    WNDPROC previous_ = nullptr;
    bool pending_ = false;
    std::vector<const Control*> holders_;
    int hostHolds_ = 0;
    bool placeNext_ = false;
    RECT nextPlace_{0, 0, 0, 0};
    void ComposeIfAsked();
    RECT dirty_{0, 0, 0, 0};
    bool allDirty_ = true;
    std::vector<std::pair<Control*, RECT>> drawnAt_;  // where each control was last drawn
    int frames_ = 0;
    bool pictureDrawn_ = false;
    int pictureFrame_ = 0;
    float composeMs_ = 0, presentMs_ = 0;
    uiengine::Unique<HDC, DeleteDC> dc_;
    uiengine::Unique<HBITMAP, DeleteObject> dib_;
    HGDIOBJ oldBitmap_ = nullptr;
    uint32_t* dibBits_ = nullptr;
    SIZE dibSize_{0, 0};
    POINT windowAt_{0, 0};
};

// The deepest visible descendant of top containing the screen point that
// carries an engine control, or null.
Control* EngineControlAt(HWND top, POINT screen);
// Delivers a wheel message to the picture box under the cursor; true when
// one took it.
bool RouteWheel(HWND top, WPARAM wp, LPARAM lp);

}  // namespace uiengine
