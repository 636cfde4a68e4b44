#pragma once
// Files dropped on the main window. The one DropHandler of the process is
// created at start-up, attached to MainWindow when it is created and
// destroyed by the exit routine.
#include <windows.h>

#include "runtime/text.h"

namespace vela {

using DropCallback = void (*)(const Text& path);

class DropHandler {
public:
    virtual ~DropHandler() = default;
    virtual void Destroy();
    virtual DropHandler* Copy() const;
    virtual void Attach(HWND window, DropCallback callback);
    virtual void Detach();
    virtual LRESULT WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    HWND window_ = nullptr;
    WNDPROC previousProcedure_ = nullptr;
    DropCallback callback_ = nullptr;
};

// The callback start-up gives the handler: opens a dropped picture.
void OnFileDropped(const Text& path);

}  // namespace vela
