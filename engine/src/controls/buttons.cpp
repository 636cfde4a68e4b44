// ButtonEx and SuperbuttonEx (clickable, three looks: normal, hover,
// pressed) and MinutesboxEx (a group that only draws its background).
#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>

#include "controls/control.h"
#include "controls/window_text.h"
#include "core/pool.h"
#include "core/unique.h"
#include "decoders/decode.h"

namespace uiengine {

namespace {

// The buttons share most of their pictures (the toolbar's buttons have the
// same backgrounds), and a decode costs milliseconds where the platform's
// decoder starts up for each picture: each distinct picture is decoded once
// in the process and copied after. The pictures are a pack's, a few dozen,
// so they are looked up one by one.
struct DecodedSkinPicture {
    std::vector<uint8_t> png;
    Image image;
};

Image DecodeSkinPicture(std::vector<uint8_t>& png) {
    static SRWLOCK lock = SRWLOCK_INIT;
    static auto* decoded = new std::vector<DecodedSkinPicture>;  // lives as long as the process
    Image image;
    if (png.empty()) return image;
    bool found = false;
    AcquireSRWLockShared(&lock);
    for (const DecodedSkinPicture& d : *decoded) {
        if (!SameBytes(d.png, png.data(), png.size())) continue;
        found = true;
        try {
            image = d.image;
        } catch (const std::exception&) {
            image.Clear();  // no room for the copy: the plain look
        }
        break;
    }
    ReleaseSRWLockShared(&lock);
    if (found) return image;
    image = DecodePicture(png.data(), png.size());
    AcquireSRWLockExclusive(&lock);
    try {
        decoded->push_back({std::move(png), image});
    } catch (const std::exception&) {
        // Not kept: decoded again by the next button that has it.
    }
    ReleaseSRWLockExclusive(&lock);
    return image;
}

// Some of a button's skin pictures, decoded on a worker while the window is
// being built and the host measures its first picture. A button has two such
// jobs: its look at rest, which its first frame shows, and its other looks
// (hover, pressed, maximized), decoded a while after that frame so that they
// do not take the processors from the window's start. A draw that needs
// them takes them: it decodes them itself when no worker has started on them
// (a worker may be busy with a large picture), or waits for the worker that
// has.
struct SkinDecode {
    std::vector<uint8_t> states[2][3];
    std::vector<uint8_t> glyphs[2];
    bool hasState[2][3]{};
    bool hasGlyph[2]{};
    Image stateImages[2][3];
    Image glyphImages[2];
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> claimed{false};  // a thread has started the decodes
    SkinDecode() = default;
    SkinDecode(const SkinDecode&) = delete;
    SkinDecode& operator=(const SkinDecode&) = delete;
    ~SkinDecode() {
        if (done) CloseHandle(done);
    }
    void AddState(int set, int state, const std::vector<uint8_t>& png) {
        states[set][state] = png;
        hasState[set][state] = true;
    }
    void AddGlyph(int set, const std::vector<uint8_t>& png) {
        glyphs[set] = png;
        hasGlyph[set] = true;
    }
    bool HasWork() const {
        for (int set = 0; set < 2; ++set) {
            if (!glyphs[set].empty()) return true;
            for (const auto& png : states[set])
                if (!png.empty()) return true;
        }
        return false;
    }
    // Once: a second caller returns at once.
    void Run() {
        if (claimed.exchange(true)) return;
        for (int set = 0; set < 2; ++set) {
            for (int state = 0; state < 3; ++state) {
                stateImages[set][state] = DecodeSkinPicture(states[set][state]);
                states[set][state] = {};
            }
            glyphImages[set] = DecodeSkinPicture(glyphs[set]);
            glyphs[set] = {};
        }
        SetEvent(done);
    }
};
constexpr DWORD kSkinWaitMs = 10000;
// How long after its first draw a button's other looks wait to be decoded:
// past the first frame's way to the screen and the window's first moments.
// A look needed sooner is decoded when it is needed.
constexpr UINT_PTR kOtherLooksTimer = 0x5E1C;
constexpr UINT kOtherLooksDelayMs = 400;

class Button : public Control {
public:
    Button(ControlType type, HWND host, HWND parent, ExuiEventCallback callback, const ExuiBindingRecord& binding)
        : Control(type, host, parent, callback, binding) {}

    void Attach() override {
        dpi_ = DpiOf(top_);
        MakeSkinJobs();
        Submit(restingSkin_);
        if (Type() == ControlType::SuperbuttonEx) {
            attrs_.SetDesignText(kButtonCaption, skin_.text);
            font_.Reset(MakeFont(skin_, 11, dpi_));
            MirrorCaption();
        }
    }

    void Detach() override {
        if (IsWindow(host_)) KillTimer(host_, kOtherLooksTimer);
    }

    void Written(int index) override {
        if (Type() == ControlType::SuperbuttonEx && index == kButtonCaption) {
            captionWritten_ = true;
            captionImage_.Clear();
            MirrorCaption();
        }
        Invalidate();
    }

    void Synchronise(HostChange change) override {
        if (change == HostChange::Resized) scaled_.clear();
        Invalidate();
    }

    void Draw(const Canvas& canvas, int x, int y) override {
        FollowDpi();
        TakeSkin(restingSkin_);
        if (Type() == ControlType::MinutesboxEx) {
            DrawScaled(canvas, x, y, 0, 0);
            QueueOtherLooksLater();
            return;
        }
        const int state = pressed_ && hover_ ? 2 : (hover_ || pressed_) ? 1 : 0;
        if (state != 0 || (IsZoomed(top_) && !restingZoomed_)) {
            TakeSkin(otherSkin_);
        } else {
            QueueOtherLooksLater();
        }
        const int set = !states_[1][0].Empty() && IsZoomed(top_) ? 1 : 0;
        const SIZE s = Size();
        if (!states_[set][state].Empty()) {
            DrawScaled(canvas, x, y, set, state);
        } else if (state && skin_.stateImages[0][0].empty()) {
            // No skin: the plain look of the same family.
            const uint8_t alpha = Type() == ControlType::ButtonEx ? (state == 2 ? 77 : 38) : (state == 2 ? 128 : 64);
            FillOver(canvas, RECT{x, y, x + s.cx, y + s.cy}, Premultiply(alpha, 255, 255, 255));
        }
        const int g = glyphs_[set].Empty() ? 0 : set;
        const Image& glyph = glyphs_[g];
        if (!glyph.Empty() && glyph.width <= s.cx && glyph.height <= s.cy) {
            // The ink fits: 1:1 where the glyph's canvas, centred on the
            // control, puts it, so its pixels stay as drawn.
            DrawOver(canvas, glyph, x + (s.cx - glyphCanvas_[g].cx) / 2 + inkAt_[g].x,
                     y + (s.cy - glyphCanvas_[g].cy) / 2 + inkAt_[g].y);
        } else if (!glyph.Empty()) {
            const Image& fitted = FittedGlyph(glyph, s);
            DrawOver(canvas, fitted, x + (s.cx - fitted.width) / 2, y + (s.cy - fitted.height) / 2);
        } else if (Type() == ControlType::ButtonEx && skin_.stateImages[0][0].empty()) {
            // The plain glyph of an unskinned window button: a small square outline.
            const int side = std::max<int>(std::min(s.cx, s.cy) / 3, 2);
            const int gx = x + (s.cx - side) / 2, gy = y + (s.cy - side) / 2;
            const uint32_t white = 0xFFFFFFFF;
            FillOver(canvas, RECT{gx, gy, gx + side, gy + 1}, white);
            FillOver(canvas, RECT{gx, gy + side - 1, gx + side, gy + side}, white);
            FillOver(canvas, RECT{gx, gy, gx + 1, gy + side}, white);
            FillOver(canvas, RECT{gx + side - 1, gy, gx + side, gy + side}, white);
        }
        if (Type() == ControlType::SuperbuttonEx) {
            // The design caption is a placeholder the host replaces: until it
            // writes the caption, the button shows none rather than a text
            // that was never meant for the user.
            const std::string& caption = attrs_.TextOf(kButtonCaption);
            if (captionWritten_ && !caption.empty()) {
                if (captionImage_.width != s.cx || captionImage_.height != s.cy)
                    captionImage_ = RenderText(caption.c_str(), font_.Get(), s.cx, s.cy, 0xFFFFFFFF, DT_CENTER,
                                               TextHalo(dpi_));
                DrawOver(canvas, captionImage_, x, y);
            }
        }
    }

    bool HostMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override {
        if (msg == WM_TIMER && wp == kOtherLooksTimer) {
            KillTimer(host_, kOtherLooksTimer);
            if (otherSkin_) Submit(otherSkin_);
            *result = 0;
            return true;
        }
        if (Type() == ControlType::MinutesboxEx) return Control::HostMessage(msg, wp, lp, result);
        switch (msg) {
            case WM_MOUSEMOVE: {
                const bool inside = Inside(lp);
                if (!hover_ && inside) {
                    TRACKMOUSEEVENT t{sizeof(t), TME_LEAVE, host_, 0};
                    TrackMouseEvent(&t);
                }
                if (inside != hover_) {
                    hover_ = inside;
                    Invalidate();
                }
                *result = 0;
                return true;
            }
            case WM_MOUSELEAVE:
                if (hover_) {
                    hover_ = false;
                    Invalidate();
                }
                *result = 0;
                return true;
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                pressed_ = true;
                hover_ = true;
                SetCapture(host_);
                Invalidate();
                *result = 0;
                return true;
            case WM_LBUTTONUP: {
                *result = 0;
                if (!pressed_) return true;
                pressed_ = false;
                const bool inside = Inside(lp);
                hover_ = inside;
                if (GetCapture() == host_) ReleaseCapture();
                Invalidate();
                if (inside) Raise(ENGINE_EVENT_CLICKED);
                return true;
            }
            case WM_CAPTURECHANGED:
                if (pressed_) {
                    pressed_ = false;
                    Invalidate();
                }
                return false;
            case WM_SIZE:
                scaled_.clear();
                return false;
            default: return Control::HostMessage(msg, wp, lp, result);
        }
    }

private:
    bool Inside(LPARAM lp) const {
        const SIZE s = Size();
        const int px = static_cast<short>(LOWORD(lp)), py = static_cast<short>(HIWORD(lp));
        return px >= 0 && py >= 0 && px < s.cx && py < s.cy;
    }

    // The state image stretched over the whole control, scaled once per size.
    void DrawScaled(const Canvas& canvas, int x, int y, int set, int state) {
        const Image& src = states_[set][state];
        if (src.Empty()) return;
        const SIZE s = Size();
        const int key = set * 3 + state;
        auto it = std::find_if(scaled_.begin(), scaled_.end(), [&](const auto& e) { return e.first == key; });
        if (it == scaled_.end() || it->second.width != s.cx || it->second.height != s.cy) {
            if (it != scaled_.end()) scaled_.erase(it);
            scaled_.emplace_back(key, Scale(src, s.cx, s.cy));
            it = scaled_.end() - 1;
        }
        DrawOver(canvas, it->second, x, y);
    }

    // The part of a glyph that has ink, and where that part sat in it.
    static Image CropToInk(const Image& glyph, POINT* at) {
        int x0 = glyph.width, y0 = glyph.height, x1 = -1, y1 = -1;
        for (int y = 0; y < glyph.height; ++y) {
            for (int x = 0; x < glyph.width; ++x) {
                if (glyph.Row(y)[x] >> 24) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                    y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
            }
        }
        Image out;
        *at = POINT{0, 0};
        if (x1 < 0) return out;
        out.Reset(x1 - x0 + 1, y1 - y0 + 1);
        for (int y = 0; y < out.height; ++y) std::copy_n(glyph.Row(y0 + y) + x0, out.width, out.Row(y));
        *at = POINT{x0, y0};
        return out;
    }

    // Ink larger than the control: shrunk to fit, keeping its proportions.
    const Image& FittedGlyph(const Image& glyph, SIZE s) {
        const double k = std::min(static_cast<double>(s.cx) / glyph.width, static_cast<double>(s.cy) / glyph.height);
        const int w = std::max(1, static_cast<int>(glyph.width * k)), h = std::max(1, static_cast<int>(glyph.height * k));
        if (glyphFitted_.width != w || glyphFitted_.height != h || glyphSource_ != &glyph) {
            glyphFitted_ = Scale(glyph, w, h);
            glyphSource_ = &glyph;
        }
        return glyphFitted_;
    }

    // The two jobs of the pictures drawn for the window's scale; a draw
    // decodes what no worker has started when it takes them.
    void MakeSkinJobs() {
        try {
            const ScaledArt art = skin_.ArtFor(dpi_);
            // A window maximized from the start shows its maximized look at rest.
            const bool zoomed = IsZoomed(top_) != FALSE;
            auto resting = std::make_shared<SkinDecode>();
            auto other = std::make_shared<SkinDecode>();
            for (int set = 0; set < 2; ++set) {
                const bool rests = set == 0 || zoomed;
                for (int state = 0; state < 3; ++state) {
                    const auto& png = art.stateImages[set][state];
                    if (state == 0 && rests) {
                        resting->AddState(set, state, png);
                    } else {
                        other->AddState(set, state, png);
                    }
                }
                if (rests) {
                    resting->AddGlyph(set, art.glyphs[set]);
                } else {
                    other->AddGlyph(set, art.glyphs[set]);
                }
            }
            restingSkin_ = resting;
            restingZoomed_ = zoomed;
            otherSkin_ = other;
            otherAsked_ = false;
        } catch (const std::exception&) {
            restingSkin_.reset();  // no room: the plain look
            otherSkin_.reset();
        }
    }

    // On a worker, or here when there is none or no room for the task.
    static void Submit(const std::shared_ptr<SkinDecode>& job) {
        if (!job) return;
        if (!job->done || !SubmitTask([job] { job->Run(); })) job->Run();
    }

    // Once per skin, from the first draw: the other looks go to a worker
    // when the timer comes (at once when the timer cannot be set), and a
    // skin without other looks is done with them here.
    void QueueOtherLooksLater() {
        if (!otherSkin_ || otherAsked_) return;
        otherAsked_ = true;
        if (!otherSkin_->HasWork()) {
            TakeSkin(otherSkin_);
        } else if (!SetTimer(host_, kOtherLooksTimer, kOtherLooksDelayMs, nullptr)) {
            Submit(otherSkin_);
        }
    }

    // The window went to a monitor of another scale: the pictures and the
    // caption's font of that scale.
    void FollowDpi() {
        const int dpi = DpiOf(top_);
        if (dpi == dpi_) return;
        // Every look of the new scale is decoded and taken here; a decode of
        // the old scale still running lands nowhere.
        dpi_ = dpi;
        MakeSkinJobs();
        TakeSkin(restingSkin_);
        TakeSkin(otherSkin_);
        scaled_.clear();
        glyphSource_ = nullptr;
        captionImage_.Clear();
        if (Type() == ControlType::SuperbuttonEx) font_.Reset(MakeFont(skin_, 11, dpi_));
    }

    void TakeSkin(std::shared_ptr<SkinDecode>& job) {
        if (!job) return;
        job->Run();  // what no worker has started is decoded here
        // A job without its event never goes to a worker.
        if (job->done && WaitForSingleObject(job->done, kSkinWaitMs) != WAIT_OBJECT_0) return;
        for (int set = 0; set < 2; ++set) {
            for (int state = 0; state < 3; ++state) {
                if (job->hasState[set][state]) states_[set][state] = std::move(job->stateImages[set][state]);
            }
            if (!job->hasGlyph[set]) continue;
            const Image& glyph = job->glyphImages[set];
            glyphCanvas_[set] = {glyph.width, glyph.height};
            glyphs_[set] = CropToInk(glyph, &inkAt_[set]);
        }
        job.reset();
    }

    void MirrorCaption() { SetWindowTextOf(host_, attrs_.TextOf(kButtonCaption)); }

    // Until a draw takes their pictures.
    std::shared_ptr<SkinDecode> restingSkin_, otherSkin_;
    bool restingZoomed_ = false;  // the look at rest is the maximized one
    bool otherAsked_ = false;     // the other looks are timed or queued
    Image states_[2][3];
    Image glyphs_[2];       // cropped to their ink
    SIZE glyphCanvas_[2]{};  // the glyphs' own sizes
    POINT inkAt_[2]{};       // where the ink sat in them
    std::vector<std::pair<int, Image>> scaled_;
    Image glyphFitted_;
    const Image* glyphSource_ = nullptr;
    Image captionImage_;
    uiengine::Unique<HFONT, DeleteObject> font_;
    bool hover_ = false;
    bool pressed_ = false;
    bool captionWritten_ = false;
    int dpi_ = 96;
};

}  // namespace

std::unique_ptr<Control> MakeButton(ControlType type, HWND host, HWND parent, ExuiEventCallback callback,
                                    const ExuiBindingRecord& binding) {
    return std::make_unique<Button>(type, host, parent, callback, binding);
}

}  // namespace uiengine
