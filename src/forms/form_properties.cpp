// Property access by control and property number: the common numbers 0-7 on
// the control's window (or kept values for controls without one), the
// standard types' own numbers, and skinned types' numbers from 8 passed on to
// the skinned control layer.
#include <windows.h>

#include <cstdint>
#include <exception>

#include "forms/standard_properties.h"
#include "runtime/exit.h"
#include "forms/form_state.h"
#include "skin/skinned_control.h"
#include "util/centring.h"

namespace vela::forms {
namespace detail {
namespace {

enum class Access { Read, Write };

struct Target {
    ControlState* state;
    ControlType type;
    FormState* form;
};

ControlType TypeOf(Ctl control) {
    if (IsFormWindow(control)) return ControlType::Window;
    if (const ControlDef* c = FindControlDef(control)) return c->type;
    return ControlType::Menu;
}

bool HasWindow(ControlType type) { return type != ControlType::CommonDlg && type != ControlType::Menu; }

// The control's state, or the run-time error when its window is not there.
Target Resolve(Ctl control, Access access) {
    FormState& st = StateOf(FormOf(control));
    if (!st.loaded) {
        // A handler interrupted by the user's close is no programming error:
        // it ends here as the close button ends the program.
        if (StartWindowClosed()) runtime::EndProgram(0);
        RuntimeError("未载入欲访问窗口组件所在的窗口");
    }
    ControlType type = TypeOf(control);
    ControlState* s = FindState(control);
    bool present = s && s->exists && (!HasWindow(type) || IsWindow(s->hwnd)) && IsWindow(st.window);
    if (!present) {
        RuntimeError(access == Access::Read ? "读取组件属性时发现指定窗口尚未载入" : "修改组件属性时发现指定窗口尚未载入");
    }
    return {s, type, &st};
}

// The window's outer rectangle in its parent's client area (screen for a
// top-level window).
RECT PlaceOf(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    HWND parent = (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr;
    if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A write of the place a window already has moves nothing, and Windows
// sends no size or move message for it; each placing still costs a round
// trip, and a layout pass writes every place again. Only the picture view
// hears of its placing as such: it is told its layout is made.
bool PlacementIsNews(ControlType type) { return type == ControlType::PictureBoxEx; }

bool IsChildWindow(HWND h) { return (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) != 0; }

bool SamePlace(const RECT& a, const RECT& b);

// Where the control is, as its readers see it: a held place first, a
// window's place ahead until it has taken it.
RECT CurrentPlace(ControlState& s, HWND h) {
    if (s.placeHeld) return s.heldPlace;
    const RECT actual = PlaceOf(h);
    if (s.placeAhead && SamePlace(actual, s.aheadPlace)) s.placeAhead = false;
    return s.placeAhead ? s.aheadPlace : actual;
}

bool SamePlace(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A window whose top-level window gets its whole picture from
// UpdateLayeredWindow (layered, and never given SetLayeredWindowAttributes)
// is never painted by the system: the engine composes it anew after a move.
// Its moves skip the invalidation and the copy of old pixels, which cost
// more than the move itself.
bool ComposedByItsOwner(HWND h) {
    HWND top = GetAncestor(h, GA_ROOT);
    if (!top || !(GetWindowLongA(top, GWL_EXSTYLE) & WS_EX_LAYERED)) return false;
    BYTE alpha = 0;
    DWORD flags = 0;
    return !GetLayeredWindowAttributes(top, nullptr, &alpha, &flags);
}

// Moves a control's window to `to` unless it is there and its placing tells
// it nothing.
void Place(HWND h, ControlType type, const RECT& to) {
    if (SamePlace(PlaceOf(h), to) && !PlacementIsNews(type)) return;
    const UINT quiet = ComposedByItsOwner(h) ? SWP_NOREDRAW | SWP_NOCOPYBITS : 0;
    SetWindowPos(h, nullptr, to.left, to.top, to.right - to.left, to.bottom - to.top,
                 quiet | SWP_NOZORDER | SWP_NOACTIVATE);
}

int WindowState(HWND h) {
    if (IsIconic(h)) return window_state::Minimized;
    if (IsZoomed(h)) return window_state::Maximized;
    return window_state::Normal;
}

void SetWindowState(HWND h, int value) {
    if (!(GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE)) return;  // kept, nothing on screen
    switch (value) {
        case window_state::Normal:
            if (IsIconic(h) || IsZoomed(h)) ShowWindow(h, SW_RESTORE);
            break;
        case window_state::CentredOnScreen: {
            if (IsIconic(h) || IsZoomed(h)) ShowWindow(h, SW_RESTORE);
            RECT r{};
            GetWindowRect(h, &r);
            const ScreenPlace place = CentredOnScreen(r.right - r.left, r.bottom - r.top);
            SetWindowPos(h, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case window_state::Minimized:
            ShowWindow(h, SW_MINIMIZE);
            break;
        case window_state::Maximized:
            ShowWindow(h, SW_MAXIMIZE);
            break;
        default:
            break;
    }
}

int GetCommon(const Target& t, int property) {
    ControlState& s = *t.state;
    HWND h = HasWindow(t.type) ? s.hwnd : nullptr;
    switch (property) {
        case prop::Left:
        case prop::Top:
        case prop::Width:
        case prop::Height: {
            if (!h) {
                const int v[4] = {s.left, s.top, s.width, s.height};
                return v[property];
            }
            const RECT r = CurrentPlace(s, h);
            const int v[4] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
            return v[property];
        }
        case prop::Visible:
            return h ? ((GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) ? 1 : 0) : (s.visible ? 1 : 0);
        case prop::Disabled:
            return h ? (IsWindowEnabled(h) ? 0 : 1) : (s.disabled ? 1 : 0);
        case prop::Cursor:
            return s.cursor;
        default:
            return 0;
    }
}

void SetCommon(const Target& t, int property, int value) {
    ControlState& s = *t.state;
    HWND h = HasWindow(t.type) ? s.hwnd : nullptr;
    switch (property) {
        case prop::Left:
        case prop::Top:
        case prop::Width:
        case prop::Height: {
            const bool position = property == prop::Left || property == prop::Top;
            value = position ? ClampPosition(value) : ClampSize(value);
            if (!h) {
                int* kept[4] = {&s.left, &s.top, &s.width, &s.height};
                *kept[property] = value;
                return;
            }
            RECT to = CurrentPlace(s, h);
            switch (property) {
                case prop::Left: OffsetRect(&to, value - to.left, 0); break;
                case prop::Top: OffsetRect(&to, 0, value - to.top); break;
                case prop::Width: to.right = to.left + value; break;
                default: to.bottom = to.top + value; break;
            }
            if (t.form->placementHolds > 0 && IsChildWindow(h)) {
                s.heldPlace = to;
                s.placeHeld = true;
                return;
            }
            Place(h, t.type, to);
            return;
        }
        case prop::Visible:
            if (h) {
                ShowWindow(h, value ? SW_SHOW : SW_HIDE);
            } else {
                s.visible = value != 0;
            }
            return;
        case prop::Disabled:
            if (h) {
                EnableWindow(h, value ? FALSE : TRUE);
            } else {
                s.disabled = value != 0;
            }
            return;
        case prop::Cursor:
            s.cursor = value;
            return;
        default:
            return;
    }
}

}  // namespace
}  // namespace detail

using namespace detail;

namespace {
// Numbers the writes of skinned controls' attributes.
std::uint64_t g_attributeWrites = 0;

// Every setter writes an engine attribute through here, so that the
// control's last write is numbered.
void WriteAttribute(ControlState& s, HWND h, int property, const void* value) {
    s.lastAttributeWrite = ++g_attributeWrites;
    skin::SetSkinnedProperty(h, skin::AttributeIndex(property), value);
}
}  // namespace

int GetInt(Ctl control, int property) {
    Target t = Resolve(control, Access::Read);
    if (property < 8) return GetCommon(t, property);
    HWND h = t.state->hwnd;
    switch (t.type) {
        case ControlType::Window:
            if (property == prop::WindowState) return WindowState(h);
            if (property == prop::AlwaysOnTop) return (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0;
            return 0;
        case ControlType::CheckBox:
            if (property == prop::Checked) return SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
            return 0;
        case ControlType::CommonDlg:
            return property == prop::DialogType ? t.state->dialogType : 0;
        default:
            if (IsSkinned(t.type)) {
                int32_t value = 0;
                skin::GetSkinnedProperty(h, skin::AttributeIndex(property), &value);
                return value;
            }
            return 0;
    }
}

void SetInt(Ctl control, int property, int value) {
    Target t = Resolve(control, Access::Write);
    if (property < 8) return SetCommon(t, property, value);
    HWND h = t.state->hwnd;
    switch (t.type) {
        case ControlType::Window:
            if (property == prop::WindowState) SetWindowState(h, value);
            if (property == prop::AlwaysOnTop) {
                // Made not topmost when it is not already, a change of
                // nothing; to topmost it is always placed, which brings it
                // to the top of the topmost windows.
                const bool topmost = (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
                if (!value && !topmost) return;
                SetWindowPos(h, value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
            return;
        case ControlType::CheckBox:
            if (property == prop::Checked) SendMessageA(h, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
            return;
        case ControlType::CommonDlg:
            if (property == prop::DialogType) t.state->dialogType = ClampDialogType(value);
            return;
        default:
            if (IsSkinned(t.type)) {
                int32_t v = value;
                WriteAttribute(*t.state, h, property, &v);
            }
            return;
    }
}

Text GetText(Ctl control, int property) {
    Target t = Resolve(control, Access::Read);
    if (property == prop::Tag) return t.state->tag;
    if (property < 8) return {};
    HWND h = t.state->hwnd;
    if (t.type == ControlType::Window && property == prop::WindowCaption) {
        int n = GetWindowTextLengthW(h);
        std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
        n = GetWindowTextW(h, s.data(), n + 1);
        s.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return Gb18030FromWide(s);
    }
    if (t.type == ControlType::CommonDlg && property == prop::DialogFileName) return Gb18030FromWide(t.state->fileName);
    if (IsSkinned(t.type)) {
        const char* value = nullptr;
        skin::GetSkinnedProperty(h, skin::AttributeIndex(property), &value);
        return value ? Text(value) : Text();  // the engine's copy: taken at once
    }
    return {};
}

void SetText(Ctl control, int property, std::string_view value) {
    Target t = Resolve(control, Access::Write);
    Text text(UntilNul(value));
    if (property == prop::Tag) {
        t.state->tag = text;
        return;
    }
    if (property < 8) return;
    HWND h = t.state->hwnd;
    if (t.type == ControlType::Window && property == prop::WindowCaption) {
        SetWindowTextW(h, WideFromGb18030(text).c_str());
    } else if (t.type == ControlType::CommonDlg && property == prop::DialogFileName) {
        t.state->fileName = WideFromGb18030(text);
    } else if (IsSkinned(t.type)) {
        const char* p = text.c_str();
        WriteAttribute(*t.state, h, property, &p);
    }
}

ByteView PeekData(Ctl control, int property) {
    Target t = Resolve(control, Access::Read);
    if (property < 8 || !IsSkinned(t.type)) return {};
    ExuiData d{nullptr, 0};
    skin::GetSkinnedProperty(t.state->hwnd, skin::AttributeIndex(property), &d);
    if (!d.data || d.length <= 0) return {};
    return ByteView(static_cast<const unsigned char*>(d.data), static_cast<std::size_t>(d.length));
}

Bytes GetData(Ctl control, int property) {
    const ByteView block = PeekData(control, property);
    // Copied at once; a picture the process has no room to copy reads as no
    // picture (measured 0, like an undecodable one).
    try {
        return Bytes(block.begin(), block.end());
    } catch (const std::exception&) {
        return {};
    }
}

void SetData(Ctl control, int property, const Bytes& value) {
    Target t = Resolve(control, Access::Write);
    if (property < 8 || !IsSkinned(t.type)) return;
    ExuiData d{value.empty() ? nullptr : value.data(), static_cast<int32_t>(value.size())};
    WriteAttribute(*t.state, t.state->hwnd, property, &d);
}

std::uint64_t LastAttributeWrite(Ctl control) {
    const ControlState* s = FindState(control);
    return s ? s->lastAttributeWrite : 0;
}

void LayOutMainWindowFor(const RECT& place) {
    if (ControlState* s = FindState(Ctl::MainWindow); s && s->exists) {
        s->aheadPlace = place;
        s->placeAhead = true;
    }
}

void ForgetMainWindowPlaceAhead() {
    if (ControlState* s = FindState(Ctl::MainWindow)) s->placeAhead = false;
}

void HoldChildPlacements() {
    FormState& st = StateOf(Form::MainWindow);
    if (st.loaded) ++st.placementHolds;
}

void PlaceHeldChildren() {
    FormState& st = StateOf(Form::MainWindow);
    if (st.placementHolds <= 0 || --st.placementHolds > 0) return;
    // Taken a few at a time, then placed: a move may let the engine's
    // handlers run. Nothing here allocates, since a destructor calls it.
    struct Move {
        HWND window;
        ControlType type;
        RECT to;
    };
    constexpr int kBatch = 16;
    for (;;) {
        Move moves[kBatch];
        int n = 0;
        for (auto& [control, s] : st.controls) {
            if (!s.placeHeld) continue;
            s.placeHeld = false;
            if (s.exists && IsWindow(s.hwnd)) moves[n++] = {s.hwnd, TypeOf(control), s.heldPlace};
            if (n == kBatch) break;
        }
        if (n == 0) return;
        for (int i = 0; i < n; ++i) {
            if (IsWindow(moves[i].window)) Place(moves[i].window, moves[i].type, moves[i].to);
        }
    }
}

}  // namespace vela::forms
