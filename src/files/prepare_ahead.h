#pragma once
// Pictures prepared ahead: while the user looks at the current picture, the
// next and the previous entries of PictureList are read, measured into the
// remembered measurements and handed to the engine to decode (when it can),
// on a background thread at idle priority. A step still reads its file
// whole; only when those bytes equal the prepared ones are the prepared
// results used, so a file changed on disk is never shown stale.
#include "runtime/platform_path.h"

#include "runtime/text.h"

namespace vela {

// Asks for the neighbours of the current entry; a newer call replaces an
// older request, and what the older one prepared in the engine is dropped.
void PrepareNeighbours();
// PrepareNeighbours once the frame asked for so far is on the screen: the
// preparation's reading and measuring would otherwise share the processor
// with that frame.
void PrepareNeighboursOnceShown();
// Ends the background thread (waiting for it) and drops what the engine
// holds for it. The next PrepareNeighbours starts it again.
void StopPreparingAhead();
// The picture named at start is read and measured on a thread of its own
// while the engine loads and the start window is built: the measurement's
// decode is the longest part of a large picture's start, and the start
// window's own measurement of equal bytes waits for this one instead of
// decoding again. StopPreparingAhead waits for it too. A picture whose
// header gives its size needs no measurement there: once the engine is
// loaded (EngineReadyForStartPicture), the thread hands its bytes to the
// engine's decode instead, so that the picture is decoded while the window
// is built.
void MeasureStartPicture(PathView path);
// Called once the engine is loaded (or could not be): the start picture's
// thread may hand it its bytes.
void EngineReadyForStartPicture();
// The bytes of the start picture at `path` for the start window: those the
// start picture's thread read (waited for; once it handed them to the
// engine), so that the file is read once; read here when that thread read
// none of this path or kept none (a picture its header does not size).
// Window thread only; the thread's bytes are given once.
Bytes StartPictureBytes(PathView path);

}  // namespace vela
