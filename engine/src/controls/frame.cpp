#include "controls/frame.h"

#include <windowsx.h>

#include <algorithm>

#include "controls/control.h"
#include "core/test_points.h"
#include "core/window_table.h"

namespace uiengine {

namespace {

const char kFrameProp[] = "ExuiFrame";
const char kPreviousProp[] = "ExuiFramePreviousProc";
// The timer that ends a host's hold nobody let go (an id a host's own
// timers are unlikely to take).
constexpr UINT_PTR kHostHoldTimer = 0x45584846;

// The frames and the procedures they replaced, read at every message of a
// skinned window.
WindowTable<Frame*>& Frames() {
    static WindowTable<Frame*> table;
    return table;
}
WindowTable<WNDPROC>& Previous() {
    static WindowTable<WNDPROC> table;
    return table;
}

// Runs `draw` over the canvas and keeps only opacity / 255 of what it
// changed inside `area` (canvas coordinates): the chrome fading in and out
// over a full-screen picture. Whole at 255, nothing at 0.
template <typename Draw>
void DrawFaded(const Canvas& canvas, RECT area, int opacity, Draw draw) {
    if (opacity >= 255) {
        draw();
        return;
    }
    const RECT all{0, 0, canvas.width, canvas.height};
    if (opacity <= 0 || !IntersectRect(&area, &area, &all)) return;
    const int w = area.right - area.left, h = area.bottom - area.top;
    std::vector<uint32_t> before;
    try {
        before.resize(static_cast<size_t>(w) * h);
    } catch (...) {
        return;  // no room: the chrome stays hidden this frame
    }
    for (int y = 0; y < h; ++y) std::copy_n(canvas.Row(area.top + y) + area.left, w, before.data() + y * w);
    draw();
    for (int y = 0; y < h; ++y) {
        uint32_t* row = canvas.Row(area.top + y) + area.left;
        const uint32_t* old = before.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            if (row[x] == old[x]) continue;
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const int b = (old[x] >> shift) & 0xFF, a = (row[x] >> shift) & 0xFF;
                out |= static_cast<uint32_t>(b + ((a - b) * opacity + (a >= b ? 127 : -127)) / 255) << shift;
            }
            row[x] = out;
        }
    }
}

}  // namespace

Frame::Frame(HWND top, Control* skin) : top_(top), skin_(skin) {
    SetPropA(top_, kFrameProp, this);
    Frames().Set(top_, this);
    // A Unicode hook: texts given to the window in UTF-16 pass it without a
    // detour through the system code page.
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(top_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Frame::Procedure)));
    SetPropA(top_, kPreviousProp, reinterpret_cast<HANDLE>(previous_));
    Previous().Set(top_, previous_);
}

Frame::~Frame() {
    Frames().Erase(top_);
    if (IsWindow(top_)) {
        RemovePropA(top_, kFrameProp);
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(top_, GWLP_WNDPROC)) == &Frame::Procedure) {
            SetWindowLongPtrW(top_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
            RemovePropA(top_, kPreviousProp);
            Previous().Erase(top_);
        }
    }
    if (IsWindow(top_)) KillTimer(top_, kHostHoldTimer);
    if (dc_ && oldBitmap_) SelectObject(dc_.Get(), oldBitmap_);
}

Frame* Frame::Of(HWND top) { return top ? Frames().Find(top, kFrameProp) : nullptr; }

void Frame::Invalidate() {
    allDirty_ = true;
    if (pending_) return;
    pending_ = true;
    PostMessageA(top_, ComposeMessage(), 0, 0);
}

void Frame::Invalidate(const RECT& part) {
    if (IsRectEmpty(&part)) return;
    if (IsRectEmpty(&dirty_)) {
        dirty_ = part;
    } else {
        UnionRect(&dirty_, &dirty_, &part);
    }
    if (pending_) return;
    pending_ = true;
    PostMessageA(top_, ComposeMessage(), 0, 0);
}

void Frame::InvalidateControl(Control* control) {
    RECT r{}, w{};
    GetWindowRect(control->Host(), &r);
    GetWindowRect(top_, &w);
    OffsetRect(&r, -w.left, -w.top);
    Invalidate(r);
    for (const auto& e : drawnAt_)
        if (e.first == control) Invalidate(e.second);
}

void Frame::Hold(const Control* control) {
    if (std::find(holders_.begin(), holders_.end(), control) == holders_.end()) holders_.push_back(control);
}

void Frame::Release(const Control* control) {
    auto at = std::find(holders_.begin(), holders_.end(), control);
    if (at == holders_.end()) return;
    holders_.erase(at);
    ComposeIfAsked();
}

// What was asked for while held is composed once nothing holds any more.
void Frame::ComposeIfAsked() {
    if (Held() || !(allDirty_ || !IsRectEmpty(&dirty_)) || pending_) return;
    pending_ = true;
    PostMessageA(top_, ComposeMessage(), 0, 0);
}

void Frame::HoldForHost() {
    // Each hold restarts the bound: a long layout of several pictures in a
    // row still ends at most that long after its last start.
    ++hostHolds_;
    SetTimer(top_, kHostHoldTimer, kHostHoldBoundMs, nullptr);
}

void Frame::ReleaseForHost() {
    if (hostHolds_ <= 0) return;
    if (--hostHolds_ > 0) return;
    KillTimer(top_, kHostHoldTimer);
    ComposeIfAsked();
}

void Frame::PlaceNextFrame(const RECT* place) {
    placeNext_ = place && place->right > place->left && place->bottom > place->top;
    if (!placeNext_) return;
    nextPlace_ = *place;
    allDirty_ = true;
    ComposeIfAsked();
}

void Frame::Forget(Control* control) {
    Release(control);
    for (size_t i = 0; i < drawnAt_.size(); ++i) {
        if (drawnAt_[i].first == control) {
            Invalidate(drawnAt_[i].second);
            drawnAt_.erase(drawnAt_.begin() + static_cast<ptrdiff_t>(i));
            return;
        }
    }
}

RECT Frame::PlaceOfFrame(bool* moves) {
    RECT wr{};
    GetWindowRect(top_, &wr);
    *moves = false;
    if (placeNext_) {
        // The host laid the window out for this place: it goes there with this frame.
        placeNext_ = false;
        *moves = true;
        return nextPlace_;
    }
    // A maximized skinned window covers its monitor's work area. (A desktop
    // may keep the old geometry of a maximized layered window and the window
    // follows it back; saying where it belongs settles that.)
    if (IsZoomed(top_)) {
        MONITORINFO mi{sizeof(mi), {}, {}, 0};
        if (GetMonitorInfoA(MonitorFromWindow(top_, MONITOR_DEFAULTTONEAREST), &mi) && !EqualRect(&wr, &mi.rcWork)) {
            *moves = true;
            return mi.rcWork;
        }
    }
    return wr;
}

void Frame::Compose() {
    pending_ = false;
    if (Held()) return;  // composed once the last holder lets go
    // A hidden window shows nothing: its frame is made when it is shown
    // (WM_SHOWWINDOW asks for a whole one), not at every change before.
    if (!IsWindowVisible(top_)) {
        allDirty_ = true;
        return;
    }
    bool place = false;
    const RECT wr = PlaceOfFrame(&place);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (w <= 0 || h <= 0) return;
    if (!dc_) dc_.Reset(CreateCompatibleDC(nullptr));
    if (!dc_) return;
    if (!dib_ || dibSize_.cx != w || dibSize_.cy != h) allDirty_ = true;
    if (!dib_ || dibSize_.cx != w || dibSize_.cy != h) {
        if (oldBitmap_) SelectObject(dc_.Get(), oldBitmap_);
        oldBitmap_ = nullptr;
        dib_.Reset();
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        dib_.Reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!dib_ || !bits) {
            dib_.Reset();
            dibSize_ = {0, 0};
            return;
        }
        dibBits_ = static_cast<uint32_t*>(bits);
        dibSize_ = {w, h};
        oldBitmap_ = SelectObject(dc_.Get(), dib_.Get());
    }
    GdiFlush();
    LARGE_INTEGER q0, q2, q3, qf;
    QueryPerformanceFrequency(&qf);
    QueryPerformanceCounter(&q0);
    // Only the dirty part is drawn again and handed over: presenting a
    // layered window costs by the area it copies.
    RECT part{0, 0, w, h};
    if (!allDirty_) IntersectRect(&part, &part, &dirty_);
    allDirty_ = false;
    dirty_ = RECT{0, 0, 0, 0};
    if (IsRectEmpty(&part)) return;
    const Canvas whole{dibBits_, w, h, w};
    const Canvas canvas{whole.Row(part.top) + part.left, part.right - part.left, part.bottom - part.top, w};
    skin_->DrawBackdrop(canvas, POINT{part.left, part.top}, SIZE{w, h});
    RECT now{};
    GetWindowRect(top_, &now);  // children are placed relative to where the window is now
    windowAt_ = POINT{now.left, now.top};
    DrawChildren(canvas, top_, POINT{now.left + part.left, now.top + part.top});
    const RECT titleBand{-part.left, -part.top, w - part.left, skin_->CaptionHeight() - part.top};
    DrawFaded(canvas, titleBand, skin_->ChromeOpacity(),
              [&] { skin_->DrawAbove(canvas, POINT{part.left, part.top}, SIZE{w, h}); });
    GdiFlush();
    QueryPerformanceCounter(&q2);
    POINT src{0, 0};
    SIZE size{w, h};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    POINT at{wr.left, wr.top};
    UPDATELAYEREDWINDOWINFO info{sizeof(info), nullptr, place ? &at : nullptr, &size, dc_.Get(), &src, 0, &blend,
                                 ULW_ALPHA, &part};
    UpdateLayeredWindowIndirect(top_, &info);
    QueryPerformanceCounter(&q3);
    PresentedPoint();
    composeMs_ = static_cast<float>((q2.QuadPart - q0.QuadPart) * 1000.0 / qf.QuadPart);
    presentMs_ = static_cast<float>((q3.QuadPart - q2.QuadPart) * 1000.0 / qf.QuadPart);
    ++frames_;
    if (pictureDrawn_) pictureFrame_ = frames_;
    pictureDrawn_ = false;
    skin_->FramePresented();
}

Image Frame::Snapshot() const {
    Image out;
    if (!dibBits_) return out;
    out.Reset(dibSize_.cx, dibSize_.cy);
    GdiFlush();
    std::copy(dibBits_, dibBits_ + out.pixels.size(), out.pixels.begin());
    return out;
}

// Bottom to top: a child window made earlier lies above the later ones, and
// a group's buttons above the group.
void Frame::DrawChildren(const Canvas& canvas, HWND parent, POINT origin) {
    HWND first = GetWindow(parent, GW_CHILD);
    for (HWND c = first ? GetWindow(first, GW_HWNDLAST) : nullptr; c; c = GetWindow(c, GW_HWNDPREV)) {
        if (!(GetWindowLongA(c, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT r{};
        GetWindowRect(c, &r);
        Control* control = ControlOf(c);
        if (control && control != skin_) {
            // The picture is always whole; the chrome shows as much as the skin says.
            const int opacity = control->Type() == ControlType::PictureBoxEx ? 255 : skin_->ChromeOpacity();
            RECT at = r;
            OffsetRect(&at, -origin.x, -origin.y);
            DrawFaded(canvas, at, opacity, [&] { control->Draw(canvas, at.left, at.top); });
            // Remembered in window coordinates, to clear it when it moves.
            RECT inWindow = r;
            OffsetRect(&inWindow, -windowAt_.x, -windowAt_.y);
            bool known = false;
            for (auto& e : drawnAt_)
                if (e.first == control) e.second = inWindow, known = true;
            if (!known) drawnAt_.emplace_back(control, inWindow);
        }
        DrawChildren(canvas, c, origin);
    }
}

LRESULT CALLBACK Frame::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // The frame may be gone when a forwarded message returns (the window's
    // controls die inside its WM_DESTROY): only the locals are used after it.
    WNDPROC previous = Previous().Find(hwnd, kPreviousProp);
    auto forward = [&] {
        return previous ? CallWindowProcW(previous, hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
    };
    Frame* self = Of(hwnd);
    if (!self) {
        LRESULT r = forward();
        if (msg == WM_NCDESTROY) {
            RemovePropA(hwnd, kPreviousProp);
            Previous().Erase(hwnd);
        }
        return r;
    }
    if (msg == ComposeMessage()) {
        self->Compose();
        return 0;
    }
    switch (msg) {
        case WM_TIMER:
            if (wp != kHostHoldTimer) return forward();
            // The host never let go: its holds end and the frame is shown.
            KillTimer(hwnd, kHostHoldTimer);
            self->hostHolds_ = 0;
            self->allDirty_ = true;
            self->ComposeIfAsked();
            return 0;
        case WM_NCHITTEST: {
            LRESULT r = forward();
            self = Of(hwnd);
            if (r == HTCLIENT && self) {
                RECT wr{};
                GetWindowRect(hwnd, &wr);
                // The caption band drags the window; the controls in it are
                // child windows and get their own hit test.
                // Nothing drags a full-screen window.
                if (!self->skin_->FullScreen() && GET_Y_LPARAM(lp) - wr.top < self->skin_->CaptionHeight())
                    r = HTCAPTION;
            }
            return r;
        }
        case WM_MOUSEWHEEL:
            if (RouteWheel(hwnd, wp, lp)) return 0;
            return forward();
        case WM_SIZE:
        case WM_SHOWWINDOW:
            self->Invalidate();
            return forward();
        case WM_WINDOWPOSCHANGED:
            if (!(reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_NOSIZE)) self->Invalidate();
            return forward();
        default: return forward();
    }
}

Control* EngineControlAt(HWND parent, POINT screen) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(c, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT r{};
        GetWindowRect(c, &r);
        if (!PtInRect(&r, screen)) continue;
        if (Control* inner = EngineControlAt(c, screen)) return inner;
        return ControlOf(c);
    }
    return nullptr;
}

bool RouteWheel(HWND top, WPARAM wp, LPARAM lp) {
    const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    Control* c = EngineControlAt(top, p);
    return c && c->Wheel(p, wp);
}

}  // namespace uiengine
