#include "app/full_screen.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "app/main_window.h"
#include "files/prepare_ahead.h"
#include "forms/forms.h"
#include "skin/engine.h"
#include "view/frame_hold.h"
#include "view/view.h"
#include "view/view_math.h"

namespace vela {
namespace {

using forms::Ctl;
namespace prop = forms::prop;

// What full screen hides and fades: the toolbar takes its buttons with it.
constexpr Ctl kChrome[] = {Ctl::SettingsButton, Ctl::MinimizeButton, Ctl::MaximizeButton, Ctl::CloseButton,
                           Ctl::PreviousButton, Ctl::NextButton,    Ctl::Toolbar};

// The chrome's clock: how often the cursor is looked at, and the fade's
// step per look (a fade takes five looks, 200 ms).
constexpr UINT_PTR kChromeTimer = 0x564C4631;
constexpr UINT kChromeTickMs = 40;
constexpr int kOpaque = 255;
constexpr int kFadeStep = 51;
// The mouse resting this long fades the chrome out and hides the cursor.
constexpr DWORD kRestMs = 2000;
// The mouse moving this near (at 100 % scaling) to an edge of the screen
// fades the chrome in: the bands where the chrome sits.
constexpr int kEdgeBand = 100;

// The window as the user left it for full screen.
struct Before {
    WINDOWPLACEMENT placement{};
    view::ViewRect view;
    // The view's bytes then: the zoom comes back only for the same picture.
    std::uint64_t pictureWrite = 0;
};

struct Chrome {
    int opacity = 0;
    int target = 0;
    POINT cursor{0, 0};
    DWORD lastMove = 0;
    bool cursorHidden = false;
};

bool fullScreen = false;
Before before;
Chrome chrome;
// The place the window was laid out for and is moved to with its next frame.
RECT planned{};
bool placePlanned = false;

int Get(Ctl c, int p) { return forms::GetInt(c, p); }
void Set(Ctl c, int p, int v) { forms::SetInt(c, p, v); }

void ShowChromeControls(bool visible) {
    for (const Ctl c : kChrome) Set(c, prop::Visible, visible ? 1 : 0);
}

// ShowCursor counts; the viewer hides it at most once.
void HideCursor(bool hide) {
    if (chrome.cursorHidden == hide) return;
    chrome.cursorHidden = hide;
    ShowCursor(hide ? FALSE : TRUE);
}

bool NearAnEdge(POINT p, const RECT& screen) {
    const int band = forms::Scaled(kEdgeBand);
    return p.x < screen.left + band || p.x >= screen.right - band || p.y < screen.top + band ||
           p.y >= screen.bottom - band;
}

// The cursor rests on a shown control of the chrome (its buttons stay while
// the user is about to press one).
bool OverChrome(POINT p) {
    if (chrome.opacity == 0) return false;
    const HWND hit = WindowFromPoint(p);
    for (const Ctl c : kChrome) {
        const HWND h = forms::NativeWindow(c);
        if (h && (h == hit || IsChild(h, hit))) return true;
    }
    return false;
}

void StepChromeOpacity() {
    if (chrome.opacity == chrome.target) return;
    const int step = chrome.target > chrome.opacity ? kFadeStep : -kFadeStep;
    const int next = chrome.target > chrome.opacity ? std::min(chrome.target, chrome.opacity + step)
                                                    : std::max(chrome.target, chrome.opacity + step);
    // Shown before the first step in, hidden after the last step out, so
    // that hidden chrome takes no clicks.
    if (chrome.opacity == 0) ShowChromeControls(true);
    chrome.opacity = next;
    Set(Ctl::SkinFrame, prop::FrameChromeOpacity, next);
    if (next == 0) ShowChromeControls(false);
}

void CALLBACK OnChromeTick(HWND, UINT, UINT_PTR, DWORD) {
    if (!fullScreen || forms::StartWindowClosed()) return;
    const HWND window = forms::NativeWindow(Ctl::MainWindow);
    RECT screen{};
    GetWindowRect(window, &screen);
    POINT p{0, 0};
    GetCursorPos(&p);
    const DWORD now = GetTickCount();
    if (p.x != chrome.cursor.x || p.y != chrome.cursor.y) {
        chrome.cursor = p;
        chrome.lastMove = now;
        HideCursor(false);
        if (NearAnEdge(p, screen)) chrome.target = kOpaque;
    } else if (now - chrome.lastMove >= kRestMs && !OverChrome(p)) {
        chrome.target = 0;
        if (PtInRect(&screen, p) && GetForegroundWindow() == window) HideCursor(true);
    }
    StepChromeOpacity();
}

void StartChromeClock() {
    chrome = Chrome{};
    GetCursorPos(&chrome.cursor);
    chrome.lastMove = GetTickCount();
    SetTimer(forms::NativeWindow(Ctl::MainWindow), kChromeTimer, kChromeTickMs, OnChromeTick);
}

void StopChromeClock() {
    KillTimer(forms::NativeWindow(Ctl::MainWindow), kChromeTimer);
    HideCursor(false);
}

// The window laid out for `place` while it stays where it is; the engine
// moves it there with the frame of that layout (without the engine's help,
// it is moved at once).
void MoveWithNextFrame(HWND window, const RECT& place) {
    placePlanned = false;
    RECT now{};
    GetWindowRect(window, &now);
    if (EqualRect(&now, &place)) return;  // nothing moves, no size change comes
    forms::LayOutMainWindowFor(place);
    if (const auto placeFrame = skin::CurrentEngine().PlaceFrame; placeFrame && placeFrame(window, &place)) {
        planned = place;
        placePlanned = true;
        return;
    }
    forms::ForgetMainWindowPlaceAhead();
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The screen rectangle the window had in its normal state, as the
// placement keeps it (in work-area coordinates).
RECT NormalPlace(HWND window, const WINDOWPLACEMENT& placement) {
    RECT place = placement.rcNormalPosition;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
        GetMonitorInfoA(MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST), &monitor))
        OffsetRect(&place, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
    return place;
}

// Where the window goes back to: its normal place, or the work area of its
// monitor when it was maximized.
RECT PlaceBefore(HWND window) {
    if (before.placement.showCmd != SW_SHOWMAXIMIZED) return NormalPlace(window, before.placement);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

view::ViewRect CurrentView() {
    return {Get(Ctl::PictureView, prop::Left), Get(Ctl::PictureView, prop::Top), Get(Ctl::PictureView, prop::Width),
            Get(Ctl::PictureView, prop::Height)};
}

}  // namespace

bool InFullScreen() { return fullScreen; }

bool WindowTookPlannedPlace() {
    if (!placePlanned) return false;
    RECT now{};
    GetWindowRect(forms::NativeWindow(Ctl::MainWindow), &now);
    if (!EqualRect(&now, &planned)) return false;
    placePlanned = false;
    return true;
}

void EnterFullScreen() {
    if (fullScreen || forms::StartWindowClosed()) return;
    const HWND window = forms::NativeWindow(Ctl::MainWindow);
    if (!window || IsIconic(window)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    before.placement.length = sizeof before.placement;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !GetWindowPlacement(window, &before.placement))
        return;
    before.view = CurrentView();
    placePlanned = false;
    before.pictureWrite = forms::LastAttributeWrite(Ctl::PictureView);

    {
        // Every write below asks for a frame; the hold makes them one, at
        // the monitor's size, shown as the window takes the monitor.
        const view::FrameHold hold;
        fullScreen = true;
        UseFullScreenLayout(true);
        Set(Ctl::SkinFrame, prop::FrameChromeOpacity, 0);
        Set(Ctl::SkinFrame, prop::FrameFullScreen, 1);
        ShowChromeControls(false);
        // No longer maximized, without a move (the placement keeps where a
        // maximized window goes back to).
        if (IsZoomed(window)) SetWindowLongA(window, GWL_STYLE, GetWindowLongA(window, GWL_STYLE) & ~WS_MAXIMIZE);
        // Above the other windows but not always on top: the viewer's own
        // questions and dialogs must still come in front of it. Windows
        // keeps the taskbar under the active window that covers its monitor.
        const bool topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        SetWindowPos(window, topmost ? HWND_NOTOPMOST : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        forms::LayOutMainWindowFor(monitor.rcMonitor);
        FitPictureToWindow();
        if (forms::StartWindowClosed()) return;
        MoveWithNextFrame(window, monitor.rcMonitor);
    }
    StartChromeClock();
    // The neighbours again, fitted to the monitor: a step shows its final frame at once.
    PrepareNeighboursOnceShown();
}

void LeaveFullScreen() {
    if (!fullScreen || forms::StartWindowClosed()) return;
    const HWND window = forms::NativeWindow(Ctl::MainWindow);
    StopChromeClock();
    placePlanned = false;
    {
        const view::FrameHold hold;
        fullScreen = false;
        UseFullScreenLayout(false);
        Set(Ctl::SkinFrame, prop::FrameFullScreen, 0);
        ShowChromeControls(true);
        const RECT place = PlaceBefore(window);
        forms::LayOutMainWindowFor(place);
        // The window's own rules for its size (the screen's bounds, always
        // on top at the screen's size) and its layout.
        OnMainWindowSizeChanged();
        if (forms::StartWindowClosed()) return;
        if (forms::LastAttributeWrite(Ctl::PictureView) == before.pictureWrite) {
            Set(Ctl::PictureView, prop::Width, before.view.width);
            Set(Ctl::PictureView, prop::Height, before.view.height);
            Set(Ctl::PictureView, prop::Left, before.view.left);
            Set(Ctl::PictureView, prop::Top, before.view.top);
            UpdateZoomLabel();
        }
        MoveWithNextFrame(window, place);
    }
    // Maximized again where it was (already in place: nothing moves), with
    // the normal place it goes back to.
    if (before.placement.showCmd == SW_SHOWMAXIMIZED) SetWindowPlacement(window, &before.placement);
    PrepareNeighboursOnceShown();
}

void ToggleFullScreen() {
    if (fullScreen) {
        LeaveFullScreen();
    } else {
        EnterFullScreen();
    }
}

}  // namespace vela
