#pragma once
// Where the mouse cursor is, relative to a window's client area.
#include <windows.h>

namespace vela::view {

// The screen position of a window's client origin; with no window, that of
// the window holding the keyboard focus ((0, 0) when there is none).
POINT ClientOriginOnScreen(HWND window);
// The cursor in the window's client coordinates (screen coordinates for a
// null window).
POINT CursorPositionIn(HWND window);

}  // namespace vela::view
