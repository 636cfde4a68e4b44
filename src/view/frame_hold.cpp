#include "view/frame_hold.h"

#include "runtime/forms.h"
#include "skin/engine.h"

namespace vela::view {

FrameHold::FrameHold() {
    const auto hold = skin::CurrentEngine().HoldFrame;
    HWND window = forms::NativeWindow(forms::Ctl::MainWindow);
    if (hold && window && hold(window, 1) > 0) window_ = window;
}

FrameHold::~FrameHold() {
    if (!window_) return;
    if (const auto hold = skin::CurrentEngine().HoldFrame) hold(window_, 0);
}

}  // namespace vela::view
