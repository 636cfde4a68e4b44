#include "picture_box/frame_player.h"

#include <atomic>

#include "core/pool.h"

namespace uiengine {

namespace {

// A turn put off while the box could not be seen is looked at again this often.
constexpr UINT kHiddenPollMs = 200;

}  // namespace

struct FramePlayer::State {
    SharedBytes bytes;
    std::unique_ptr<FrameSource> source;  // opened by the first composition, used by one worker at a time
    std::atomic<bool> cancelled{false};
    // Set by the worker before it posts DecodeStep::FrameReady.
    std::shared_ptr<const Image> frame;  // null: no more frames
    int delayMs = 0;
    int playsDone = 0;
};

void FramePlayer::Start(SharedBytes bytes) {
    Stop();
    playedThrough_ = false;
    readyPlays_ = 0;
    if (!bytes || !IsMovingPicture(bytes->data(), bytes->size())) return;
    try {
        state_ = std::make_shared<State>();
    } catch (...) {
        return;  // shown still
    }
    state_->bytes = std::move(bytes);
    ++play_;
    due_ = true;  // the first frame replaces the still as soon as it is composed
    Request();
}

void FramePlayer::Stop() {
    if (state_) state_->cancelled = true;
    state_.reset();
    ready_.reset();
    composing_ = due_ = false;
    ++play_;
    if (IsWindow(host_)) KillTimer(host_, kFrameTimer);
}

void FramePlayer::Request() {
    if (!state_ || composing_) return;
    composing_ = true;
    const HWND host = host_;
    const UINT message = message_;
    const WPARAM play = play_;
    std::shared_ptr<State> state = state_;
    const bool queued = SubmitTask([state, host, message, play] {
        if (state->cancelled) return;
        std::shared_ptr<const Image> frame;
        int delay = 0;
        try {
            if (!state->source) state->source = OpenMovingPicture(state->bytes);
            auto image = std::make_shared<Image>();
            if (state->source && state->source->Next(image.get(), &delay)) frame = std::move(image);
        } catch (...) {
            frame.reset();  // no room: the play ends on the frame shown
        }
        if (state->cancelled) return;
        state->frame = std::move(frame);
        state->delayMs = delay;
        state->playsDone = state->source ? state->source->PlaysDone() : 0;
        PostMessageA(host, message, play, StepParam(DecodeStep::FrameReady));
    });
    if (!queued) Stop();
}

void FramePlayer::ShowReady(std::shared_ptr<const Image>* show) {
    *show = std::move(ready_);
    due_ = false;
    // The first frame of a later play is on the screen: the first play is whole.
    if (readyPlays_ > 0) playedThrough_ = true;
    SetTimer(host_, kFrameTimer, static_cast<UINT>(ShownDelay(readyDelay_)), nullptr);
    Request();  // the next frame is composed while this one is shown
}

bool FramePlayer::HostMessage(UINT msg, WPARAM wp, LPARAM lp, bool visible, std::shared_ptr<const Image>* show) {
    if (msg == message_ && lp == StepParam(DecodeStep::FrameReady)) {
        if (!state_ || wp != play_) return true;  // an earlier play's
        composing_ = false;
        if (!state_->frame) {
            // The loops are played (or the data ends): the last frame stays.
            playedThrough_ = true;
            state_.reset();
            KillTimer(host_, kFrameTimer);
            return true;
        }
        ready_ = std::move(state_->frame);
        readyDelay_ = state_->delayMs;
        readyPlays_ = state_->playsDone;
        if (due_ && visible) {
            ShowReady(show);
        } else if (due_) {
            SetTimer(host_, kFrameTimer, kHiddenPollMs, nullptr);  // its turn, once the box is seen
        }
        return true;
    }
    if (msg == WM_TIMER && wp == kFrameTimer) {
        KillTimer(host_, kFrameTimer);
        if (!state_) return true;
        if (!visible) {
            // Put off: nothing is shown or composed until the box is seen.
            due_ = true;
            SetTimer(host_, kFrameTimer, kHiddenPollMs, nullptr);
            return true;
        }
        if (ready_) {
            ShowReady(show);
        } else {
            due_ = true;  // shown as soon as it is composed
        }
        return true;
    }
    return false;
}

}  // namespace uiengine
