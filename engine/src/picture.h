#pragma once
// The picture of a PictureBoxEx: decoded once, off the UI thread, into the
// whole picture and a chain of halved copies; a copy prepared for the
// current size is made from the nearest larger level only when the size
// changed, so panning (moving the control) never rescales.
#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "canvas.h"

namespace uiengine {

struct DecodeJob {
    std::vector<uint8_t> bytes;
    Image full;
    std::vector<Image> levels;  // levels[0] = full / 2, each half the one before
    std::atomic<bool> done{false};
};

// Starts decoding a copy of the bytes; when done, posts `message` to
// `target` with the job's id in wParam. The job lives as long as either side
// holds it.
std::shared_ptr<DecodeJob> StartDecode(const void* data, size_t length, HWND target, UINT message, WPARAM id);

// Number of decodes started and not yet taken over on the UI thread (all controls).
int PendingDecodes();
// Pictures scaled for a new size so far.
int Rescales();
void DecodeTaken();

}  // namespace uiengine
