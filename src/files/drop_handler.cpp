#include "files/drop_handler.h"

namespace vela {

// Dropping files is not wired yet: the handler only remembers its window.
void DropHandler::Destroy() { Detach(); }

DropHandler* DropHandler::Copy() const { return new DropHandler(*this); }

void DropHandler::Attach(HWND window, DropCallback callback) {
    window_ = window;
    callback_ = callback;
}

void DropHandler::Detach() {}

LRESULT DropHandler::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return previousProcedure_ ? CallWindowProcA(previousProcedure_, window, message, wParam, lParam) : 0;
}

void OnFileDropped(const Text&) {}

}  // namespace vela
