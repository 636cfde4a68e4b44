// The event tables of the forms and the raising of events, including those
// that the skinned control layer reports for the engine.
#include <windows.h>

#include "forms/standard_properties.h"
#include "runtime/form_state.h"

namespace vela::forms {

void BindEvents(Form form, std::span<const EventBinding> bindings) {
    detail::StateOf(form).bindings.assign(bindings.begin(), bindings.end());
}

namespace detail {

int RaiseEvent(Ctl control, int event, int count, const int* args) {
    // Once the start window is gone, what is still on its way (keys, clicks,
    // the engine's completions) has no window left to act on.
    if (StartWindowClosed()) return 0;
    // Copied: a handler may bind anew while it runs.
    EventHandler handler = nullptr;
    for (const EventBinding& b : StateOf(FormOf(control)).bindings) {
        if (b.control == control && b.event == event) {
            handler = b.handler;
            break;
        }
    }
    if (!handler) return 0;
    EventArgs a{control, event, 0, {0, 0, 0, 0}};
    if (count < 0) count = 0;
    if (count > 4) count = 4;
    a.count = count;
    for (int i = 0; i < count; ++i) a.arg[i] = args[i];
    return handler(a);
}

int CurrentModifierBits(int virtualKey) {
    return ModifierBits(GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0,
                        virtualKey);
}

}  // namespace detail
}  // namespace vela::forms
