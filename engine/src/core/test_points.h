#pragma once
// Points where the engine build the tests use (bin/hold/ExuiKrnln.dll)
// lets a test play a process short of memory, learn when a picture was
// prepared ahead, and see every frame put on the screen. The engine passes
// straight on (test_points.cpp): no bound, nobody told, nobody waited for. The tests' build links definitions that look for named
// objects of the process instead; the shipped DLL carries none of it.
#include <cstdint>

namespace uiengine {

// The private memory this process may commit in all (what is committed
// already counts against it); 0 when there is no such bound.
uint64_t MemoryBoundPoint();

// A picture prepared ahead was kept.
void PreparedPoint();

// The host named pictures to prepare (PreparePictures), before anything is
// done about them.
void PrepareAskedPoint();

// A frame was handed to the system for the screen.
void PresentedPoint();

}  // namespace uiengine
