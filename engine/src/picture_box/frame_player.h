#pragma once
// Plays a moving picture in a picture box: each frame is composed on a
// worker while the one before it is shown, and handed to the box when its
// turn comes (its delay, 100 ms for 10 ms or less). A frame's turn that
// comes while the box cannot be seen (its window minimised or hidden) is
// put off, and nothing more is decoded until it can be seen again; after
// the picture's loops the last frame stays.
#include <windows.h>

#include <memory>

#include "decoders/animation.h"
#include "picture_box/picture.h"

namespace uiengine {

class FramePlayer {
public:
    // Frames arrive on `host` as `message` (wParam: the play, lParam:
    // DecodeStep::FrameReady); the turns on its timer kFrameTimer.
    FramePlayer(HWND host, UINT message) : host_(host), message_(message) {}
    ~FramePlayer() { Stop(); }
    FramePlayer(const FramePlayer&) = delete;
    FramePlayer& operator=(const FramePlayer&) = delete;

    static constexpr UINT_PTR kFrameTimer = 0x5E1C;

    // Plays the bytes when they are a moving picture (from its first frame),
    // after stopping what played before.
    void Start(SharedBytes bytes);
    // Stops: the frame being composed is dropped, the timer killed.
    void Stop();
    bool Playing() const { return state_ != nullptr; }
    // Playing a moving picture whose frames have not all been shown once yet.
    bool InFirstPlay() const { return state_ && !playedThrough_; }

    // The host's message when it is the player's: true, with *show set to a
    // frame the box is to show now (or left null). `visible`: the box can be
    // seen and may change its picture now.
    bool HostMessage(UINT msg, WPARAM wp, LPARAM lp, bool visible, std::shared_ptr<const Image>* show);

private:
    struct State;
    void Request();
    void ShowReady(std::shared_ptr<const Image>* show);

    HWND host_;
    UINT message_;
    std::shared_ptr<State> state_;  // the play; shared with the frame being composed
    WPARAM play_ = 0;
    bool composing_ = false;  // a worker composes the next frame
    bool due_ = false;        // the next frame's turn has come
    std::shared_ptr<const Image> ready_;
    int readyDelay_ = 0;
    int readyPlays_ = 0;          // the source's plays done when the ready frame was composed
    bool playedThrough_ = false;  // a frame of a later play was shown, or the plays ended
};

}  // namespace uiengine
