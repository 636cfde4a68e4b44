// Display scaling of the forms: the controls are laid out for the dots per
// inch of the monitor their window is on, and follow it when the window
// moves to a monitor of another scaling.
#include <windows.h>

#include "forms/form_data.h"
#include "runtime/entry_points.h"
#include "forms/form_state.h"
#include "runtime/unique.h"

namespace vela::forms {
namespace detail {

namespace {
void ReleaseScreenDc(HDC dc) { ReleaseDC(nullptr, dc); }
}  // namespace

int SystemDpi() {
    const Unique<HDC, ReleaseScreenDc> dc(GetDC(nullptr));
    const int dpi = dc ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
    return dpi >= 48 && dpi <= 960 ? dpi : 96;
}

int AtDpi(int length, int dpi) { return dpi == 96 ? length : MulDiv(length, dpi, 96); }

RECT ScaledRect(int left, int top, int width, int height, int dpi) {
    const int l = AtDpi(left, dpi), t = AtDpi(top, dpi);
    return RECT{l, t, AtDpi(left + width, dpi), AtDpi(top + height, dpi)};
}

void FollowDpiChange(Form form, int dpi, const RECT& suggested) {
    FormState& st = StateOf(form);
    if (dpi < 48 || dpi > 960 || dpi == st.dpi) return;
    const int old = st.dpi;
    st.dpi = dpi;
    auto rescale = [&](int v) { return MulDiv(v, dpi, old); };
    for (const ControlDef& c : FormDefOf(form).controls) {
        // The picture stays at its pixels; the window's layout places it.
        if (c.type == ControlType::CommonDlg || c.type == ControlType::WindowEx || c.id == Ctl::PictureView) continue;
        if (!NativeWindow(c.id)) continue;
        const int l = GetInt(c.id, prop::Left), t = GetInt(c.id, prop::Top);
        const int r = l + GetInt(c.id, prop::Width), b = t + GetInt(c.id, prop::Height);
        SetInt(c.id, prop::Width, rescale(r) - rescale(l));
        SetInt(c.id, prop::Height, rescale(b) - rescale(t));
        SetInt(c.id, prop::Left, rescale(l));
        SetInt(c.id, prop::Top, rescale(t));
    }
    if (st.window)
        SetWindowPos(st.window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace detail

using namespace detail;

int Dpi() {
    const FormState& main = StateOf(Form::MainWindow);
    return main.loaded ? main.dpi : SystemDpi();
}

int Scaled(int length) { return AtDpi(length, Dpi()); }

double Scaled(double length) {
    const int dpi = Dpi();
    return dpi == 96 ? length : length * dpi / 96.0;
}

}  // namespace vela::forms
