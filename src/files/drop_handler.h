#pragma once
// Files dropped on the main window. The one DropHandler of the process is
// created at start-up, attached to MainWindow when it is created and
// destroyed by the exit routine.
//
// The handler takes over the window's native procedure through a small
// machine-code stub, so that WM_DROPFILES reaches it whatever the window's
// own procedure does, and every other message goes on unchanged.
#include <windows.h>

#include "runtime/platform_path.h"
#include "runtime/text.h"
#include "runtime/unique.h"

namespace vela {

using DropCallback = void (*)(const Path& path);

// The extensions a dropped file may have to be opened, one a line. Unlike
// the folder scan, cursor files are accepted.
inline constexpr std::wstring_view DroppedPictureTypes =
    L".jpg\r\n.bmp\r\n.ico\r\n.png\r\n.gif\r\n.cur\r\n.webp\r\n.heic\r\n.heif\r\n.avif\r\n.jxl";

// The handler has no virtual destructor on purpose: its table of virtual
// operations is exactly these five, in this order (a virtual destructor
// would add two slots in front of them). It is final, so deleting it
// through its own type is all there is.
class DropHandler final {
public:
    DropHandler() = default;
    // A copy names the same window and callback but has no stub of its own
    // until it is attached: each handler frees only its own page.
    DropHandler(const DropHandler& other);
    DropHandler& operator=(const DropHandler&) = delete;
    // Gives the window its procedure back if it still runs this handler's
    // stub, then frees the stub's page.
    ~DropHandler();

    virtual void Destroy();
    virtual DropHandler* Copy() const;
    // Makes the window accept dropped files and routes its messages through
    // WindowProcedure; dropped paths go to callback one by one.
    virtual void Attach(HWND window, DropCallback callback);
    // Gives the window its previous procedure back.
    virtual void Detach();
    virtual LRESULT WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Window() const { return window_; }
    WNDPROC PreviousProcedure() const { return previousProcedure_; }
    DropCallback Callback() const { return callback_; }

private:
    static LRESULT CALLBACK Forward(DropHandler* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void FreeStubPage(void* page);
    // The stub that calls Forward with this handler, on a page of its own
    // that is executable and no longer writable; null when none could be made.
    void* Stub();
    void HandleDrop(HDROP drop);

    HWND window_ = nullptr;
    WNDPROC previousProcedure_ = nullptr;
    DropCallback callback_ = nullptr;
    Unique<void*, FreeStubPage> stubPage_;
};

// The callback start-up gives the handler: opens a dropped picture.
void OnFileDropped(const Path& path);

// A path whose extension is one of DroppedPictureTypes, ignoring ASCII
// letter case (DSC0001.JPG is a picture; photo.jpeg is not).
bool IsDroppedPicture(PathView path);

// Removes one CR LF pair at the start and one at the end where present; a
// text without line breaks (any path the shell delivers) passes unchanged.
Path TrimLineBreaks(PathView text);

}  // namespace vela
