#pragma once
// Which M/8 a JPEG shown or prepared is decoded at (libjpeg-turbo reduces
// each side to ScaledSide): the smallest M whose copy still covers the view
// is the least work and memory.
#include <cstdint>

#include "decoders/jpeg_decode.h"
#include "picture_box/picture.h"

namespace uiengine {

// The smallest M (1..7) whose copy of a w x h picture covers a view of
// viewW x viewH and keeps both sides long enough for halved copies (the
// chain of smaller copies starts from it); 0 when only the whole picture
// (M = 8) does.
inline int CoveringEighths(int w, int h, int viewW, int viewH) {
    for (int m = 1; m < kWholeEighths; ++m) {
        const int sw = ScaledSide(w, m), sh = ScaledSide(h, m);
        if (sw >= viewW && sh >= viewH && Reducible(sw, sh)) return m;
    }
    return 0;
}

// The size of a w x h picture fitted whole into bounds of boundsW x
// boundsH, never enlarged; a side that falls between two pixels is
// rounded up, so that what covers this covers any such fit.
struct FittedSize {
    int width;
    int height;
};
inline FittedSize FitInside(int w, int h, int boundsW, int boundsH) {
    if (w <= 0 || h <= 0 || boundsW <= 0 || boundsH <= 0) return {0, 0};
    if (w <= boundsW && h <= boundsH) return {w, h};
    const int64_t W = boundsW, H = boundsH;
    if (int64_t{w} * H >= int64_t{h} * W)  // the width meets the bounds first
        return {boundsW, static_cast<int>((int64_t{h} * W + w - 1) / w)};
    return {static_cast<int>((int64_t{w} * H + h - 1) / h), boundsH};
}

}  // namespace uiengine
