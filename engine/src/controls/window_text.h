#pragma once
// A window's text from the engine's GB18030 bytes (as its exports carry
// texts), given to the platform in UTF-16 so that it reads the same under
// any system code page.
#include <windows.h>

#include <string>

namespace uiengine {

// Sets the window's text to the characters of text (GB18030 bytes). The
// window keeps them whole even where a procedure under the engine's hook is
// ANSI: that is the text the taskbar, other programs and the window system
// read.
void SetWindowTextOf(HWND window, const std::string& text);

}  // namespace uiengine
