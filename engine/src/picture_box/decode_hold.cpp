#include "picture_box/decode_hold.h"

namespace uiengine {

void DecodeHoldPoint(const std::atomic<bool>&) {}

}  // namespace uiengine
