// WindowEx: the skin of a whole top-level window. It takes over the window's
// frame (no system caption or border, dragged by its own caption band),
// shows the title and icon, and owns the Frame that composes the window.
#include <algorithm>
#include <memory>

#include "controls/control.h"
#include "controls/frame.h"
#include "controls/window_text.h"
#include "core/unique.h"

namespace uiengine {

namespace {

constexpr int kDefaultCaption = 30;
constexpr uint32_t kDefaultFill = 0x8C000000;  // black at alpha 140
constexpr uint32_t kFullScreenFill = 0xFF000000;  // opaque black: the picture alone on the screen
// The look of a button caption (the zoom percentage): the skin's face at
// the caption's size, white. The hint line is written in it.
constexpr int kCaptionPoints = 11;
constexpr uint32_t kCaptionColour = 0xFFFFFFFF;
// The band the hint line is rendered into, centred on the window's middle.
constexpr int kHintBand = 40;

void DestroyIconHandle(HICON icon) { DestroyIcon(icon); }

// The entry of an ICO file closest in size to `side`, as an icon handle.
HICON IconFromFile(const std::vector<uint8_t>& ico, int side) {
    if (ico.size() < 6) return nullptr;
    const uint8_t* p = ico.data();
    const int count = p[4] | (p[5] << 8);
    if (p[0] != 0 || p[1] != 0 || p[2] != 1 || count <= 0 || ico.size() < 6 + 16u * count) return nullptr;
    int best = -1, bestDiff = 1 << 30;
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = p + 6 + 16 * i;
        const int w = e[0] ? e[0] : 256;
        const uint32_t size = e[8] | (e[9] << 8) | (e[10] << 16) | (static_cast<uint32_t>(e[11]) << 24);
        const uint32_t offset = e[12] | (e[13] << 8) | (e[14] << 16) | (static_cast<uint32_t>(e[15]) << 24);
        if (offset > ico.size() || size > ico.size() - offset || size == 0) continue;
        const int diff = w >= side ? w - side : (side - w) * 4;  // prefer shrinking a larger one
        if (diff < bestDiff) {
            bestDiff = diff;
            best = i;
        }
    }
    if (best < 0) return nullptr;
    const uint8_t* e = p + 6 + 16 * best;
    const uint32_t size = e[8] | (e[9] << 8) | (e[10] << 16) | (static_cast<uint32_t>(e[11]) << 24);
    const uint32_t offset = e[12] | (e[13] << 8) | (e[14] << 16) | (static_cast<uint32_t>(e[15]) << 24);
    return CreateIconFromResourceEx(const_cast<uint8_t*>(p + offset), size, TRUE, 0x00030000, side, side,
                                    LR_DEFAULTCOLOR);
}

// One line of text centred in the whole window (`whole` large; the canvas
// is its part at `at`), in the given font and colour. The rendered line is
// kept in *rendered while the window's width stays.
void DrawCentredLine(const Canvas& canvas, POINT at, SIZE whole, const std::string& text, HFONT font,
                     uint32_t colour, int dpi, Image* rendered) {
    if (text.empty() || whole.cx <= 0 || whole.cy <= 0) return;
    const int band = AtDpi(kHintBand, dpi);
    if (rendered->width != whole.cx || rendered->height != band)
        *rendered = RenderText(text.c_str(), font, whole.cx, band, colour, DT_CENTER, TextHalo(dpi));
    DrawOver(canvas, *rendered, -at.x, whole.cy / 2 - band / 2 - at.y);
}

class WindowSkin : public Control {
public:
    WindowSkin(HWND host, HWND parent, ExuiEventCallback callback, const ExuiBindingRecord& binding)
        : Control(ControlType::WindowEx, host, parent, callback, binding) {}

    void Attach() override {
        attrs_.SetDesignText(kWindowTitle, skin_.text);
        caption_ = skin_.captionHeight > 0 && skin_.captionHeight < 400 ? skin_.captionHeight : kDefaultCaption;
        FollowDpi();
        const uint32_t fill = skin_.hasFill ? skin_.fill : kDefaultFill;
        fill_ = Premultiply(fill >> 24, (fill >> 16) & 0xFF, (fill >> 8) & 0xFF, fill & 0xFF);
        if (top_ && top_ != host_ && !Frame::Of(top_)) {
            TakeOverFrame();
            frame_ = std::make_unique<Frame>(top_, this);
            MirrorTitle();
            frame_->Invalidate();
        }
    }

    void Detach() override {
        if (!frame_) return;
        frame_.reset();
        if (IsWindow(top_)) {
            if (bigIcon_ || smallIcon_) {
                SendMessageA(top_, WM_SETICON, ICON_BIG, 0);
                SendMessageA(top_, WM_SETICON, ICON_SMALL, 0);
            }
            // Handed back as it was, so a window that outlives its skin stays usable.
            SetWindowLongA(top_, GWL_EXSTYLE, savedExStyle_);
            SetWindowLongA(top_, GWL_STYLE, savedStyle_);
            SetWindowPos(top_, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        bigIcon_.Reset();
        smallIcon_.Reset();
    }

    void Written(int index) override {
        if (index == kWindowTitle) {
            titleImage_.Clear();
            MirrorTitle();
        }
        if (index == kWindowHint) {
            hintImage_.Clear();
            // Readable from outside the composed frame, like the title.
            SetWindowTextOf(host_, attrs_.TextOf(kWindowHint));
        }
        if (frame_) {
            frame_->Invalidate();  // the caption band spans the window
        } else {
            Invalidate();
        }
    }

    int CaptionHeight() const override { return AtDpi(caption_, dpi_); }
    bool FullScreen() const override { return attrs_.Int(kWindowFullScreen) != 0; }
    int ChromeOpacity() const override {
        if (!FullScreen()) return 255;
        return std::clamp(attrs_.Int(kWindowChromeOpacity), 0, 255);
    }

    bool HostMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override {
        if (msg == WM_NCHITTEST && frame_) {
            // The skin's own small host sits in the caption band; the band
            // must still drag the window there.
            *result = HTTRANSPARENT;
            return true;
        }
        return Control::HostMessage(msg, wp, lp, result);
    }

    void DrawBackdrop(const Canvas& canvas, POINT at, SIZE whole) override {
        FillCopy(canvas, RECT{0, 0, canvas.width, canvas.height}, FullScreen() ? kFullScreenFill : fill_);
        // Under every control: the host clears it once a picture shows.
        FollowDpi();
        DrawCentredLine(canvas, at, whole, attrs_.TextOf(kWindowHint), hintFont_.Get(), kCaptionColour, dpi_,
                        &hintImage_);
    }

    // The title goes over the controls: a picture reaching the top edge
    // must not hide it.
    void DrawAbove(const Canvas& canvas, POINT at, SIZE whole) override {
        FollowDpi();
        const std::string& title = attrs_.TextOf(kWindowTitle);
        const int caption = AtDpi(caption_, dpi_);
        if (title.empty() || at.y >= caption) return;
        // Clear of the window buttons.
        const int left = AtDpi(12, dpi_), width = whole.cx - left - AtDpi(130, dpi_);
        if (width <= 0) return;
        if (titleImage_.width != width || titleImage_.height != caption)
            titleImage_ = RenderText(title.c_str(), font_.Get(), width, caption, 0xFFFFFFFF, DT_LEFT | DT_END_ELLIPSIS,
                                     TextHalo(dpi_));
        DrawOver(canvas, titleImage_, left - at.x, -at.y);
    }

private:
    // The font (and so the title) for the monitor the window is on now.
    void FollowDpi() {
        const int dpi = DpiOf(top_ ? top_ : host_);
        if (font_ && dpi == dpi_) return;
        dpi_ = dpi;
        font_.Reset(MakeFont(skin_, 14, dpi_));
        Skin captionLook;
        captionLook.fontFace = skin_.fontFace;
        captionLook.fontSize = kCaptionPoints;
        hintFont_.Reset(MakeFont(captionLook, kCaptionPoints, dpi_));
        titleImage_.Clear();
        hintImage_.Clear();
    }

    void TakeOverFrame() {
        savedStyle_ = GetWindowLongA(top_, GWL_STYLE);
        savedExStyle_ = GetWindowLongA(top_, GWL_EXSTYLE);
        RECT r{};
        GetWindowRect(top_, &r);
        LONG style = savedStyle_ & ~(WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME);
        style |= WS_POPUP;
        SetWindowLongA(top_, GWL_STYLE, style);
        SetWindowLongA(top_, GWL_EXSTYLE, (savedExStyle_ & ~(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE)) |
                                              WS_EX_LAYERED);
        // The outer rectangle stays; the client area now is all of it.
        SetWindowPos(top_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }

    // The icons go to the window once its first frame is on the screen:
    // only the taskbar and the window list show them, and making them (and
    // handing them to the window system) costs that frame several
    // milliseconds.
    void FramePresented() override {
        if (iconsSet_) return;
        iconsSet_ = true;
        SetIcons();
    }

    void SetIcons() {
        if (skin_.icon.empty()) return;
        bigIcon_.Reset(IconFromFile(skin_.icon, GetSystemMetrics(SM_CXICON)));
        smallIcon_.Reset(IconFromFile(skin_.icon, GetSystemMetrics(SM_CXSMICON)));
        if (bigIcon_) SendMessageA(top_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
        if (smallIcon_) SendMessageA(top_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    }

    // The taskbar, the window list and the tests read the title from the window text.
    void MirrorTitle() {
        if (frame_) SetWindowTextOf(top_, attrs_.TextOf(kWindowTitle));
    }

    std::unique_ptr<Frame> frame_;
    bool iconsSet_ = false;
    uiengine::Unique<HFONT, DeleteObject> font_, hintFont_;
    uiengine::Unique<HICON, DestroyIconHandle> bigIcon_, smallIcon_;
    Image titleImage_, hintImage_;
    LONG savedStyle_ = 0, savedExStyle_ = 0;
    int caption_ = kDefaultCaption;  // at 96 dpi
    int dpi_ = 96;
    uint32_t fill_ = 0;
};

}  // namespace

std::unique_ptr<Control> MakeWindowSkin(HWND host, HWND parent, ExuiEventCallback callback,
                                        const ExuiBindingRecord& binding) {
    return std::make_unique<WindowSkin>(host, parent, callback, binding);
}

}  // namespace uiengine
