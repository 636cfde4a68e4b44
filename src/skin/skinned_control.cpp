#include "skin/skinned_control.h"

#include <algorithm>
#include <cstdint>

#include "runtime/message_box.h"
#include "skin/engine.h"

namespace vela::skin {
namespace {

constexpr SkinTypeInfo kTypes[] = {
    // The window skin's host class is the ten characters "WindowEx" with its
    // double quotes: the quotes are part of the registered name.
    {SkinType::WindowEx, "\"WindowEx\"", 11},
    {SkinType::MinutesboxEx, "MinutesboxEx", 0},
    {SkinType::PictureBoxEx, "PictureBoxEx", 0},
    {SkinType::ButtonEx, "ButtonEx", 0},
    {SkinType::SuperbuttonEx, "SuperbuttonEx", 0},
};

bool g_registered[5] = {};
bool g_warned = false;
FormLayerHooks g_hooks;

ExuiHandle EngineHandleOf(HWND host) { return static_cast<ExuiHandle>(GetPropA(host, kPropControl)); }

LRESULT CALLBACK HostWindowProc(HWND host, UINT message, WPARAM wParam, LPARAM lParam) {
    const Engine& engine = CurrentEngine();
    switch (message) {
        case WM_MOVE:
            if (engine.ControPonintSizeSynchronise) engine.ControPonintSizeSynchronise(host, ENGINE_HOST_MOVED);
            break;
        case WM_SIZE:
            if (engine.ControPonintSizeSynchronise) engine.ControPonintSizeSynchronise(host, ENGINE_HOST_RESIZED);
            break;
        case WM_ERASEBKGND:
            return 1;  // the engine paints
        case WM_NCDESTROY: {
            SetPropA(host, kPropDestroying, reinterpret_cast<HANDLE>(1));
            ExuiHandle control = EngineHandleOf(host);
            int formId = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(host, kPropFormId)));
            void* unit = GetPropA(host, kPropUnit);
            // Window properties must not outlive the window.
            RemovePropA(host, kPropDestroying);
            RemovePropA(host, kPropControl);
            RemovePropA(host, kPropFormId);
            RemovePropA(host, kPropUnit);
            if (!control) return 0;
            if (g_hooks.reportDestroyed) g_hooks.reportDestroyed(formId, GetDlgCtrlID(host));
            if (g_hooks.releaseWrapper && unit) g_hooks.releaseWrapper(unit);
            if (engine.ControlDestroy) engine.ControlDestroy(control);
            break;
        }
        default:
            break;
    }
    return DefWindowProcA(host, message, wParam, lParam);
}

bool RegisterHostClass(const SkinTypeInfo& info) {
    bool& done = g_registered[static_cast<int>(info.type)];
    if (done) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = info.className;
    done = RegisterClassExA(&wc) != 0;
    return done;
}

ExuiHandle CallCreate(const Engine& e, SkinType type, HWND parent, const SkinnedControlParams& p,
                      const ExuiBindingRecord* record) {
    ExuiEventCallback cb = SkinEventCallback;
    int l = p.left, t = p.top, w = p.width, h = p.height;
    switch (type) {
        case SkinType::WindowEx:
            return e.CreateControl_WindowEx(0, parent, l, t, w, h, cb, record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                            0, 0, 0, 0, 0, 0, 0, 0);
        case SkinType::MinutesboxEx:
            if (!e.CreateControl_MinutesboxEx) return nullptr;
            return e.CreateControl_MinutesboxEx(0, parent, l, t, w, h, cb, record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                0, 0, 0, 0, 0, 0);
        case SkinType::PictureBoxEx:
            if (!e.CreateControl_PictureBoxEx) return nullptr;
            return e.CreateControl_PictureBoxEx(0, parent, l, t, w, h, cb, record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                0, 0, 0, 0, 0, 0);
        case SkinType::ButtonEx:
            if (!e.CreateControl_ButtonEx) return nullptr;
            return e.CreateControl_ButtonEx(0, parent, l, t, w, h, cb, record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                            0);
        case SkinType::SuperbuttonEx:
            if (!e.CreateControl_SuperbuttonEx) return nullptr;
            return e.CreateControl_SuperbuttonEx(0, parent, l, t, w, h, cb, record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                 0, 0, 0, 0, 0, 0, 0, 0);
    }
    return nullptr;
}

}  // namespace

const SkinTypeInfo& TypeInfo(SkinType type) { return kTypes[static_cast<int>(type)]; }

void SetFormLayerHooks(const FormLayerHooks& hooks) { g_hooks = hooks; }

bool EngineAvailable() { return CurrentEngine().Present(); }

HWND CreateSkinnedControl(SkinType type, const SkinnedControlParams& p) {
    const SkinTypeInfo& info = TypeInfo(type);
    RegisterHostClass(info);
    const Engine& engine = CurrentEngine();
    if (!engine.Present()) {
        // One box for the whole program: without the engine the form cannot
        // be completed anyway, and the caller ends the program.
        if (!g_warned) {
            g_warned = true;
            runtime::ShowMessageBox("程序缺少界面运行库必须依赖的 ExuiKrnln.dll 文件", "Warning", MB_OK);
        }
        return nullptr;
    }
    HWND host = CreateWindowExA(WS_EX_TRANSPARENT | WS_EX_TOPMOST, info.className, nullptr, p.style | WS_CHILD,
                                p.left, p.top, p.width, p.height, p.parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)), GetModuleHandleA(nullptr),
                                nullptr);
    if (!host) return nullptr;
    SetPropA(host, kPropFormId, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(p.formId)));
    if (g_hooks.wrapHost) SetPropA(host, kPropUnit, static_cast<HANDLE>(g_hooks.wrapHost(host)));
    const auto packLength = static_cast<uint32_t>(std::min<std::size_t>(p.packLength, UINT32_MAX));
    ExuiBindingRecord record{host, p.controlId, p.formId, info.eventBase, p.pack, p.pack ? packLength : 0};
    CallCreate(engine, type, p.parent, p, &record);
    return host;
}

int SetSkinnedProperty(HWND host, int index, const void* value) {
    ExuiHandle control = EngineHandleOf(host);
    const Engine& engine = CurrentEngine();
    if (!control || !engine.ControlSendMessage || !value) return 0;
    return engine.ControlSendMessage(control, ENGINE_SET_ATTRIBUTE, index, reinterpret_cast<INT_PTR>(value), 0, 0);
}

int GetSkinnedProperty(HWND host, int index, void* value) {
    ExuiHandle control = EngineHandleOf(host);
    const Engine& engine = CurrentEngine();
    if (!control || !engine.ControlSendMessage || !value) return 0;
    return engine.ControlSendMessage(control, ENGINE_GET_ATTRIBUTE, index, reinterpret_cast<INT_PTR>(value), 0, 0);
}

int __stdcall SkinEventCallback(const ExuiControlRecord* control, int code, int arg1, int arg2, int arg3, int arg4) {
    if (code >= ENGINE_EVENT_INTERNAL || !control || !g_hooks.raiseEvent) return 0;
    int args[4] = {arg1, arg2, arg3, arg4};
    return g_hooks.raiseEvent(control->formId, control->controlId, code - ENGINE_EVENT_FIRST + control->eventBase, 4,
                              args);
}

}  // namespace vela::skin
