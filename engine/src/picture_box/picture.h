#pragma once
// The picture of a PictureBoxEx: decoded once, off the UI thread, into the
// whole picture and a chain of halved copies; a copy prepared for the
// current size is made from the nearest larger level only when the size
// changed, so panning (moving the control) never rescales.
#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "core/canvas.h"
#include "core/unique.h"

namespace uiengine {

// Halved copies are made of a picture (and of each copy in turn) only while
// both its sides are at least this long; a smaller one is scaled from
// directly.
constexpr int kReducibleSide = 512;
inline bool Reducible(int w, int h) { return w >= kReducibleSide && h >= kReducibleSide; }
inline bool Reducible(const Image& image) { return Reducible(image.width, image.height); }

// What a post of DecodedMessage() to a picture box says (its lParam), and
// how far a decode job has come (its stage: None, then First, then Complete,
// in that order).
enum class DecodeStep : LPARAM {
    None = -1,  // never posted: a job's stage before its first state is set
    // The first state is set: the picture and the copy a first frame of any
    // size needs.
    First = 0,
    // The averaged copy of the view is made.
    SharpDone = 1,
    // The complete state is set.
    Complete = 2,
    // Posted by the box to itself when it drew the first state: handled
    // after the frame was handed to the system.
    Shown = 3,
    // A moving picture's next frame is composed (FramePlayer).
    FrameReady = 5,
};
constexpr LPARAM StepParam(DecodeStep step) { return static_cast<LPARAM>(step); }

// A decoded picture as the UI thread sees it; never changed once handed
// over, so a worker may read it at the same time. Its images are shared
// between the first and the complete state of one decode.
struct DecodedPicture {
    std::shared_ptr<const Image> full;  // null when only a reduced copy was decoded (a large JPEG)
    // Each half the one before; levels[0] is full / 2, or without the whole
    // picture the copy the decoder reduced (M/8 of each side, M = 1..7).
    std::vector<std::shared_ptr<const Image>> levels;
    // Prepared with the view's size known: the picture averaged to exactly
    // that size, the copy its first frame shows; null otherwise.
    std::shared_ptr<const Image> fitted;
};

struct DecodeJob {
    // What the worker decodes and whom it tells; the bytes go as soon as
    // the picture is decoded, or when the job is dropped unrun.
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    HWND target = nullptr;
    UINT message = 0;
    WPARAM id = 0;
    // Set by the worker before it posts the stage's message.
    std::shared_ptr<const DecodedPicture> first;     // the picture and its first halved copy
    std::shared_ptr<const DecodedPicture> complete;  // with every halved copy; an empty picture when undecodable
    // Set by the UI thread when the picture is replaced or the control goes:
    // the worker then stops at its next step and frees what it made.
    std::atomic<bool> cancelled{false};
    // The whole picture is wanted (a zoom past the halved copy): never decoded
    // to its halved copy alone.
    bool whole = false;
    // Set by the worker with `first` when the control's size was known then:
    // the copy of the part `viewRect` of the view at `viewSize`, made from
    // the first halved copy as the UI thread would make it; empty when none.
    Image view;
    SIZE viewSize{0, 0};
    RECT viewRect{0, 0, 0, 0};
    bool viewSharp = false;  // averaged over the whole view: nothing to sharpen later
    std::atomic<DecodeStep> stage{DecodeStep::None};  // First: `first` set; Complete: `complete` set
    // Set by the UI thread once the first state is on screen (or the job is
    // dropped): the worker makes the smaller copies only then, so that they
    // do not take a core from the first frame.
    Unique<HANDLE, CloseHandle> shown{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

// The decodes of one picture box. At most one of them runs at a time; a
// request made while one runs waits, and a newer request replaces it
// unrun, so that stepping quickly through large pictures never has more
// than the running decode (cancelled, it stops at its next band of rows)
// and the newest request in memory.
class DecodeLane {
public:
    DecodeLane();
    // Queues the job (see StartDecode); false when it cannot be queued.
    bool Queue(std::shared_ptr<DecodeJob> job);

private:
    struct State;
    std::shared_ptr<State> state_;
};

// Starts decoding the shared bytes in the lane (no copy of them is made); posts
// `message` to `target` with the job's id in wParam and the step in lParam:
// DecodeStep::First once the picture can be shown (not for a picture too small to
// have halved copies, nor for bytes that do not decode), then
// DecodeStep::Complete. The job lives as long as either side holds it.
// Null when there is no memory even for the job.
// A JPEG whose copy reduced in the DCT domain covers any fitted view is
// decoded to that copy and the smaller ones only (the complete state then
// has no whole picture), unless `whole` asks for it.
std::shared_ptr<DecodeJob> StartDecode(DecodeLane& lane, std::shared_ptr<const std::vector<uint8_t>> bytes,
                                       HWND target, UINT message, WPARAM id, bool whole = false);

// Number of decodes started and not yet completed and taken over on the UI
// thread (all controls).
int PendingDecodes();
// Pictures scaled for a new size so far.
int Rescales();
void DecodeTaken();

}  // namespace uiengine
