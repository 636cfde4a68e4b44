#include "core/pool.h"

#include <windows.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <new>
#include <vector>

namespace uiengine {

namespace {

struct Pool {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
    std::deque<std::function<void()>> tasks;
    std::vector<HANDLE> threads;
    bool stopping = false;
};

// Made once and never destroyed: at process exit the system has ended the
// workers before the module's destructors run, and there is nothing left
// to join or to free that the process's end does not free.
Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

// Set while the modules' objects are initialised, before any control exists.
std::atomic<bool (*)()> g_dropWorkAhead{nullptr};

int Processors() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return std::max<int>(1, static_cast<int>(info.dwNumberOfProcessors));
}

// A worker holds a reference on this module for its whole life and drops
// it as its very last act, so the code it runs cannot be unmapped under
// it, whatever the host does with the library meanwhile.
DWORD WINAPI WorkerMain(void* module) {
    Pool& p = ThePool();
    for (;;) {
        std::function<void()> task;
        AcquireSRWLockExclusive(&p.lock);
        while (!p.stopping && p.tasks.empty()) SleepConditionVariableSRW(&p.wake, &p.lock, INFINITE, 0);
        if (p.stopping) {
            ReleaseSRWLockExclusive(&p.lock);
            break;
        }
        task = std::move(p.tasks.front());
        p.tasks.pop_front();
        ReleaseSRWLockExclusive(&p.lock);
        try {
            task();
        } catch (...) {
            // A task that ran out of memory leaves its work undone; its
            // owner sees an empty result. The worker goes on.
        }
    }
    FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
}

// Under the lock: the workers, made when there are none.
void StartLocked(Pool& p) {
    if (!p.threads.empty()) return;
    const int n = Processors();
    for (int i = 0; i < n; ++i) {
        HMODULE module = nullptr;
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&WorkerMain),
                                &module))
            break;
        HANDLE thread = CreateThread(nullptr, 0, WorkerMain, module, 0, nullptr);
        if (!thread) {
            FreeLibrary(module);
            break;
        }
        try {
            p.threads.push_back(thread);
        } catch (...) {
            // Not kept, so never joined: stop it again at once.
            p.stopping = true;
            WakeAllConditionVariable(&p.wake);
            ReleaseSRWLockExclusive(&p.lock);
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
            AcquireSRWLockExclusive(&p.lock);
            p.stopping = false;
            break;
        }
    }
}

bool Submit(std::function<void()> task, bool first) {
    Pool& p = ThePool();
    AcquireSRWLockExclusive(&p.lock);
    bool queued = false;
    if (!p.stopping) {
        StartLocked(p);
        if (!p.threads.empty()) {
            try {
                if (first) {
                    p.tasks.push_front(std::move(task));
                } else {
                    p.tasks.push_back(std::move(task));
                }
                queued = true;
            } catch (...) {
            }
        }
    }
    ReleaseSRWLockExclusive(&p.lock);
    if (queued) WakeConditionVariable(&p.wake);
    // Otherwise the task goes here, unrun, with what it holds.
    return queued;
}

}  // namespace

bool SubmitTask(std::function<void()> task) { return Submit(std::move(task), false); }

bool SubmitTaskFirst(std::function<void()> task) { return Submit(std::move(task), true); }

void SetWorkAhead(bool (*drop)()) { g_dropWorkAhead.store(drop); }

bool DropWorkAhead() {
    bool (*drop)() = g_dropWorkAhead.load();
    return drop != nullptr && drop();
}

void StopPool() {
    Pool& p = ThePool();
    std::deque<std::function<void()>> dropped;
    std::vector<HANDLE> threads;
    AcquireSRWLockExclusive(&p.lock);
    if (p.threads.empty()) {
        ReleaseSRWLockExclusive(&p.lock);
        return;
    }
    p.stopping = true;
    dropped.swap(p.tasks);
    threads.swap(p.threads);
    ReleaseSRWLockExclusive(&p.lock);
    WakeAllConditionVariable(&p.wake);
    dropped.clear();
    for (HANDLE t : threads) {
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
    AcquireSRWLockExclusive(&p.lock);
    p.stopping = false;
    ReleaseSRWLockExclusive(&p.lock);
}

int PoolWorkers() {
    Pool& p = ThePool();
    AcquireSRWLockShared(&p.lock);
    const int n = static_cast<int>(p.threads.size());
    ReleaseSRWLockShared(&p.lock);
    return n;
}

namespace {

// One ParallelRows call, shared with the helpers it queued. A helper that
// starts after every piece was taken touches nothing but this state.
struct RowsWork {
    const std::function<void(int, int)>* body;
    const std::atomic<bool>* cancel;
    int count, size, pieces;
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE finished = CONDITION_VARIABLE_INIT;
    int done = 0;  // under lock

    bool Stopped() const { return failed.load(std::memory_order_relaxed) || (cancel && cancel->load()); }

    void Run() {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= pieces) return;
            if (!Stopped()) {
                const int first = i * size, last = std::min(count, first + size);
                try {
                    (*body)(first, last);
                } catch (...) {
                    failed = true;
                }
            }
            AcquireSRWLockExclusive(&lock);
            const bool all = ++done == pieces;
            ReleaseSRWLockExclusive(&lock);
            if (all) WakeAllConditionVariable(&finished);
        }
    }
};

}  // namespace

bool ParallelRows(int count, const std::function<void(int, int)>& body, const std::atomic<bool>* cancel, int align) {
    if (count <= 0) return !(cancel && cancel->load());
    align = std::max(align, 1);
    // Pieces of at least 32 rows, a few for each thread so that a slow one
    // does not hold up the rest.
    const int threads = Processors() + 1;
    const int pieces = std::max(1, std::min((count + 31) / 32, 3 * threads));
    int size = (count + pieces - 1) / pieces;
    size = (size + align - 1) / align * align;
    std::shared_ptr<RowsWork> work;
    try {
        work = std::make_shared<RowsWork>();
    } catch (...) {
        return false;
    }
    work->body = &body;
    work->cancel = cancel;
    work->count = count;
    work->size = size;
    work->pieces = (count + size - 1) / size;
    const int helpers = std::min(work->pieces - 1, threads - 1);
    for (int i = 0; i < helpers; ++i) {
        try {
            SubmitTask([work] { work->Run(); });
        } catch (...) {
        }
    }
    work->Run();
    AcquireSRWLockExclusive(&work->lock);
    while (work->done < work->pieces) SleepConditionVariableSRW(&work->finished, &work->lock, INFINITE, 0);
    ReleaseSRWLockExclusive(&work->lock);
    return !work->Stopped();
}

}  // namespace uiengine
