// Child program for the form layer's fatal paths; the first argument picks
// one. Each path should end the program with -1 after its box; returning 0
// means the program went on where it should have stopped.
#include <windows.h>

#include <cstring>

#include "forms/form_state.h"
#include "forms/forms.h"
#include "skin/engine.h"

using namespace vela::forms;

namespace {

const char* g_mode = "";

int OnCreated(const EventArgs&) {
    DestroyWindow(NativeWindow(Ctl::PngCheck));
    if (std::strcmp(g_mode, "read") == 0) GetInt(Ctl::PngCheck, prop::Checked);
    if (std::strcmp(g_mode, "write") == 0) SetInt(Ctl::PngCheck, prop::Checked, 1);
    return 0;
}

constexpr EventBinding kEvents[] = {{Ctl::AssociationWindow, ev::Created, OnCreated}};

LRESULT CALLBACK RefuseCreation(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) return FALSE;
    return DefWindowProcA(w, m, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    g_mode = argv[1];
    if (std::strcmp(g_mode, "unloaded") == 0) {
        GetInt(Ctl::PngCheck, prop::Checked);
    } else if (std::strcmp(g_mode, "read") == 0 || std::strcmp(g_mode, "write") == 0) {
        BindEvents(Form::AssociationWindow, kEvents);
        ShowModal(Form::AssociationWindow);
    } else if (std::strcmp(g_mode, "startfail") == 0) {
        // The form windows' class is taken first by one that refuses every window.
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RefuseCreation;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = detail::kFormWindowClass;
        RegisterClassExW(&wc);
        vela::skin::UseEngineModule(nullptr);
        LoadMainWindow();
    } else if (std::strcmp(g_mode, "noengine") == 0) {
        vela::skin::UseEngineModule(nullptr);
        LoadMainWindow();
        RunMessageLoop();
    }
    return 0;
}
