#pragma once
// The point in a background decode between its first state (posted to the
// control, drawn at once) and its complete one (the smaller copies made).
// The engine passes straight on (decode_hold.cpp). The engine build that
// the tests use to look at a first frame on its own links a definition that
// can hold the decode there instead; the shipped DLL carries none of it.
#include <atomic>

namespace uiengine {

// Returns when the decode may go on; at once once `cancelled` is set.
void DecodeHoldPoint(const std::atomic<bool>& cancelled);

}  // namespace uiengine
