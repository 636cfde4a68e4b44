#include "view/frame_hold.h"

#include "forms/forms.h"
#include "skin/engine.h"

namespace vela::view {

FrameHold::FrameHold() {
    forms::HoldChildPlacements();
    const auto hold = skin::CurrentEngine().HoldFrame;
    HWND window = forms::NativeWindow(forms::Ctl::MainWindow);
    if (hold && window && hold(window, 1) > 0) window_ = window;
}

FrameHold::~FrameHold() {
    // The controls reach their places before the engine composes them.
    forms::PlaceHeldChildren();
    if (!window_) return;
    if (const auto hold = skin::CurrentEngine().HoldFrame) hold(window_, 0);
}

}  // namespace vela::view
