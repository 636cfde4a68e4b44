#pragma once
// The form layer's interface: windows built from the forms of src/forms,
// their controls addressed by control and property number, and their events
// routed to the handlers bound to them. Defined in runtime/form_*.cpp and
// runtime/message_loop.cpp.
#include <windows.h>

#include <cstdint>

#include <span>

#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela::forms {

enum class Form { MainWindow = 1, AssociationWindow = 2 };

// Every control of both forms, the windows and menu items included. The
// number is unique across the forms; FormOf (forms/form_data.h) tells which
// form holds it.
enum class Ctl : int {
    // MainWindow, in creation order.
    MainWindow = 100,
    FileDialog,
    SettingsButton,
    MinimizeButton,
    MaximizeButton,
    CloseButton,
    PreviousButton,
    NextButton,
    Toolbar,
    RotateButton,
    DeleteButton,
    SaveButton,
    ZoomOutButton,
    ZoomRatioButton,
    ZoomInButton,
    PictureView,
    SkinFrame,
    ContextMenu,
    OpenPictureItem,
    LocateFileItem,
    PictureInfoItem,
    // AssociationWindow, in creation order.
    AssociationWindow = 200,
    UnassociateButton,
    AssociateButton,
    SelectAllCheck,
    IcoCheck,
    GifCheck,
    BmpCheck,
    JpgCheck,
    PngCheck,
};

// Property numbers.
namespace prop {
inline constexpr int Left = 0, Top = 1, Width = 2, Height = 3, Tag = 4, Visible = 5, Disabled = 6, Cursor = 7;
inline constexpr int WindowCaption = 8, WindowState = 18, AlwaysOnTop = 29;  // window
inline constexpr int Checked = 18;                                           // CheckBox
inline constexpr int DialogType = 8, DialogFileName = 10;                    // CommonDlg
inline constexpr int FrameTitle = 26, FrameHint = 29, FrameFullScreen = 30, FrameChromeOpacity = 31;  // WindowEx
inline constexpr int Picture = 16, PictureFirstPlay = 25;                    // PictureBoxEx
inline constexpr int Caption = 25;                                           // SuperbuttonEx
}  // namespace prop

// Values of the window's WindowState property.
namespace window_state {
inline constexpr int Normal = 0, CentredOnScreen = 1, Minimized = 2, Maximized = 3;
}  // namespace window_state

// Event numbers.
namespace ev {
inline constexpr int Created = 0, SizeChanged = 4;                                         // window
inline constexpr int Clicked = 0;                                                          // buttons, menu items
inline constexpr int LeftDown = -1, LeftUp = -2, DoubleClick = -3, RightDown = -4, RightUp = -5, MouseMove = -6,
                     KeyDown = -9, KeyUp = -10, Char = -11, Wheel = -12;                   // standard
// A side button of the mouse released over the window or any of its
// controls; argument 1: 1 for the back button (XBUTTON1), 2 for forward.
inline constexpr int XButtonUp = -13;
inline constexpr int PictureLeftDown = 2, PictureLeftUp = 4, PictureMouseMove = 8, PictureWheel = 10,
                     PictureUndecodable = 12;  // PictureBoxEx
}  // namespace ev

// The modifier bits that key events carry as their second argument and
// mouse events as their third.
namespace modifier {
inline constexpr int Ctrl = 1, Shift = 2, Alt = 4;
}  // namespace modifier

struct EventArgs {
    Ctl control;
    int event;
    int count;
    int arg[4];
};
// Where an event's arguments carry what: the picture box's wheel event
// reports its distance third (after the cursor's x and y).
inline constexpr int kPictureWheelDistanceArg = 2;
using EventHandler = int (*)(const EventArgs& args);

struct EventBinding {
    Ctl control;
    int event;
    EventHandler handler;
};

// The event table of a form; set before the form is built.
void BindEvents(Form form, std::span<const EventBinding> bindings);

// Builds MainWindow from its form and shows it; raises its created event
// once all controls exist. A window that cannot be built is fatal.
void LoadMainWindow();
// Builds AssociationWindow anew as a modal window and returns when it is
// closed (its controls are gone then).
void ShowModal(Form form);
bool IsLoaded(Form form);
// True once MainWindow, after it was built, has been destroyed (closed by the
// user, the taskbar or a shutdown): the program is ending. From then on no
// event is raised and no message is let through; a handler that was in the
// middle of its work stops, and if it still touches a control the program
// ends there as after the close button, with exit code 0.
bool StartWindowClosed();

// Property access. Integers and booleans share GetInt/SetInt; texts and data
// blocks have their own calls. A control whose window is not loaded stops the
// program with the run-time error box and exit code -1.
// Display scaling: the dots per inch of the monitor the main window is on
// (96 before it exists: then the system's setting), and a length of the
// 100 % design at that scaling, rounded. The controls' places and sizes, the
// window's smallest size and the layout margins follow it; the picture's own
// pixels do not.
int Dpi();
int Scaled(int length);
double Scaled(double length);

int GetInt(Ctl control, int property);
void SetInt(Ctl control, int property, int value);
Text GetText(Ctl control, int property);
void SetText(Ctl control, int property, std::string_view value);
Bytes GetData(Ctl control, int property);
// The engine's own block, not a copy: valid until the property is written
// again or the control is destroyed, so only for a reader that lets no
// message through meanwhile.
ByteView PeekData(Ctl control, int property);
void SetData(Ctl control, int property, const Bytes& value);
// The number (counted over the process, never reused) of the last write of
// any of the control's engine attributes, 0 for none. The engine replaces a
// block on a write and never changes one in place: while this number
// stands, the control's block read again at the same place is the same
// bytes.
std::uint64_t LastAttributeWrite(Ctl control);

// While a layout is under way, the places and sizes written to MainWindow's
// child controls are kept by the form layer and read back from it, and each
// control's window is moved once, to its last place, when the outermost hold
// ends: a layout pass writes every place again, and each move of a window
// costs a round trip to the window system. The picture view is always placed
// when it was written, even where it already is (its engine takes that as
// the end of its layout). The window's own place and size are never held:
// their writes raise its size-changed event.
void HoldChildPlacements();
void PlaceHeldChildren();
// MainWindow laid out for a place (screen) it takes later in one step with
// its next frame (the engine moves it): until it is there, its left, top,
// width and height read as that place. Forget: the window's own place again.
void LayOutMainWindowFor(const RECT& place);
void ForgetMainWindowPlaceAhead();

// CommonDlg show: 1 when the user chose a file, 0 when cancelled.
int ShowFileDialog(Ctl dialog);
// A CommonDlg's file name as the platform's path (UTF-16, any length): the
// name the dialog starts with, and the one chosen. Its DialogFileName text
// is the same name as a GBK/GB18030 text.
Path DialogPath(Ctl dialog);
void SetDialogPath(Ctl dialog, PathView path);
// Pops up a level-0 menu's items at screen point (x, y), tracking the right
// button, owned by the given window control; a chosen item raises its click.
void PopupMenuAt(Ctl menu, int x, int y, Ctl owner);
HWND NativeWindow(Ctl control);
// Redraws a window's invalid area at once.
void UpdateNow(Ctl control);

// Told of every key press, mouse button press and wheel turn the user
// gives a window of the program, as it is taken from the queue and before
// it is routed: a key's released event, which does its work, comes later.
// virtualKey: the key pressed, 0 for the mouse. One watcher; null for none.
using InputWatcher = void (*)(int virtualKey);
void WatchUserInput(InputWatcher watcher);

// Runs `work` on this thread once the messages queued so far have been
// handled (a frame the engine was asked to compose among them), from the
// message loop or a later ProcessPendingMessages; at once when MainWindow is
// not there to queue it. Dropped if the window goes first.
void AfterQueuedMessages(void (*work)());
// Removes, translates and dispatches every queued message of the thread.
// False when the start window has been closed meanwhile (or before): the
// caller stops its work without touching the controls.
bool ProcessPendingMessages();
// Runs until no window of the program is left; returns the loop's exit code.
int RunMessageLoop();

}  // namespace vela::forms
