#include "view/cursor.h"

#include "runtime/entry_points.h"
#include "view/view_math.h"

namespace vela::view {

POINT ClientOriginOnScreen(HWND window) {
    if (!window) window = api::GetFocus();
    POINT origin{0, 0};
    if (window) api::ClientToScreen(window, &origin);
    return origin;
}

POINT CursorPositionIn(HWND window) {
    POINT origin{0, 0};
    if (window) origin = ClientOriginOnScreen(window);
    POINT cursor{0, 0};
    api::GetCursorPos(&cursor);
    return {TruncToInt(static_cast<double>(cursor.x) - origin.x), TruncToInt(static_cast<double>(cursor.y) - origin.y)};
}

}  // namespace vela::view
