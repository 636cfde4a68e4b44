#include "picture_box/picture.h"

#include <algorithm>

#include "controls/control.h"
#include "controls/frame.h"
#include "core/pool.h"
#include "picture_box/frame_player.h"
#include "picture_box/prepared.h"
#include "picture_box/view_copy.h"

namespace uiengine {

namespace {

int g_rescales = 0;

// A new size is first drawn quickly (view_copy.h); once the size has
// rested this long the copy is made again averaged and for the whole view.
constexpr UINT kRestMs = 200;
constexpr UINT_PTR kSharpTimer = 0x5E1A;
// New bytes wait for the host to give the view its size (the host measures
// the picture and fits the view after writing the bytes); a host that never
// does is not waited for longer than this.
constexpr UINT_PTR kFitTimer = 0x5E1B;
constexpr UINT kFitWaitMs = 1000;

// What new bytes wait for before the window lets go of its last frame (no
// frame shows the new picture at the old size, nor an empty view between
// two pictures); Fit and Picture end each on their own.
enum class Awaiting : unsigned {
    Nothing = 0,
    Fit = 1,      // the host has not set the view's size since the bytes came
    Picture = 2,  // their decode has not delivered a picture yet
    FitAndPicture = 3,
};

class PictureBox : public Control {
    struct SharpJob {
        std::shared_ptr<const DecodedPicture> picture;
        SIZE size;
        RECT region;
        Image out;
        std::atomic<bool> cancelled{false};
    };

public:
    PictureBox(HWND host, HWND parent, ExuiEventCallback callback, const ExuiBindingRecord& binding)
        : Control(ControlType::PictureBoxEx, host, parent, callback, binding), player_(host, DecodedMessage()) {}

    ~PictureBox() override { Detach(); }

    // The work under way for this control stops before the control goes:
    // the pool may be stopped right after.
    void Detach() override {
        player_.Stop();
        DropJob();
        DropSharp();
        awaiting_ = Awaiting::Nothing;
        UpdateHold();
        if (IsWindow(host_)) {
            KillTimer(host_, kSharpTimer);
            KillTimer(host_, kFitTimer);
        }
    }

    void Written(int index) override {
        if (index != kPictureBytes) return;
        player_.Stop();
        {
            const auto& written = attrs_.DataOf(kPictureBytes);
            NoteFirstPlay(IsMovingPicture(written.data(), written.size()));
        }
        // The old picture goes at once (offered to the prepared set, for a
        // step back); the new one arrives from the worker.
        // (Not a moving picture's later frame: a step back starts it from its first.)
        if (picture_ && !showingFrame_) OfferShown(std::move(shownBytes_), picture_);
        showingFrame_ = false;
        shownBytes_.reset();
        wholeAsked_ = false;
        picture_.reset();
        DropSharp();
        prepared_.Clear();
        announce_ = false;
        DropJob();
        // The decode shares the attribute's bytes: a later write makes a new
        // block and the worker keeps this one until it is done with it.
        auto bytes = attrs_.SharedDataOf(kPictureBytes);
        // The same bytes decoded ahead: shown on the next frame, no decode.
        if (bytes && !bytes->empty()) {
            if (auto prepared = TakePrepared(*bytes)) {
                // Without the whole picture, that is decoded only once a
                // view larger than the halved copy asks for it (a zoom).
                Show(std::move(prepared));
                shownBytes_ = std::move(bytes);
                player_.Start(shownBytes_);
                NoteFirstPlay(player_.InFirstPlay());
                // Drawn once the host has sized the view for it, like any new picture.
                awaiting_ = Awaiting::Fit;
                SetTimer(host_, kFitTimer, kFitWaitMs, nullptr);
                UpdateHold();
                return;
            }
            YieldToShown(*bytes);
        }
        if (bytes && !bytes->empty()) {
            shownBytes_ = bytes;
            job_ = StartDecode(lane_, std::move(bytes), host_, DecodedMessage(), ++generation_);
        }
        // Until the new picture is decoded and the host has set the view's
        // size for it, the window keeps its last frame: no frame shows the
        // new picture at the old size, nor an empty view between two pictures.
        awaiting_ = job_ ? Awaiting::FitAndPicture : Awaiting::Fit;
        SetTimer(host_, kFitTimer, kFitWaitMs, nullptr);
        UpdateHold();
        Invalidate();
    }

    void Synchronise(HostChange change) override {
        if (change == HostChange::Resized) Fitted();
        Invalidate();
    }

    void Draw(const Canvas& canvas, int x, int y) override {
        if (!picture_) return;
        const SIZE s = Size();
        if (s.cx <= 0 || s.cy <= 0) return;
        // The part of the view the canvas shows, in view coordinates.
        RECT need{std::max(0, -x), std::max(0, -y), std::min<LONG>(s.cx, canvas.width - x),
                  std::min<LONG>(s.cy, canvas.height - y)};
        if (need.left >= need.right || need.top >= need.bottom) return;
        if (preparedSize_.cx != s.cx || preparedSize_.cy != s.cy || !Covers(preparedRect_, need)) {
            if (announce_) {
                prepared_.Clear();
                Adopt(FirstCopy(s), s);
            } else {
                PrepareQuick(s, need);
            }
        }
        DrawOver(canvas, prepared_, x + preparedRect_.left, y + preparedRect_.top);
        if (announce_) {
            announce_ = false;
            if (Frame* f = Frame::Of(top_)) f->NotePictureShown();
            if (job_) PostMessageA(host_, DecodedMessage(), generation_, StepParam(DecodeStep::Shown));
        }
    }

    bool HostMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override {
        std::shared_ptr<const Image> frame;
        if (player_.HostMessage(msg, wp, lp, FramesSeen(), &frame)) {
            if (frame) ShowFrame(std::move(frame));
            NoteFirstPlay(player_.InFirstPlay());
            *result = 0;
            return true;
        }
        if (msg == WM_WINDOWPOSCHANGING) {
            // The host places the view (perhaps where it is already): the
            // picture's own layout has been made.
            Fitted();
            return false;
        }
        const bool handled = msg == WM_TIMER           ? OnTimer(wp)
                             : msg == DecodedMessage() ? OnDecoded(wp, lp)
                                                       : OnMouse(msg, wp, lp);
        if (!handled) return Control::HostMessage(msg, wp, lp, result);
        *result = 0;
        return true;
    }

    bool Wheel(POINT screen, WPARAM wp) override {
        POINT p = screen;
        ScreenToClient(host_, &p);
        Raise(ENGINE_EVENT_WHEEL, p.x, p.y, static_cast<short>(HIWORD(wp)), Modifiers(LOWORD(wp)));
        return true;
    }

private:
    bool OnTimer(WPARAM timer) {
        if (timer == kFitTimer) {
            Fitted();
            return true;
        }
        if (timer != kSharpTimer) return false;
        KillTimer(host_, kSharpTimer);
        const SIZE s = Size();
        // A size past the reduced copy that rested: the whole picture is
        // decoded now (a size passed through while the host lays out a
        // new picture, its natural size first, asks for nothing).
        if (picture_ && !picture_->full && !job_ && !wholeAsked_ && s.cx == preparedSize_.cx &&
            s.cy == preparedSize_.cy &&
            (s.cx > picture_->levels.front()->width || s.cy > picture_->levels.front()->height))
            DecodeWhole();
        if (picture_ && !preparedSharp_ && s.cx == preparedSize_.cx && s.cy == preparedSize_.cy) StartSharp(s);
        return true;
    }

    // A step of the running decode (`generation` its id), or the sharp copy.
    bool OnDecoded(WPARAM generation, LPARAM step) {
        if (step == StepParam(DecodeStep::SharpDone)) {
            OnSharpDone(generation);
        } else if (!job_ || generation != generation_) {
            // A decode dropped since: nothing of it is wanted.
        } else if (step == StepParam(DecodeStep::Shown)) {
            SetEvent(job_->shown.Get());
        } else if (step == StepParam(DecodeStep::First) &&
                   job_->stage.load(std::memory_order_acquire) >= DecodeStep::First) {
            OnFirstState();
        } else if (step == StepParam(DecodeStep::Complete) &&
                   job_->stage.load(std::memory_order_acquire) >= DecodeStep::Complete) {
            OnCompleteState();
        }
        return true;
    }

    void OnSharpDone(WPARAM generation) {
        // Taken only when nothing changed the size or the picture since.
        if (sharp_ && generation == sharpGeneration_ && sharp_->size.cx == preparedSize_.cx &&
            sharp_->size.cy == preparedSize_.cy && !sharp_->out.Empty()) {
            prepared_ = std::move(sharp_->out);
            preparedRect_ = sharp_->region;
            preparedSharp_ = true;
            Invalidate();
        }
        if (generation == sharpGeneration_) DropSharp();
    }

    // Shown at once; the smaller copies follow. The worker's copy for the
    // view is taken when the size is still its size.
    void OnFirstState() {
        if (picture_) {
            SetEvent(job_->shown.Get());  // shown already (prepared): the rest at once
            job_->view.Clear();
            return;
        }
        StopAwaiting(Awaiting::Picture);
        Show(job_->first);
        const SIZE s = Size();
        if (!job_->view.Empty() && s.cx == job_->viewSize.cx && s.cy == job_->viewSize.cy)
            Adopt(QuickCopy{std::move(job_->view), job_->viewRect, job_->viewSharp}, s);
        job_->view.Clear();
        UpdateHold();
    }

    void OnCompleteState() {
        std::shared_ptr<const DecodedPicture> complete = job_->complete;
        const std::shared_ptr<const DecodedPicture> first = job_->first;  // goes after the complete state is in place
        job_.reset();
        DecodeTaken();
        // (A large JPEG's complete state may hold its halved copies only.)
        const bool decoded = complete && ((complete->full && !complete->full->Empty()) || !complete->levels.empty());
        // The host sized the view from the picture's header; it learns of
        // the empty view before the frame is let go.
        if (!decoded && !picture_) {
            NoteFirstPlay(false);
            Raise(ENGINE_EVENT_UNDECODABLE);
            // New bytes written meanwhile (the host lets messages through)
            // have their own decode and hold; a control the handler
            // destroyed has let go of everything.
            if (dead || job_ || picture_) return;
        }
        StopAwaiting(Awaiting::Picture);  // an undecodable picture shows as an empty view
        if (decoded) {
            // A picture shown already is of these bytes (a write drops the
            // job): its first state, or its halved copies when the whole
            // picture was asked for.
            if (picture_) {
                Refine(std::move(complete));
            } else {
                Show(std::move(complete));
            }
            // A moving picture plays from its first frame on.
            player_.Start(shownBytes_);
            NoteFirstPlay(player_.InFirstPlay());
        }
        UpdateHold();
    }

    bool OnMouse(UINT msg, WPARAM wp, LPARAM lp) {
        const int px = static_cast<short>(LOWORD(lp)), py = static_cast<short>(HIWORD(lp));
        switch (msg) {
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                // Captured so that a drag keeps its moves until the release.
                SetCapture(host_);
                Raise(ENGINE_EVENT_LEFT_DOWN, px, py, 0, Modifiers(wp));
                return true;
            case WM_LBUTTONUP:
                if (GetCapture() == host_) ReleaseCapture();
                Raise(ENGINE_EVENT_LEFT_UP, px, py, 0, Modifiers(wp));
                return true;
            case WM_MOUSEMOVE:
                Raise(ENGINE_EVENT_MOUSE_MOVE, px, py, 0, Modifiers(wp));
                return true;
            default: return false;
        }
    }

    static bool Covers(const RECT& have, const RECT& need) {
        return have.left <= need.left && have.top <= need.top && have.right >= need.right &&
               have.bottom >= need.bottom;
    }

    // A sharpened copy under way is for an older state: it stops, and what
    // it made goes at once instead of waiting for the next one to start.
    void DropSharp() {
        ++sharpGeneration_;
        if (!sharp_) return;
        sharp_->cancelled = true;
        sharp_.reset();
    }

    void DropJob() {
        if (!job_) return;
        job_->cancelled = true;
        SetEvent(job_->shown.Get());
        job_.reset();
        DecodeTaken();
    }

    bool Awaits(Awaiting what) const { return (static_cast<unsigned>(awaiting_) & static_cast<unsigned>(what)) != 0; }
    void StopAwaiting(Awaiting what) {
        awaiting_ = static_cast<Awaiting>(static_cast<unsigned>(awaiting_) & ~static_cast<unsigned>(what));
    }

    void Fitted() {
        if (!Awaits(Awaiting::Fit)) return;
        StopAwaiting(Awaiting::Fit);
        KillTimer(host_, kFitTimer);
        UpdateHold();
    }

    void UpdateHold() {
        if (!IsWindow(top_)) return;
        Frame* f = Frame::Of(top_);
        if (!f) return;
        if (awaiting_ != Awaiting::Nothing) {
            f->Hold(this);
        } else {
            f->Release(this);
        }
    }

    // A newly decoded picture: the next frame draws it.
    void Show(std::shared_ptr<const DecodedPicture> picture) {
        picture_ = std::move(picture);
        prepared_.Clear();
        preparedSize_ = {0, 0};
        announce_ = true;
        Invalidate();
    }

    // A moving picture's next frame, drawn at the view's size and place.
    void ShowFrame(std::shared_ptr<const Image> frame) {
        std::shared_ptr<DecodedPicture> picture;
        try {
            picture = std::make_shared<DecodedPicture>();
        } catch (const std::exception&) {
            return;  // the frame before stays
        }
        picture->full = std::move(frame);
        picture_ = std::move(picture);
        showingFrame_ = true;
        DropSharp();
        prepared_.Clear();
        preparedSize_ = {0, 0};
        Invalidate();
    }

    // A moving picture changes frames only where it can be seen, and not
    // while the host lays out a new picture.
    bool FramesSeen() const {
        return awaiting_ == Awaiting::Nothing && IsWindowVisible(host_) && !IsIconic(top_);
    }

    // The same picture with its complete chain: the copy for the current
    // size is made again only when a better level now exists for it.
    void Refine(std::shared_ptr<const DecodedPicture> picture) {
        // Levels of equal size hold equal pixels (halving is exact), whichever decode made them.
        const Image& before = SourceFor(*picture_, preparedSize_);
        const Image& after = SourceFor(*picture, preparedSize_);
        // A sharp copy stays: made again from another level it would differ
        // a little, a change on the screen for nothing.
        const bool same = preparedSize_.cx <= 0 || preparedSize_.cy <= 0 || preparedSharp_ ||
                          (before.width == after.width && before.height == after.height);
        picture_ = std::move(picture);
        if (same) return;
        prepared_.Clear();
        preparedSize_ = {0, 0};
        Invalidate();
    }

    // The part of the view the window shows, in view coordinates.
    RECT Visible(SIZE s) const { return VisiblePart(host_, top_, s); }

    // A new picture's first copy: the one prepared for this very view, or
    // made now (see MakeFirst).
    QuickCopy FirstCopy(SIZE s) {
        const std::shared_ptr<const Image>& fitted = picture_->fitted;
        if (fitted && fitted->width == s.cx && fitted->height == s.cy) {
            QuickCopy q;
            try {
                q.image = *fitted;
            } catch (const std::exception&) {
                q.image = Image();  // no room for the copy: made below, or not at all
            }
            q.rect = RECT{0, 0, s.cx, s.cy};
            q.sharp = !q.image.Empty();
            if (q.sharp) return q;
        }
        return MakeFirst(SourceFor(*picture_, s), s, Visible(s));
    }

    // A new size or an uncovered part: what the window shows (and what the
    // frame asks for), bilinear from the nearest level, and the sharp copy
    // once the size rests.
    void PrepareQuick(SIZE s, RECT need) {
        RECT region = Visible(s);
        if (IsRectEmpty(&region)) {
            region = need;
        } else {
            UnionRect(&region, &region, &need);
        }
        prepared_.Clear();  // the old copy goes before the new one is made
        Adopt(MakeQuick(SourceFor(*picture_, s), s, region), s);
    }

    // A picture held without the whole picture, shown at a size its reduced
    // copy does not cover once the size rested: the whole picture is decoded
    // now, and until it arrives the reduced copy is drawn enlarged.
    void DecodeWhole() {
        auto bytes = attrs_.SharedDataOf(kPictureBytes);
        if (!bytes || bytes != shownBytes_) return;
        wholeAsked_ = true;  // once per picture: a decode that failed for want of memory is not retried on every size
        job_ = StartDecode(lane_, std::move(bytes), host_, DecodedMessage(), ++generation_, true);
    }

    // A quick copy for size s becomes the one drawn; the sharp copy follows
    // once the size rests.
    void Adopt(QuickCopy q, SIZE s) {
        prepared_ = std::move(q.image);
        preparedRect_ = q.rect;
        preparedSize_ = s;
        ++g_rescales;
        DropSharp();
        preparedSharp_ = q.sharp;
        if (!preparedSharp_) SetTimer(host_, kSharpTimer, kRestMs, nullptr);
    }

    // The averaged copy is made on a worker thread, so that a pan or a zoom
    // starting meanwhile is not held up; it is taken when it is still for the
    // current size and picture.
    void StartSharp(SIZE s) {
        RECT region{0, 0, s.cx, s.cy};
        if (static_cast<long long>(s.cx) * s.cy > kWholeCopyLimit) {
            RECT window{};
            GetWindowRect(top_, &window);
            region = Visible(s);
            InflateRect(&region, (window.right - window.left) / 2, (window.bottom - window.top) / 2);
            region = RECT{std::max<LONG>(0, region.left), std::max<LONG>(0, region.top), std::min<LONG>(s.cx, region.right),
                          std::min<LONG>(s.cy, region.bottom)};
        }
        DropSharp();
        std::shared_ptr<SharpJob> job;
        try {
            job = std::make_shared<SharpJob>();
        } catch (const std::exception&) {
            return;  // the quick copy stays
        }
        job->picture = picture_;
        job->size = s;
        job->region = region;
        sharp_ = job;
        const HWND host = host_;
        const UINT message = DecodedMessage();
        const WPARAM generation = sharpGeneration_;
        SubmitTask([job, host, message, generation] {
            job->out = ScaleRegion(SourceFor(*job->picture, job->size), job->size.cx, job->size.cy, job->region,
                                   &job->cancelled);
            job->picture.reset();
            if (job->cancelled) {
                job->out.Clear();
                return;
            }
            PostMessageA(host, message, generation, StepParam(DecodeStep::SharpDone));
        });
    }

    // Property 25: 1 from the write of a moving picture's bytes until its
    // frames have all been shown once (or cannot be), else 0.
    void NoteFirstPlay(bool playing) {
        const int32_t value = playing ? 1 : 0;
        attrs_.Write(kPictureFirstPlay, &value);
    }

    FramePlayer player_;  // a moving picture's frames after its first
    bool showingFrame_ = false;  // picture_ is one of the player's frames
    DecodeLane lane_;
    std::shared_ptr<DecodeJob> job_;  // while a decode runs or its complete state is not taken yet
    WPARAM generation_ = 0;
    std::shared_ptr<const DecodedPicture> picture_;
    bool announce_ = false;  // the picture was not drawn yet
    std::shared_ptr<const std::vector<uint8_t>> shownBytes_;  // the bytes picture_ was decoded from
    bool wholeAsked_ = false;  // the whole picture was asked for since these bytes came
    Awaiting awaiting_ = Awaiting::Nothing;
    std::shared_ptr<SharpJob> sharp_;
    WPARAM sharpGeneration_ = 0;
    Image prepared_;
    RECT preparedRect_{0, 0, 0, 0};
    SIZE preparedSize_{0, 0};
    bool preparedSharp_ = false;
};

}  // namespace

int Rescales() { return g_rescales; }

std::unique_ptr<Control> MakePictureBox(HWND host, HWND parent, ExuiEventCallback callback,
                                        const ExuiBindingRecord& binding) {
    return std::make_unique<PictureBox>(host, parent, callback, binding);
}

}  // namespace uiengine
