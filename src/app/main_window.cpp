#include "app/main_window.h"

#include <cstdint>

#include "app/command_line.h"
#include "app/full_screen.h"
#include "app/slideshow.h"
#include "view/picture_state.h"
#include "app/startup.h"
#include "files/navigation.h"
#include "files/paths.h"
#include "files/picture_actions.h"
#include "files/picture_clipboard.h"
#include "files/prepare_ahead.h"
#include "files/picture_list.h"
#include "runtime/exit.h"
#include "util/startup_trace.h"
#include "view/frame_hold.h"
#include "view/view.h"
#include "view/view_math.h"

namespace vela {

using forms::Ctl;
namespace prop = forms::prop;

namespace {

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// The number of the view's attribute write that put the start picture's
// bytes there; while it is the last, the view shows the start picture.
std::uint64_t startPictureWrite = 0;

bool ShowsStartPicture() {
    return startPictureWrite != 0 && forms::LastAttributeWrite(Ctl::PictureView) == startPictureWrite;
}

// The window sized to the start picture and centred on the work area.
void SizeStartWindow() {
    const view::Size shown = SizeWindowToPicture();
    // The smallest window (800 x 500 at 100 %) grows with the display
    // scaling; a picture gets it while it (as fitted) and the margin fit
    // inside.
    const int minWidth = forms::Scaled(800), minHeight = forms::Scaled(500);
    const int margin = forms::Scaled(static_cast<int>(view::kMargin));
    if (shown.width < minWidth - margin) forms::SetInt(Ctl::MainWindow, prop::Width, minWidth);
    if (shown.height < minHeight - margin) forms::SetInt(Ctl::MainWindow, prop::Height, minHeight);
    CentreMainWindowOnScreen();
}

// The start picture's bytes, title, window size and fit: every pass of the
// layout (the view at the picture's size, the window's width, its height,
// the fit) is one frame's worth of writes, and the window shows only the
// last.
void LayOutStartPicture() {
    const view::FrameHold hold;
    forms::SetInt(Ctl::PictureView, prop::Width, 0);
    forms::SetInt(Ctl::PictureView, prop::Height, 0);
    TheDropHandler()->Attach(forms::NativeWindow(Ctl::MainWindow), OnFileDropped);

    // A bare name or a relative path given in a console names a file of the
    // current folder; the list must be built from that folder.
    const Path path = FullPathOf(CommandLinePicturePath());
    if (!path.empty()) {
        forms::SetData(Ctl::PictureView, prop::Picture, StartPictureBytes(path));
        startPictureWrite = forms::LastAttributeWrite(Ctl::PictureView);
        ShowTitleFor(path);
        StartupMark("picture read");
        MeasureShownPicture();
        StartupMark("picture measured");
        ScanFolder(path);
        StartupMark("folder scanned");
        // The scan lets messages through: the window may have been closed.
        if (forms::StartWindowClosed()) return;
        SizeStartWindow();
    } else {
        ScanFolder(L"");
        if (forms::StartWindowClosed()) return;
        if (HasCurrentPicture()) ShowTitleFor(CurrentPicturePath());
    }
    FitPictureToWindow();
    UpdateZoomLabel();
}

}  // namespace

void OnMainWindowCreated() {
    StartupMark("window built");
    LayOutStartPicture();
    // The layout lets messages through: the window may have been closed.
    if (forms::StartWindowClosed()) return;
    forms::UpdateNow(Ctl::MainWindow);
    forms::UpdateNow(Ctl::SkinFrame);
    StartupMark("fitted");
    PrepareNeighboursOnceShown();
}

void OnPictureUndecodable() {
    // Laid out again as a picture that measured 0 from the start: the start
    // picture's window sized for none, any other in the window as it stands.
    const view::FrameHold hold;
    MarkShownPictureUndecodable();
    MeasureShownPicture();
    if (ShowsStartPicture() && !InFullScreen()) SizeStartWindow();
    FitPictureToWindow();
}

void OnMainWindowSizeChanged() {
    if (WindowTookPlannedPlace()) return;
    if (InFullScreen()) {
        // The window covers its monitor: none of its own size rules apply,
        // the picture is fitted to it.
        MeasureShownPicture();
        if (!forms::ProcessPendingMessages()) return;
        FitPictureToWindow();
        return;
    }
    const int sw = ScreenWidth(), sh = ScreenHeight();
    if (forms::GetInt(Ctl::MainWindow, prop::Width) > sw) {
        forms::SetInt(Ctl::MainWindow, prop::Width, sw);
        forms::SetInt(Ctl::MainWindow, prop::Left, 0);
    }
    if (forms::GetInt(Ctl::MainWindow, prop::Height) > sh) {
        forms::SetInt(Ctl::MainWindow, prop::Height, sh);
        forms::SetInt(Ctl::MainWindow, prop::Top, 0);
    }
    const bool fullScreen = forms::GetInt(Ctl::MainWindow, prop::Height) == sh &&
                            forms::GetInt(Ctl::MainWindow, prop::Width) == sw;
    forms::SetInt(Ctl::MainWindow, prop::AlwaysOnTop, fullScreen ? 1 : 0);
    MeasureShownPicture();
    if (!forms::ProcessPendingMessages()) return;
    FitPictureToWindow();
    if (!forms::ProcessPendingMessages()) return;
    const int toolbarWidth = forms::GetInt(Ctl::Toolbar, prop::Width);
    if (forms::GetInt(Ctl::MainWindow, prop::Width) < toolbarWidth) {
        forms::SetInt(Ctl::MainWindow, prop::Width, toolbarWidth);
    }
}

namespace {

// Ctrl with a letter: the open dialog, a saved copy, the clipboard. True
// when the key is one of them.
bool RunControlKey(int virtualKey) {
    switch (virtualKey) {
        case 'O': OpenPictureWithDialog(); return true;
        case 'S': SavePictureAs(); return true;
        case 'C': CopyShownPicture(); return true;
        default: return false;
    }
}

}  // namespace

void OnMainWindowKeyReleased(int virtualKey, int modifiers) {
    if ((modifiers & forms::modifier::Ctrl) && RunControlKey(virtualKey)) return;
    // Any other key acts alike with or without modifiers (Ctrl+Right is Right).
    switch (virtualKey) {
        case VK_LEFT:
        case VK_PRIOR:
        case VK_BACK: ShowPreviousPicture(); break;
        case VK_RIGHT:
        case VK_NEXT:
        case VK_SPACE: ShowNextPicture(); break;
        case VK_HOME: ShowFirstPicture(); break;
        case VK_END: ShowLastPicture(); break;
        case VK_DELETE: DeleteAndMoveOn(); break;
        case VK_UP:
        case VK_ADD:
        case VK_OEM_PLUS: ZoomIn(); break;
        case VK_DOWN:
        case VK_OEM_MINUS: ZoomOut(); break;
        case VK_F11:
        case VK_RETURN: ToggleFullScreen(); break;
        case VK_F5: OnSlideshowKeyReleased(); break;
        case VK_ESCAPE:
            // Full screen is left first; from the window Esc ends the program.
            if (InFullScreen()) {
                LeaveFullScreen();
                break;
            }
            OnCloseClicked();
        default: break;
    }
}

void OnSideButtonReleased(int button) {
    if (button == 1) ShowPreviousPicture();
    if (button == 2) ShowNextPicture();
}

void ShowContextMenu() {
    POINT cursor{};
    GetCursorPos(&cursor);
    forms::PopupMenuAt(Ctl::ContextMenu, cursor.x + 3, cursor.y + 3, Ctl::MainWindow);
}

void OnMinimizeClicked() { forms::SetInt(Ctl::MainWindow, prop::WindowState, forms::window_state::Minimized); }

void OnMaximizeClicked() {
    using namespace forms::window_state;
    // In full screen the button (shown while the chrome is) goes back to the window.
    if (InFullScreen()) {
        LeaveFullScreen();
        return;
    }
    switch (forms::GetInt(Ctl::MainWindow, prop::WindowState)) {
        case Normal: forms::SetInt(Ctl::MainWindow, prop::WindowState, Maximized); break;
        case Maximized: forms::SetInt(Ctl::MainWindow, prop::WindowState, Normal); break;
        default: break;  // minimized: left alone
    }
}

void OnCloseClicked() { runtime::EndProgram(0); }

void OnSettingsClicked() { forms::ShowModal(forms::Form::AssociationWindow); }

}  // namespace vela
