#pragma once
// The engine's worker threads: one pool for the process, as many workers as
// the machine has processors (at least one), started on first use and
// stopped and joined when the last control goes. Decodes, sharpened copies
// and the row loops of the scalers all run on it.
#include <atomic>
#include <functional>

namespace uiengine {

// Queues a task; it runs on a worker unless the pool stops first (then it
// is dropped unrun, with whatever it holds). False, the task dropped at
// once, when it cannot be queued (no worker could be started, no memory,
// the pool is stopping). Never throws.
bool SubmitTask(std::function<void()> task);
// The same, ahead of every task queued so far: for the decode of the picture
// a control shows, which its window's next frame waits for, and which would
// otherwise wait behind the skins' decodes and the neighbours' preparation.
bool SubmitTaskFirst(std::function<void()> task);

// Stops the pool: every queued task is dropped, the running ones are waited
// for (they end at their next cancellation point when their owners
// cancelled them) and the workers are joined. Not from a worker, nor under
// the loader lock. The next SubmitTask starts it again.
void StopPool();

// Work done ahead of need (the picture box's pictures prepared for the next
// step) is the first to give its memory back when a block does not fit, and
// is dropped before the last control stops the pool. Its owner names, once,
// the function that drops it all and says whether anything was held; the
// layers below it call DropWorkAhead without knowing what it is.
void SetWorkAhead(bool (*drop)());
// Drops the work ahead; true when something was held (false when none is named).
bool DropWorkAhead();

// Workers now running (0 when stopped).
int PoolWorkers();

// Runs body(first, last) over [0, count) cut into pieces of whole multiples
// of `align` rows, shared by the calling thread and idle workers. The caller
// takes pieces itself, so a task on a worker may call it without waiting
// for a worker that is not free. Stops handing out pieces once *cancel is
// set or a piece threw; false then (the output is incomplete).
bool ParallelRows(int count, const std::function<void(int, int)>& body, const std::atomic<bool>* cancel = nullptr,
                  int align = 1);

}  // namespace uiengine
