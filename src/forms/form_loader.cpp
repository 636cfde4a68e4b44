// Building the forms' windows and controls from their tables, and the
// lifetime of a built form.
#include <windows.h>

#include "runtime/exit.h"
#include "forms/form_state.h"
#include "runtime/message_box.h"
#include "util/centring.h"
#include "skin/engine.h"
#include "skin/skinned_control.h"

namespace vela::forms {
namespace detail {
namespace {

FormState g_main;
FormState g_association;
bool g_classRegistered = false;
bool g_startWindowClosed = false;

void RegisterFormClass() {
    if (g_classRegistered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FormWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormWindowClass;
    g_classRegistered = RegisterClassExW(&wc) != 0;
}

// The skinned layer reports for the engine: the form layer's handle for a
// skinned control is its host window, so there is nothing to release.
void* WrapHost(HWND host) { return host; }
void ReleaseWrapper(void*) {}
void ReportDestroyed(int formId, int controlId) {
    Ctl control = static_cast<Ctl>(controlId);
    if (static_cast<int>(FormOf(control)) != formId) return;
    if (ControlState* s = FindState(control)) {
        s->exists = false;
        s->hwnd = nullptr;
    }
}
int RaiseFromEngine(int formId, int controlId, int event, int count, const int* args) {
    Ctl control = static_cast<Ctl>(controlId);
    if (static_cast<int>(FormOf(control)) != formId || !FindState(control)) return 0;
    return RaiseEvent(control, event, count, args);
}

void InstallSkinHooks() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    skin::FormLayerHooks hooks;
    hooks.wrapHost = WrapHost;
    hooks.reportDestroyed = ReportDestroyed;
    hooks.releaseWrapper = ReleaseWrapper;
    hooks.raiseEvent = RaiseFromEngine;
    skin::SetFormLayerHooks(hooks);
}

skin::SkinType SkinTypeOf(ControlType type) {
    switch (type) {
        case ControlType::WindowEx: return skin::SkinType::WindowEx;
        case ControlType::MinutesboxEx: return skin::SkinType::MinutesboxEx;
        case ControlType::PictureBoxEx: return skin::SkinType::PictureBoxEx;
        case ControlType::ButtonEx: return skin::SkinType::ButtonEx;
        default: return skin::SkinType::SuperbuttonEx;
    }
}

// The stored skin of a control, a resource named after the control; null
// when the program has none (the engine then draws plain defaults).
const void* PropertyPack(const char* identifier, std::size_t* length) {
    *length = 0;
    HRSRC r = FindResourceA(nullptr, identifier, RT_RCDATA);
    if (!r) return nullptr;
    HGLOBAL g = LoadResource(nullptr, r);
    if (!g) return nullptr;
    *length = SizeofResource(nullptr, r);
    return LockResource(g);
}

HMENU BuildMenu(const FormDef& def, FormState& st) {
    if (def.menu.empty()) return nullptr;
    HMENU bar = CreateMenu();
    ControlState* top = nullptr;
    for (const MenuItemDef& m : def.menu) {
        ControlState& s = st.controls[m.id];
        s.exists = true;
        s.visible = true;
        if (m.level == 0) {
            s.popup = CreatePopupMenu();
            AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(s.popup), WideFromGb18030(m.text).c_str());
            top = &s;
        } else if (top) {
            AppendMenuW(top->popup, MF_STRING, static_cast<UINT_PTR>(m.id), WideFromGb18030(m.text).c_str());
        }
    }
    return bar;
}

HWND CreateStandardControl(const ControlDef& c, const ControlState& s, HWND parent) {
    DWORD style = WS_CHILD | WS_TABSTOP | (c.visible ? WS_VISIBLE : 0);
    style |= c.type == ControlType::CheckBox ? BS_AUTOCHECKBOX : BS_PUSHBUTTON;
    const std::wstring caption = WideFromGb18030(c.caption ? c.caption : "");
    HWND h = CreateWindowExW(0, L"BUTTON", caption.c_str(), style, s.left, s.top, s.width, s.height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), GetModuleHandleW(nullptr), nullptr);
    if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return h;
}

// Builds one control; false when it cannot be built.
bool BuildControl(Form form, const ControlDef& c, FormState& st) {
    ControlState& s = st.controls[c.id];
    const RECT at = ScaledRect(c.left, c.top, c.width, c.height, st.dpi);
    s.left = at.left;
    s.top = at.top;
    s.width = at.right - at.left;
    s.height = at.bottom - at.top;
    s.visible = c.visible;
    if (c.type == ControlType::CommonDlg) {
        s.exists = true;
        return true;
    }
    HWND parent = st.window;
    if (c.parent != kNoParent) {
        ControlState* p = FindState(c.parent);
        if (!p || !p->hwnd) return false;
        parent = p->hwnd;
    }
    if (IsSkinned(c.type)) {
        skin::SkinnedControlParams params;
        params.pack = PropertyPack(c.identifier, &params.packLength);
        params.style = c.visible ? WS_VISIBLE : 0;
        params.parent = parent;
        params.controlId = static_cast<int>(c.id);
        params.left = s.left;
        params.top = s.top;
        params.width = s.width;
        params.height = s.height;
        params.formId = static_cast<int>(form);
        s.hwnd = skin::CreateSkinnedControl(SkinTypeOf(c.type), params);
    } else {
        s.hwnd = CreateStandardControl(c, s, parent);
    }
    s.exists = s.hwnd != nullptr;
    return s.exists;
}

}  // namespace

FormState& StateOf(Form form) { return form == Form::AssociationWindow ? g_association : g_main; }

ControlState* FindState(Ctl control) {
    FormState& st = StateOf(FormOf(control));
    auto it = st.controls.find(control);
    return it == st.controls.end() ? nullptr : &it->second;
}

Ctl WindowControlOf(Form form) { return form == Form::AssociationWindow ? Ctl::AssociationWindow : Ctl::MainWindow; }

FormState* FormOfWindow(HWND window, Form* form) {
    for (Form f : {Form::MainWindow, Form::AssociationWindow}) {
        FormState& st = StateOf(f);
        if (st.loaded && window && st.window == window) {
            if (form) *form = f;
            return &st;
        }
    }
    return nullptr;
}

bool AnyFormLoaded() { return g_main.loaded || g_association.loaded; }

void RuntimeError(const char* text) {
    runtime::ShowMessageBox(text, "", MB_OK | MB_ICONERROR);
    runtime::EndProgram(-1);
}

bool LoadForm(Form form, HWND owner) {
    const FormDef& def = FormDefOf(form);
    FormState& st = StateOf(form);
    // A copy: should the window fail to build, the next attempt still needs
    // the handlers.
    const std::vector<EventBinding> bindings = std::move(st.bindings);
    st = FormState{};
    st.bindings = bindings;
    st.loaded = true;
    RegisterFormClass();
    InstallSkinHooks();

    const WindowDef& w = def.window;
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPSIBLINGS;  // fixed single border with a caption
    if (w.systemMenu) style |= WS_SYSMENU;
    if (w.minimizeBox) style |= WS_MINIMIZEBOX;
    if (w.maximizeBox) style |= WS_MAXIMIZEBOX;
    DWORD exStyle = (w.shownInTaskbar ? WS_EX_APPWINDOW : 0) | (w.topmost ? WS_EX_TOPMOST : 0);
    st.dpi = SystemDpi();
    const int width = AtDpi(w.width, st.dpi), height = AtDpi(w.height, st.dpi);
    int left = AtDpi(w.left, st.dpi), top = AtDpi(w.top, st.dpi);
    if (w.state == window_state::CentredOnScreen) {
        const ScreenPlace place = CentredOnScreen(width, height);
        left = place.left;
        top = place.top;
    }
    ControlState& ws = st.controls[w.id];
    ws.visible = w.visible;
    // The window procedure learns its form from the creation parameter.
    static Form creating;
    creating = form;
    const std::wstring caption = WideFromGb18030(w.caption ? w.caption : "");
    HWND window = CreateWindowExW(exStyle, kFormWindowClass, caption.c_str(), style, left, top, width, height, owner,
                                  nullptr, GetModuleHandleW(nullptr), &creating);
    if (!window) {
        st = FormState{};
        st.bindings = bindings;
        return false;
    }
    st.window = window;
    ws.hwnd = window;
    ws.exists = true;

    bool built = true;
    for (const ControlDef& c : def.controls) {
        if (c.type == ControlType::CommonDlg) {
            BuildControl(form, c, st);
            st.menu = BuildMenu(def, st);  // the menu comes right after the file dialog
            continue;
        }
        if (!BuildControl(form, c, st)) {
            built = false;
            break;
        }
    }
    if (!st.menu) st.menu = BuildMenu(def, st);
    if (!built) {
        if (!skin::EngineAvailable()) {
            for (const ControlDef& c : def.controls) {
                // The engine warning has been shown; no skinned form can be
                // completed without the engine, so the program ends here
                // without a second box.
                if (IsSkinned(c.type)) runtime::EndProgram(-1);
            }
        }
        DestroyWindow(window);
        return false;
    }
    if (w.visible) {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    st.ready = true;
    RaiseCreatedEvent(form);
    return true;
}

// Called by the window procedure when a form's window is destroyed.
void FormWindowDestroyed(Form form) {
    FormState& st = StateOf(form);
    // The built start window going is the end of the program, whether its
    // close came to the message loop or into a handler's message processing.
    if (form == Form::MainWindow && st.ready) g_startWindowClosed = true;
    if (st.menu) DestroyMenu(st.menu);  // the popups go with it
    std::vector<EventBinding> bindings = std::move(st.bindings);
    st = FormState{};
    st.bindings = std::move(bindings);
    // Wakes the message loop, which ends once no form is left.
    if (!AnyFormLoaded()) PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

}  // namespace detail

using namespace detail;

void LoadMainWindow() {
    if (g_main.loaded) return;
    skin::EngineLoader();
    if (!LoadForm(Form::MainWindow, nullptr)) RuntimeError("载入启动窗口失败");
}

void ShowModal(Form form) {
    if (form != Form::AssociationWindow || g_association.loaded) return;
    HWND main = g_main.loaded ? g_main.window : nullptr;
    if (!LoadForm(form, main)) return;
    HWND window = g_association.window;
    // The created handler may have closed it already.
    if (!IsWindow(window)) return;
    // A window its handler left hidden could never be closed by the user:
    // waiting for it would hang the program.
    if (!(GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE)) {
        DestroyWindow(window);
        return;
    }
    if (main) EnableWindow(main, FALSE);
    MSG msg;
    while (IsWindow(window)) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (r == -1) break;
        RouteAndDispatch(msg);
    }
    if (main && IsWindow(main)) {
        EnableWindow(main, TRUE);
        SetActiveWindow(main);
    }
}

bool IsLoaded(Form form) { return StateOf(form).loaded; }

bool StartWindowClosed() { return g_startWindowClosed; }

HWND NativeWindow(Ctl control) {
    ControlState* s = FindState(control);
    return s && s->exists ? s->hwnd : nullptr;
}

void UpdateNow(Ctl control) {
    if (HWND h = NativeWindow(control)) UpdateWindow(h);
}

}  // namespace vela::forms
