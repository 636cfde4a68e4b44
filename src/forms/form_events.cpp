// The event tables of the forms and the raising of events, including those
// that the skinned control layer reports for the engine.
#include <windows.h>

#include "forms/standard_properties.h"
#include "forms/form_state.h"

#include <vector>

namespace vela::forms {

void BindEvents(Form form, std::span<const EventBinding> bindings) {
    detail::StateOf(form).bindings.assign(bindings.begin(), bindings.end());
}

namespace detail {
namespace {

// Input held while the start window's created handler runs.
bool holdingInput = false;
std::vector<EventArgs> heldInput;
constexpr std::size_t kMaxHeldInput = 256;

bool IsInput(Ctl control, int event) {
    if (FormOf(control) != Form::MainWindow) return false;
    // The engine's word that the view's bytes hold no picture concerns the
    // bytes it holds now: held, it would run after a held key had written
    // others, and stand for those.
    if (event == ev::PictureUndecodable) return false;
    // The window's own created and size-changed events are the start-up's
    // work; its standard events (negative numbers) and every event of its
    // controls come from the user.
    return control != WindowControlOf(Form::MainWindow) || event < 0;
}

bool IsMove(int event) { return event == ev::MouseMove || event == ev::PictureMouseMove; }

void Hold(const EventArgs& a) {
    // A move only matters where it ends: consecutive moves keep the last.
    if (IsMove(a.event) && !heldInput.empty() && heldInput.back().control == a.control &&
        heldInput.back().event == a.event) {
        heldInput.back() = a;
        return;
    }
    if (heldInput.size() < kMaxHeldInput) heldInput.push_back(a);
}

int Dispatch(const EventArgs& a) {
    // Copied: a handler may bind anew while it runs.
    EventHandler handler = nullptr;
    for (const EventBinding& b : StateOf(FormOf(a.control)).bindings) {
        if (b.control == a.control && b.event == a.event) {
            handler = b.handler;
            break;
        }
    }
    return handler ? handler(a) : 0;
}

}  // namespace

void RaiseCreatedEvent(Form form) {
    const Ctl window = WindowControlOf(form);
    if (form != Form::MainWindow) {
        RaiseEvent(window, ev::Created);
        return;
    }
    holdingInput = true;
    RaiseEvent(window, ev::Created);
    holdingInput = false;
    std::vector<EventArgs> held;
    held.swap(heldInput);
    for (const EventArgs& a : held) {
        if (StartWindowClosed()) return;
        Dispatch(a);
    }
}

int RaiseEvent(Ctl control, int event, int count, const int* args) {
    // Once the start window is gone, what is still on its way (keys, clicks,
    // the engine's completions) has no window left to act on.
    if (StartWindowClosed()) return 0;
    EventArgs a{control, event, 0, {0, 0, 0, 0}};
    if (count < 0) count = 0;
    if (count > 4) count = 4;
    a.count = count;
    for (int i = 0; i < count; ++i) a.arg[i] = args[i];
    if (holdingInput && IsInput(control, event)) {
        Hold(a);
        return 0;
    }
    return Dispatch(a);
}

int CurrentModifierBits(int virtualKey) {
    return ModifierBits(GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0,
                        virtualKey);
}

}  // namespace detail
}  // namespace vela::forms
