// The message loop: every message taken from the queue passes the routing
// that turns keys and right-button releases of any child into events of the
// form window, whichever child holds the focus.
#include <windows.h>
#include <windowsx.h>

#include "forms/standard_properties.h"
#include "runtime/exit.h"
#include "forms/form_state.h"

namespace vela::forms {
namespace detail {
namespace {

// The form whose window is `hwnd` or an ancestor of it.
FormState* EnclosingForm(HWND hwnd, Form* form) {
    if (!hwnd) return nullptr;
    return FormOfWindow(GetAncestor(hwnd, GA_ROOT), form);
}

void RouteKey(const MSG& msg) {
    Form form{};
    FormState* st = EnclosingForm(msg.hwnd, &form);
    if (!st || !st->ready) return;
    HWND window = st->window;
    int key = static_cast<int>(msg.wParam);
    bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    int args[2] = {ReportedKeyCode(key), CurrentModifierBits(key)};
    RaiseEvent(WindowControlOf(form), down ? ev::KeyDown : ev::KeyUp, 2, args);
    if (down && key == VK_ESCAPE && FormDefOf(form).window.escCloses && IsWindow(window)) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

void RouteRightButtonUp(const MSG& msg) {
    Form form{};
    FormState* st = EnclosingForm(msg.hwnd, &form);
    if (!st || !st->ready) return;
    POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    MapWindowPoints(msg.hwnd, st->window, &p, 1);
    int args[3] = {p.x, p.y, MouseModifierBits(static_cast<unsigned>(msg.wParam))};
    RaiseEvent(WindowControlOf(form), ev::RightUp, 3, args);
}

void RouteChar(const MSG& msg) {
    Form form{};
    FormState* st = EnclosingForm(msg.hwnd, &form);
    if (!st || !st->ready) return;
    int args[1] = {static_cast<int>(msg.wParam)};
    RaiseEvent(WindowControlOf(form), ev::Char, 1, args);
}

// A double-click on a child control (the picture) is raised on that
// control; the form window's own is raised by its window procedure.
void RouteDoubleClick(const MSG& msg) {
    Form form{};
    FormState* st = EnclosingForm(msg.hwnd, &form);
    if (!st || !st->ready || msg.hwnd == st->window) return;
    for (const auto& [control, state] : st->controls) {
        if (state.hwnd != msg.hwnd) continue;
        int args[3] = {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam),
                       MouseModifierBits(static_cast<unsigned>(msg.wParam))};
        RaiseEvent(control, ev::DoubleClick, 3, args);
        return;
    }
}

// The mouse's back and forward buttons act on the window whichever control
// is under the cursor.
void RouteSideButtonUp(const MSG& msg) {
    Form form{};
    FormState* st = EnclosingForm(msg.hwnd, &form);
    if (!st || !st->ready) return;
    const WORD which = GET_XBUTTON_WPARAM(msg.wParam);
    if (which != XBUTTON1 && which != XBUTTON2) return;
    int args[1] = {which == XBUTTON1 ? 1 : 2};
    RaiseEvent(WindowControlOf(form), ev::XButtonUp, 1, args);
}

InputWatcher inputWatcher = nullptr;

// A press of a key (not its auto-repeat), of a mouse button, or a wheel turn
// over a window of one of the forms.
void TellInputWatcher(const MSG& msg) {
    if (!inputWatcher || !EnclosingForm(msg.hwnd, nullptr)) return;
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (!(msg.lParam & (1L << 30))) inputWatcher(static_cast<int>(msg.wParam));
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
        case WM_MOUSEWHEEL:
            inputWatcher(0);
            break;
        default:
            break;
    }
}

}  // namespace

void RouteAndDispatch(const MSG& msg) {
    TellInputWatcher(msg);
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            RouteKey(msg);
            break;
        case WM_CHAR:
            RouteChar(msg);
            break;
        case WM_RBUTTONUP:
            RouteRightButtonUp(msg);
            break;
        case WM_LBUTTONDBLCLK:
            RouteDoubleClick(msg);
            break;
        case WM_XBUTTONUP:
            RouteSideButtonUp(msg);
            break;
        default:
            break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

}  // namespace detail

void WatchUserInput(InputWatcher watcher) { detail::inputWatcher = watcher; }

void AfterQueuedMessages(void (*work)()) {
    if (!work) return;
    const detail::FormState& main = detail::StateOf(Form::MainWindow);
    if (!main.loaded || !IsWindow(main.window) || !detail::QueueWork(work)) {
        work();
        return;
    }
    if (PostMessageA(main.window, detail::QueuedWorkMessage(), 0, 0)) return;
    // Not posted (a full queue): what waits would wait for a message that
    // never comes, so all of it runs now, in order.
    while (void (*next)() = detail::TakeQueuedWork()) next();
}

bool ProcessPendingMessages() {
    MSG msg;
    // Nothing more is dispatched once the start window has gone inside this
    // call: the messages left would only reach windows that are no more.
    while (!StartWindowClosed() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the loop that waits for it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        detail::RouteAndDispatch(msg);
    }
    return !StartWindowClosed();
}

int RunMessageLoop() {
    int code = 0;
    MSG msg;
    while (detail::AnyFormLoaded()) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == -1) break;
        if (r == 0) {
            code = static_cast<int>(msg.wParam);
            continue;  // the loop ends with the last window, not before
        }
        detail::RouteAndDispatch(msg);
    }
    runtime::RunExitRoutine();
    return code;
}

}  // namespace vela::forms
