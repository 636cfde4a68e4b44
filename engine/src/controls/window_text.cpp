#include "controls/window_text.h"

#include "text/gb18030.h"

namespace uiengine {

void SetWindowTextOf(HWND window, const std::string& text) {
    const std::wstring wide = vela::text::WideFromGb18030(text);
    SetWindowTextW(window, wide.c_str());
    // A host whose class was registered through the ANSI calls gets the
    // message in the system code page and stores what that code page holds
    // of the text; the window then keeps the UTF-16 text itself.
    std::wstring stored(wide.size() + 2, L'\0');
    const int n = InternalGetWindowText(window, stored.data(), static_cast<int>(stored.size()));
    if (n != static_cast<int>(wide.size()) || stored.compare(0, wide.size(), wide) != 0)
        DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

}  // namespace uiengine
