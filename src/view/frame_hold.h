#pragma once
// One frame per layout: while a new picture is laid out (its bytes written,
// the window sized, the view fitted, the edge controls placed) every
// property write asks the engine for a frame. A FrameHold, alive over the
// whole operation, asks the engine to compose none of them until it ends,
// so the window's next frame is the finished layout. The child controls'
// places are held with it, each control moved once when the hold ends.
// Messages keep running meanwhile (input, the engine's decodes); only drawing
// and moving wait. Nested holds are fine. Without an engine that offers the
// hold, only the places are held.
#include <windows.h>

namespace vela::view {

class FrameHold {
public:
    FrameHold();
    ~FrameHold();
    FrameHold(const FrameHold&) = delete;
    FrameHold& operator=(const FrameHold&) = delete;

private:
    // The window held; it may be gone when the hold ends, which the engine
    // answers with nothing to let go.
    HWND window_ = nullptr;
};

}  // namespace vela::view
