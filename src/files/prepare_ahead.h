#pragma once
// Pictures prepared ahead: while the user looks at the current picture, the
// next and the previous entries of PictureList are read, measured into the
// remembered measurements and handed to the engine to decode (when it can),
// on a background thread at idle priority. A step still reads its file
// whole; only when those bytes equal the prepared ones are the prepared
// results used, so a file changed on disk is never shown stale.
namespace vela {

// Asks for the neighbours of the current entry; a newer call replaces an
// older request, and what the older one prepared in the engine is dropped.
void PrepareNeighbours();
// Ends the background thread (waiting for it) and drops what the engine
// holds for it. The next PrepareNeighbours starts it again.
void StopPreparingAhead();

}  // namespace vela
