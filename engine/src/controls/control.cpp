#include "controls/control.h"

#include <exception>
#include <map>
#include <set>
#include <vector>

#include "controls/frame.h"
#include "core/pool.h"
#include "core/unique.h"
#include "core/window_table.h"
#include "text/gb18030.h"

namespace uiengine {

namespace {

const char kControlProp[] = "ExuiControl";
const char kPreviousProp[] = "ExuiPreviousProc";
const char kHandleProp[] = "Tab_Control";

// The hooked hosts' controls and replaced procedures, read at every message.
WindowTable<Control*>& Controls() {
    static WindowTable<Control*> table;
    return table;
}
WindowTable<WNDPROC>& Previous() {
    static WindowTable<WNDPROC> table;
    return table;
}

std::set<const void*>& Live() {
    static std::set<const void*> live;
    return live;
}

void FreeIfDone(Control* c) {
    if (c && c->dead && c->busy == 0) delete c;
}

LRESULT CALLBACK HostProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC previous = Previous().Find(hwnd, kPreviousProp);
    Control* c = ControlOf(hwnd);
    if (c) ++c->busy;
    LRESULT result = 0;
    bool handled = false;
    if (c && !c->dead) handled = c->HostMessage(msg, wp, lp, &result);
    if (!handled) {
        result = previous ? CallWindowProcW(previous, hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        // Whatever is left of our hook goes with the window.
        RemovePropA(hwnd, kPreviousProp);
        RemovePropA(hwnd, kControlProp);
        Previous().Erase(hwnd);
        Controls().Erase(hwnd);
        if (c && !c->dead) DestroyControl(c);
    }
    if (c) {
        --c->busy;
        FreeIfDone(c);
    }
    return result;
}

BOOL CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

bool FaceInstalled(const std::string& face) {
    const std::wstring name = vela::text::WideFromGb18030(face);
    if (name.empty() || name.size() >= LF_FACESIZE) return false;
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, name.c_str(), LF_FACESIZE);
    bool found = false;
    const ScreenDc screen;
    EnumFontFamiliesExW(screen.Get(), &lf, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

}  // namespace

UINT ComposeMessage() {
    static const UINT m = RegisterWindowMessageA("ExuiKrnln.Compose");
    return m;
}

UINT DecodedMessage() {
    static const UINT m = RegisterWindowMessageA("ExuiKrnln.Decoded");
    return m;
}

int DpiOf(HWND window) {
    // GetDpiForWindow exists from Windows 10 1607; before it the system's
    // one setting is every window's.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    int dpi = forWindow && window ? static_cast<int>(forWindow(window)) : 0;
    if (dpi <= 0) {
        const ScreenDc screen;
        dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }
    return dpi >= 48 && dpi <= 960 ? dpi : 96;
}

namespace {

// The designed face first, then CJK sans-serif faces that draw Chinese text
// where the designed one is not installed. Each look-up enumerates the
// installed fonts and every button asks for the same face, so the answer is
// kept for the process: a font installed meanwhile is taken by the next run.
std::string FaceFor(const std::string& designed) {
    static SRWLOCK lock = SRWLOCK_INIT;
    static auto* chosen = new std::map<std::string, std::string>;  // lives as long as the process
    std::string face;
    bool found = false;
    AcquireSRWLockShared(&lock);
    try {
        const auto known = chosen->find(designed);
        if (known != chosen->end()) {
            face = known->second;
            found = true;
        }
    } catch (const std::exception&) {
        // No room for the copy: looked up below.
    }
    ReleaseSRWLockShared(&lock);
    if (found) return face;
    const char* fallbacks[] = {"Microsoft YaHei", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "SimSun"};
    if (FaceInstalled(designed)) {
        face = designed;
    } else {
        for (const char* f : fallbacks) {
            if (FaceInstalled(f)) {
                face = f;
                break;
            }
        }
    }
    AcquireSRWLockExclusive(&lock);
    try {
        chosen->emplace(designed, face);
    } catch (const std::exception&) {
        // Not kept: looked up again next time.
    }
    ReleaseSRWLockExclusive(&lock);
    return face;
}

}  // namespace

HFONT MakeFont(const Skin& skin, int defaultPoints, int dpi) {
    const std::string face = FaceFor(skin.fontFace);
    const int points = skin.fontSize > 0 && skin.fontSize < 200 ? skin.fontSize : defaultPoints;
    const int height = -MulDiv(points, dpi, 72);
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, vela::text::WideFromGb18030(face).c_str());
}

Control::Control(ControlType type, HWND host, HWND parent, ExuiEventCallback callback,
                 const ExuiBindingRecord& binding)
    : host_(host),
      parent_(parent),
      top_(GetAncestor(host, GA_ROOT)),
      callback_(callback),
      record_{binding.host, binding.controlId, binding.formId, binding.eventBase},
      attrs_(type),
      skin_(ReadPack(binding.propertyPack, binding.propertyPackLength)) {}

Control::~Control() = default;

Control* ControlOf(HWND host) {
    Control* c = Controls().Find(host, kControlProp);
    return c && Live().count(c) ? c : nullptr;
}

bool IsLiveControl(const void* handle) { return handle && Live().count(handle) != 0; }

SIZE Control::Size() const {
    RECT r{};
    GetClientRect(host_, &r);
    return {r.right - r.left, r.bottom - r.top};
}

int Control::Modifiers(WPARAM keyState) {
    int m = 0;
    if (keyState & MK_CONTROL) m |= ENGINE_MODIFIER_CTRL;
    if (keyState & MK_SHIFT) m |= ENGINE_MODIFIER_SHIFT;
    if (GetKeyState(VK_MENU) < 0) m |= ENGINE_MODIFIER_ALT;
    return m;
}

int Control::Raise(int code, int a1, int a2, int a3, int a4) {
    if (!callback_ || dead) return 0;
    ExuiControlRecord record = record_;  // the handler may destroy us
    return callback_(&record, code, a1, a2, a3, a4);
}

void Control::Invalidate() {
    if (Frame* f = Frame::Of(top_)) {
        f->InvalidateControl(this);
    } else {
        InvalidateRect(host_, nullptr, FALSE);
    }
}

bool Control::HostMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
        case WM_ERASEBKGND:
            *result = 1;
            return true;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(host_, &ps);
            if (!Frame::Of(top_)) {
                // No skinned window around: the control paints its own host
                // over a dark ground.
                const SIZE s = Size();
                Image buffer;
                buffer.Reset(s.cx, s.cy, 0xFF202020);
                Draw(Canvas::Of(buffer), 0, 0);
                BITMAPINFO bi{};
                bi.bmiHeader = {sizeof(BITMAPINFOHEADER), s.cx, -s.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
                if (!buffer.Empty())
                    SetDIBitsToDevice(dc, 0, 0, s.cx, s.cy, 0, 0, 0, s.cy, buffer.pixels.data(), &bi, DIB_RGB_COLORS);
            }
            EndPaint(host_, &ps);
            *result = 0;
            return true;
        }
        case WM_WINDOWPOSCHANGED: {
            const WINDOWPOS* wpos = reinterpret_cast<const WINDOWPOS*>(lp);
            if (wpos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) Invalidate();
            return false;
        }
        case WM_MOUSEWHEEL:
            if (RouteWheel(top_, wp, lp)) {
                *result = 0;
                return true;
            }
            return false;
        default: return false;
    }
}

Control* CreateControl(ControlType type, HWND parent, ExuiEventCallback callback, const ExuiBindingRecord* binding) {
    if (!binding || !IsWindow(binding->host) || GetWindowThreadProcessId(binding->host, nullptr) != GetCurrentThreadId())
        return nullptr;
    HWND host = binding->host;
    if (ControlOf(host)) return nullptr;  // one engine control per host
    std::unique_ptr<Control> made;
    switch (type) {
        case ControlType::WindowEx: made = MakeWindowSkin(host, parent, callback, *binding); break;
        case ControlType::PictureBoxEx: made = MakePictureBox(host, parent, callback, *binding); break;
        default: made = MakeButton(type, host, parent, callback, *binding); break;
    }
    if (!made) return nullptr;
    Control* c = made.release();
    Live().insert(c);
    SetPropA(host, kControlProp, c);
    SetPropA(host, kHandleProp, c);
    Controls().Set(host, c);
    // A Unicode hook, like the frame's: UTF-16 texts pass it whole.
    c->previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HostProcedure)));
    SetPropA(host, kPreviousProp, reinterpret_cast<HANDLE>(c->previous));
    Previous().Set(host, c->previous);
    c->Attach();
    c->Invalidate();
    return c;
}

bool DestroyControl(Control* c) {
    if (!IsLiveControl(c) || c->dead) return false;
    c->dead = true;
    Live().erase(c);
    c->Detach();
    HWND host = c->Host();
    if (IsWindow(host)) {
        if (GetPropA(host, kHandleProp) == c) RemovePropA(host, kHandleProp);
        RemovePropA(host, kControlProp);
        Controls().Erase(host);
        // Unhook only when ours is still the procedure in place; otherwise the
        // hook stays and forwards through the kept previous procedure.
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(host, GWLP_WNDPROC)) == &HostProcedure) {
            SetWindowLongPtrW(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(c->previous));
            RemovePropA(host, kPreviousProp);
            Previous().Erase(host);
        }
        if (Frame* f = Frame::Of(c->TopLevel())) f->Forget(c);
    }
    FreeIfDone(c);
    // The last control gone: every control's work was cancelled in its
    // Detach, so the workers are stopped and joined here, on the window
    // thread and outside the loader lock; the next control starts them again.
    if (Live().empty()) {
        DropWorkAhead();  // the prepared pictures' running decode stops, so the pool can be joined
        StopPool();
    }
    return true;
}

}  // namespace uiengine
