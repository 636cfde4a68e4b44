#include "core/test_points.h"

namespace uiengine {

uint64_t MemoryBoundPoint() { return 0; }

void PreparedPoint() {}

void PrepareAskedPoint() {}
void PresentedPoint() {}

}  // namespace uiengine
