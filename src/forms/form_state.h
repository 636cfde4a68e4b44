#pragma once
// What the form layer keeps of a built form: the window, each control's
// window or stored values, and the form's event table. Shared by the loader,
// the property access, the event dispatch and the message loop.
#include <windows.h>

#include <map>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/form_data.h"
#include "forms/forms.h"

namespace vela::forms::detail {

// The class of the form windows (public so that a test can take the name
// first and see the start-up window fail).
// A Unicode window class: the titles, captions and menu texts set on its
// windows reach the platform as UTF-16, never through the ANSI code page.
inline constexpr wchar_t kFormWindowClass[] = L"VelaFormWindow";

struct ControlState {
    HWND hwnd = nullptr;   // window-backed controls; null for CommonDlg and menu items
    HMENU popup = nullptr; // a level-0 menu entry: the popup of its items
    bool exists = false;   // created and not yet destroyed
    std::string tag;
    int cursor = 0;
    // Kept here for controls without a window.
    int left = 0, top = 0, width = 0, height = 0;
    // A child window's place written while its form's placements are held;
    // its window is moved there when the hold ends.
    bool placeHeld = false;
    RECT heldPlace{};
    // The form window laid out ahead for a place it has not taken yet
    // (screen); read as its place until the window is there.
    bool placeAhead = false;
    RECT aheadPlace{};
    // The process-wide number of the last write of one of the engine's
    // attributes of this control; 0 for none.
    std::uint64_t lastAttributeWrite = 0;
    bool visible = false, disabled = false;
    int dialogType = 0;
    std::wstring fileName;
};

struct FormState {
    bool loaded = false;  // being built or built, and its window not destroyed
    bool ready = false;   // all controls exist: window events are raised
    HWND window = nullptr;
    HMENU menu = nullptr;
    int dpi = 96;  // the display scaling the controls are laid out for
    int placementHolds = 0;  // nested HoldChildPlacements not yet ended
    std::map<Ctl, ControlState> controls;  // the window itself included
    std::vector<EventBinding> bindings;
};

FormState& StateOf(Form form);
ControlState* FindState(Ctl control);
Ctl WindowControlOf(Form form);
// The form whose window is `window`, or null.
FormState* FormOfWindow(HWND window, Form* form = nullptr);
bool AnyFormLoaded();

// Raises an event on a control; the bound handler's result, 0 when none.
int RaiseEvent(Ctl control, int event, int count = 0, const int* args = nullptr);
// Raises a form's created event. For the start window, input that arrives
// while its created handler runs (keys, clicks, wheel and mouse events let
// through by the handler's message processing) is held and raised once the
// handler has returned, so it acts on the finished window, not on one still
// being measured and sized.
void RaiseCreatedEvent(Form form);
// Modifier bits from the keyboard state (key: the key of a key event, or 0).
int CurrentModifierBits(int virtualKey = 0);

// Builds a form's window and controls and raises its created event; false
// when the window or one of its controls could not be built (the partly
// built window is gone then).
bool LoadForm(Form form, HWND owner);
// Forgets a form whose window is being destroyed.
void FormWindowDestroyed(Form form);
// AfterQueuedMessages' work waits here, in the order asked; each of its
// messages runs the oldest. The message carries nothing: another process can
// post it too, and then at worst runs this work early.
UINT QueuedWorkMessage();
bool QueueWork(void (*work)());  // false without memory for it
void (*TakeQueuedWork())();      // the oldest work, null when none
// The form's window procedure.
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Routes a message taken from the queue to the form events it stands for
// (keys of any descendant to its form window, right-button release to
// MainWindow), then translates and dispatches it.
void RouteAndDispatch(const MSG& msg);
// Display scaling (form_dpi.cpp). The dots per inch a new window is built
// for, and a design length at a given dpi, rounded.
int SystemDpi();
int AtDpi(int length, int dpi);
// A control's design rectangle at a dpi: its edges are scaled, so that
// neighbours that touch at 100 % touch at every scaling.
RECT ScaledRect(int left, int top, int width, int height, int dpi);
// WM_DPICHANGED: the controls follow the new scaling (the picture keeps its
// pixels), then the window takes the suggested rectangle and lays itself out.
void FollowDpiChange(Form form, int dpi, const RECT& suggested);

// Stops the program with the run-time error box and exit code -1.
[[noreturn]] void RuntimeError(const char* text);

}  // namespace vela::forms::detail
