// The engine's worker pool on real threads: a task submitted first is taken
// before the tasks queued ahead of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "core/pool.h"
#include "test_support.h"

using namespace uiengine;
using vela::test::WaitFor;

namespace {

struct Gate {
    HANDLE open = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Gate() { CloseHandle(open); }
};

TEST(EnginePool, ATaskSubmittedFirstIsTakenBeforeThoseQueuedEarlier) {
    // Every worker waits at its own gate, so the next tasks stay queued.
    std::atomic<int> waiting{0};
    ASSERT_TRUE(SubmitTask([] {}));  // starts the pool
    const int workers = PoolWorkers();
    ASSERT_GE(workers, 1);
    std::vector<std::unique_ptr<Gate>> gates;
    for (int i = 0; i < workers; ++i) {
        gates.push_back(std::make_unique<Gate>());
        HANDLE open = gates.back()->open;
        ASSERT_TRUE(SubmitTask([open, &waiting] {
            ++waiting;
            WaitForSingleObject(open, 10000);
        }));
    }
    ASSERT_TRUE(WaitFor([&] { return waiting == workers; }));

    SRWLOCK lock = SRWLOCK_INIT;
    std::string order = "-";
    auto record = [&](char c) {
        AcquireSRWLockExclusive(&lock);
        order += c;
        ReleaseSRWLockExclusive(&lock);
    };
    EXPECT_TRUE(SubmitTask([&] { record('a'); }));
    EXPECT_TRUE(SubmitTask([&] { record('b'); }));
    EXPECT_TRUE(SubmitTaskFirst([&] { record('F'); }));
    // One worker freed takes the queue's front, then the rest in order.
    SetEvent(gates[0]->open);
    EXPECT_TRUE(WaitFor([&] {
        AcquireSRWLockShared(&lock);
        const bool all = order.size() == 4;
        ReleaseSRWLockShared(&lock);
        return all;
    }));
    // Whatever happened, no task outlives what it records into.
    for (auto& g : gates) SetEvent(g->open);
    StopPool();
    EXPECT_EQ(order, "-Fab");
}

}  // namespace
