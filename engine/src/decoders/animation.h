#pragma once
// Moving pictures (GIF with more than one picture, WebP with its animation
// flag, JPEG XL with its animation header): their frames composed one after
// the other on the picture's canvas by their disposal and blending rules,
// one frame at a time, so that a picture of hundreds of frames holds no
// more than its canvas and the frame before it.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/canvas.h"

namespace uiengine {

using SharedBytes = std::shared_ptr<const std::vector<uint8_t>>;

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // The next frame as the canvas shows it (premultiplied BGRA, the
    // canvas's size) and how long it stays, in ms as stored; after the last
    // frame the first comes again while loops remain. False once the loops
    // are played, for damaged data, or without room (*out is then empty).
    // Called by one thread at a time.
    virtual bool Next(Image* out, int* delayMs) = 0;
    // How many times the frames have run to their end so far.
    int PlaysDone() const { return playsDone_; }

protected:
    int playsDone_ = 0;
};

// True for a GIF with more than one picture, a WebP with its animation flag
// or an animated JPEG XL.
bool IsMovingPicture(const void* data, size_t length);

// The frames of a moving picture, or null for any other bytes; the source
// keeps the bytes alive.
std::unique_ptr<FrameSource> OpenMovingPicture(SharedBytes bytes);

// How long a frame is shown: a stored delay of 10 ms or less is shown for
// 100 ms, as browsers do (such files were made for players that ignored it).
inline int ShownDelay(int storedMs) { return storedMs <= 10 ? 100 : storedMs; }

// The GIF's frames (for the GIF source and its tests).
std::unique_ptr<FrameSource> OpenGifFrames(SharedBytes bytes);
// The GIF's loop count as stored in its NETSCAPE2.0 block (0: for ever), or
// -1 when it has none (played once).
int GifLoopCount(const void* data, size_t length);

}  // namespace uiengine
