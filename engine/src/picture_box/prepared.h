#pragma once
// Pictures decoded ahead of their showing: the neighbours of the shown
// picture, named by the host through PreparePictures and decoded at idle
// priority on the workers once no shown picture is being decoded. A picture
// box whose new bytes equal a prepared picture's bytes (compared in full)
// shows that decode at once instead of decoding again.
#include <cstdint>
#include <memory>
#include <vector>

#include "ExuiKrnln.h"
#include "picture_box/picture.h"

namespace uiengine {

// True when a picture of w x h, fitted into any window on this desktop, is
// shown at half its size or less: its first halved copy then covers the
// fitted view, and the whole picture is needed only for a zoom.
bool HalfCoversFit(int w, int h);
// The reduction of each side to M/8 (M = 1..7, the smallest that still
// covers the picture fitted into any window on this desktop and keeps both
// sides at 512 or more: CoveringEighths) a large JPEG of w x h is first
// decoded to in the DCT domain; 0 when none: the picture is then decoded
// whole.
int FitScale(int w, int h);

// Makes `pictures` the prepared set (at most kMaxPrepared, the first ones
// kept): entries with equal bytes stay as they are, the rest are dropped
// (a running decode stops at its next band of rows), new ones are copied
// and queued. `views` (null: unknown) gives each picture's view size when
// shown: its copy for that view is made with the decode. Thread-safe; never
// throws. Returns the number kept or queued.
int SetPrepared(const ExuiData* pictures, const SIZE* views, int count);
constexpr int kMaxPrepared = 3;

// The finished decode of exactly these bytes, or null; a taken entry
// leaves the set (the caller offers it back when it stops showing it). A large picture's
// comes without the whole picture (full is null): its halved copies cover
// a fitted view, and the caller decodes the whole picture when a zoom
// needs it.
std::shared_ptr<const DecodedPicture> TakePrepared(const std::vector<uint8_t>& bytes);

// The picture a picture box stops showing, with its bytes, joins the set
// (only its first halved copy when that covers a fitted view):
// the host names it again as a neighbour, and a step back then takes it
// instead of decoding it again. It stays only when the host's next set
// names it; at most one such picture waits for that, and none is kept for
// a host that never named a set. Never throws.
void OfferShown(std::shared_ptr<const std::vector<uint8_t>> bytes, const std::shared_ptr<const DecodedPicture>& picture);

// Drops every prepared picture and stops the running preparation; true when
// something was held. Called when memory runs short and before the pool stops
// (named to the pool as its work ahead, so that the canvas and the controls
// below reach it through DropWorkAhead).
bool DropPrepared();

// A shown picture's decode starts: a preparation under way stops and leaves
// the set (the host names it again with its next set if still wanted), so
// that it takes no core from the picture the user waits for; one of the
// shown bytes goes on (the shown decode waits for it: AwaitPrepared).
void YieldToShown(const std::vector<uint8_t>& shown);

// The preparation of exactly these bytes that runs now, waited for (on a
// worker; one not started yet is decoded here and then): its picture, or
// null when there is none, it fails, it is dropped (memory ran short) or
// *cancel is set meanwhile.
std::shared_ptr<const DecodedPicture> AwaitPrepared(const std::vector<uint8_t>& bytes,
                                                    const std::atomic<bool>* cancel);

// A shown picture's decode was taken over or dropped (its cancel flag set
// first): the preparations that wait for the shown decodes to end, and a
// shown decode waiting in AwaitPrepared, look again.
void ShownDecodeEnded();

void InspectPrepared(ExuiPreparedInfo* info);

}  // namespace uiengine
