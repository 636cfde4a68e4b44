// The window procedure of the form windows: the standard window events and
// the clicks of the standard controls and menu items.
#include <windows.h>
#include <windowsx.h>

#include <deque>
#include <exception>

#include "forms/standard_properties.h"
#include "forms/form_state.h"

namespace vela::forms::detail {
namespace {

void RaiseMouse(Form form, int event, LPARAM pos, WPARAM keys) {
    int args[3] = {GET_X_LPARAM(pos), GET_Y_LPARAM(pos), MouseModifierBits(static_cast<unsigned>(keys))};
    RaiseEvent(WindowControlOf(form), event, 3, args);
}

std::deque<void (*)()> g_queuedWork;

}  // namespace

UINT QueuedWorkMessage() {
    static const UINT message = RegisterWindowMessageA("Vela.QueuedWork");
    return message;
}

bool QueueWork(void (*work)()) {
    try {
        g_queuedWork.push_back(work);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void (*TakeQueuedWork())() {
    if (g_queuedWork.empty()) return nullptr;
    void (*work)() = g_queuedWork.front();
    g_queuedWork.pop_front();
    return work;
}

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == QueuedWorkMessage() && message != 0) {
        if (void (*work)() = TakeQueuedWork()) work();
        return 0;
    }
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        Form form = *static_cast<Form*>(cs->lpCreateParams);
        StateOf(form).window = window;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    Form form{};
    FormState* st = FormOfWindow(window, &form);
    if (!st) return DefWindowProcW(window, message, wParam, lParam);
    bool ready = st->ready;
    switch (message) {
        case WM_SIZE:
            // Synchronous: a handler that writes the width meets its own
            // change at once.
            if (ready && wParam != SIZE_MINIMIZED) RaiseEvent(WindowControlOf(form), ev::SizeChanged);
            return 0;
        case WM_LBUTTONDOWN:
            if (ready) RaiseMouse(form, ev::LeftDown, lParam, wParam);
            return 0;
        case WM_LBUTTONUP:
            if (ready) RaiseMouse(form, ev::LeftUp, lParam, wParam);
            return 0;
        case WM_LBUTTONDBLCLK:
            if (ready) RaiseMouse(form, ev::DoubleClick, lParam, wParam);
            return 0;
        case WM_RBUTTONDOWN:
            if (ready) RaiseMouse(form, ev::RightDown, lParam, wParam);
            return 0;
        case WM_MOUSEMOVE:
            if (ready) RaiseMouse(form, ev::MouseMove, lParam, wParam);
            return 0;
        case WM_MOUSEWHEEL:
            if (ready) {
                int args[2] = {GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA, MouseModifierBits(GET_KEYSTATE_WPARAM(wParam))};
                RaiseEvent(WindowControlOf(form), ev::Wheel, 2, args);
            }
            return 0;
        case WM_COMMAND:
            // Clicks of the standard buttons and check boxes.
            if (ready && lParam && HIWORD(wParam) == BN_CLICKED) {
                Ctl control = static_cast<Ctl>(LOWORD(wParam));
                if (ControlState* s = FindState(control); s && s->hwnd == reinterpret_cast<HWND>(lParam)) {
                    RaiseEvent(control, ev::Clicked);
                }
            }
            return 0;
        case WM_DPICHANGED:
            // Another monitor's scaling (the manifest declares the viewer
            // aware of each monitor's): the chrome follows it.
            if (ready) {
                FollowDpiChange(form, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
                return 0;
            }
            break;
        case WM_CLOSE:
            if (form == Form::AssociationWindow && StateOf(Form::MainWindow).loaded) {
                // Re-enabled before the modal window goes, so that activation
                // returns to it.
                EnableWindow(StateOf(Form::MainWindow).window, TRUE);
            }
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            FormWindowDestroyed(form);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vela::forms::detail
