// The worker's side of a picture box's decode: the lane that runs one at a
// time, the decode itself in its two states, and the count of those pending.
#include <windows.h>

#include "core/pool.h"
#include "decoders/decode.h"
#include "picture_box/decode_hold.h"
#include "picture_box/picture.h"
#include "picture_box/prepared.h"
#include "picture_box/view_copy.h"

namespace uiengine {

namespace {

std::atomic<int> g_pending{0};

// A worker waits this long at most for the first frame before it makes the
// smaller copies (a view that is not drawn).
constexpr DWORD kFirstFrameWaitMs = 250;

// The worker's side of one decode: the whole picture, its first halved copy
// and the view's copy for a first frame, then the smaller copies. Checks
// the job's cancellation between every step (and the steps between their
// bands of rows); a cancelled job ends with nothing posted, and what it
// made goes with it.
void RunDecode(DecodeJob* job) {
    const std::atomic<bool>* cancel = &job->cancelled;
    const HWND target = job->target;
    const UINT message = job->message;
    const WPARAM id = job->id;
    std::shared_ptr<const std::vector<uint8_t>> bytes = std::move(job->bytes);
    if (job->cancelled || !bytes) return;
    auto picture = std::make_shared<DecodedPicture>();
    // The same bytes being prepared already (the host handed the start
    // picture to the engine while it measured it): that decode is waited for.
    std::shared_ptr<const DecodedPicture> ready = job->whole ? nullptr : AwaitPrepared(*bytes, cancel);
    if (job->cancelled) return;
    if (ready) {
        *picture = *ready;
        bytes.reset();
    } else {
        // A large JPEG: a copy reduced in the DCT domain, just covering a
        // fitted view, straight from the decoder; the whole picture is left
        // for a zoom that needs it.
        std::shared_ptr<Image> full;
        auto reduced = job->whole ? std::make_shared<const Image>()
                                  : std::make_shared<const Image>(DecodeReduced(bytes->data(), bytes->size(), FitScale, cancel));
        if (job->cancelled) return;
        if (!reduced->Empty()) {
            picture->levels.push_back(std::move(reduced));
            full = std::make_shared<Image>();
        } else {
            full = std::make_shared<Image>(DecodePicture(bytes->data(), bytes->size(), cancel));
        }
        bytes.reset();  // the attribute may hold them still, or not any more
        if (job->cancelled) return;
        if (!full->Empty()) picture->full = full;
        if (Reducible(*full)) {
            // The first state: the first halved copy, enough for a first
            // frame of a view no larger than it. (Without room for it, the
            // picture alone.)
            auto half = std::make_shared<const Image>(Halve(*full, cancel));
            if (job->cancelled) return;
            if (!half->Empty()) picture->levels.push_back(std::move(half));
        }
    }
    if (!picture->levels.empty()) {
        // A view (its size as it is now) no larger than the first copy is
        // prepared here for the first frame; a larger one is made by the
        // UI thread from the whole picture.
        const Image& first = *picture->levels.front();
        RECT client{};
        GetClientRect(target, &client);
        const SIZE view{client.right, client.bottom};
        if (view.cx <= first.width && view.cy <= first.height) {
            const RECT visible = VisiblePart(target, GetAncestor(target, GA_ROOT), view);
            if (!IsRectEmpty(&visible) && !job->cancelled) {
                QuickCopy q = MakeFirst(first, view, visible);
                job->view = std::move(q.image);
                job->viewSize = view;
                job->viewRect = q.rect;
                job->viewSharp = q.sharp;
            }
        }
        job->first = picture;
        job->stage.store(DecodeStep::First, std::memory_order_release);
        PostMessageA(target, message, id, StepParam(DecodeStep::First));
        // After the first frame (or a while, for a view not drawn).
        WaitForSingleObject(job->shown.Get(), kFirstFrameWaitMs);
        DecodeHoldPoint(job->cancelled);
        auto complete = std::make_shared<DecodedPicture>(*picture);
        while (!job->cancelled && Reducible(*complete->levels.back())) {
            auto next = std::make_shared<const Image>(Halve(*complete->levels.back(), cancel));
            if (next->Empty()) break;  // no room for more: the levels made so far serve
            complete->levels.push_back(std::move(next));
        }
        picture = std::move(complete);
    }
    if (job->cancelled) return;  // everything made here goes with the last holder
    job->complete = std::move(picture);
    job->stage.store(DecodeStep::Complete, std::memory_order_release);
    PostMessageA(target, message, id, StepParam(DecodeStep::Complete));
}

// A job that could not run (no memory on the way): completed as an
// undecodable picture, so that its control stops waiting for it.
void CompleteEmpty(DecodeJob& job) {
    if (job.cancelled) return;
    job.first.reset();
    job.view.Clear();
    try {
        job.complete = std::make_shared<DecodedPicture>();
    } catch (const std::exception&) {
        job.complete = nullptr;
    }
    job.stage.store(DecodeStep::Complete, std::memory_order_release);
    PostMessageA(job.target, job.message, job.id, StepParam(DecodeStep::Complete));
}

}  // namespace

struct DecodeLane::State {
    SRWLOCK lock = SRWLOCK_INIT;
    bool busy = false;                // a worker is draining the lane
    std::shared_ptr<DecodeJob> next;  // the newest request, not started

    std::shared_ptr<DecodeJob> Take() {
        AcquireSRWLockExclusive(&lock);
        std::shared_ptr<DecodeJob> job = std::move(next);
        if (!job) busy = false;
        ReleaseSRWLockExclusive(&lock);
        return job;
    }

    static void Drain(const std::shared_ptr<State>& state) {
        while (std::shared_ptr<DecodeJob> job = state->Take()) {
            try {
                RunDecode(job.get());
            } catch (...) {
                CompleteEmpty(*job);
            }
        }
    }
};

DecodeLane::DecodeLane() : state_(std::make_shared<State>()) {}

bool DecodeLane::Queue(std::shared_ptr<DecodeJob> job) {
    std::shared_ptr<DecodeJob> dropped;
    AcquireSRWLockExclusive(&state_->lock);
    dropped = std::move(state_->next);
    state_->next = std::move(job);
    const bool start = !state_->busy;
    state_->busy = true;
    ReleaseSRWLockExclusive(&state_->lock);
    if (dropped) dropped->cancelled = true;  // replaced before it ran: its bytes go now
    if (!start) return true;
    bool submitted = false;
    try {
        submitted = SubmitTaskFirst([state = state_] { State::Drain(state); });
    } catch (...) {
    }
    if (submitted) return true;
    // Not even the task could be made: the request is dropped.
    AcquireSRWLockExclusive(&state_->lock);
    dropped = std::move(state_->next);
    state_->busy = false;
    ReleaseSRWLockExclusive(&state_->lock);
    return false;
}

std::shared_ptr<DecodeJob> StartDecode(DecodeLane& lane, std::shared_ptr<const std::vector<uint8_t>> bytes,
                                       HWND target, UINT message, WPARAM id, bool whole) {
    std::shared_ptr<DecodeJob> job;
    try {
        job = std::make_shared<DecodeJob>();
    } catch (const std::exception&) {
        return nullptr;
    }
    job->bytes = std::move(bytes);
    job->target = target;
    job->message = message;
    job->id = id;
    job->whole = whole;
    if (!lane.Queue(job)) return nullptr;
    ++g_pending;
    return job;
}

int PendingDecodes() { return g_pending; }
void DecodeTaken() {
    --g_pending;
    ShownDecodeEnded();
}

}  // namespace uiengine
