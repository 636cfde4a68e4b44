#pragma once
// The copies of a decoded picture a view of a given size draws: the level
// each is made from, the quick one for a new size, a new picture's first
// one. Made on the UI thread, or on a worker for a first frame.
#include <windows.h>

#include "core/canvas.h"
#include "picture_box/picture.h"

namespace uiengine {

// Scaled copies larger than this many pixels cover only what the window
// shows plus a margin, so a deep zoom never needs gigabytes.
constexpr long long kWholeCopyLimit = 4LL * 1920 * 1080;

// The part of a view of size s that the window shows, in view coordinates.
RECT VisiblePart(HWND host, HWND top, SIZE s);

// The smallest level still at least as large as the view: averaging from it
// is sharp and reads as few pixels as possible. (A first state without the
// whole picture starts from its first halved copy.)
const Image& SourceFor(const DecodedPicture& picture, SIZE s);

struct QuickCopy {
    Image image;
    RECT rect;
    bool sharp;  // averaged already and the whole view: nothing to sharpen later
};

// A quick copy for a new size: the part `region` (widened by a margin for
// small pans, clipped to the view) of the view at size s, bilinear from a
// level less than twice the view (or the picture itself when the view is
// larger), averaged further down, where only averaging is faithful.
QuickCopy MakeQuick(const Image& source, SIZE s, RECT region);

// A new picture's first copy: averaged over the whole view at once, as the
// sharp copy after a rest would be, so that its first frame is the one that
// stays. A view too large for a whole copy gets the quick one.
QuickCopy MakeFirst(const Image& source, SIZE s, RECT region);

}  // namespace uiengine
