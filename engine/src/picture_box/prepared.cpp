#include "picture_box/prepared.h"

#include <windows.h>

#include <algorithm>

#include "core/canvas.h"
#include "core/pool.h"
#include "core/test_points.h"
#include "decoders/decode.h"
#include "picture_box/jpeg_scale.h"

namespace uiengine {

namespace {

// True when a copy of a w x h picture reduced to 1/scale of each side still
// covers the fitted view in any window on this desktop (a window never
// grows past the screens).
bool CoversFit(int w, int h, int scale) {
    const int screenW = std::max(GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CXSCREEN));
    const int screenH = std::max(GetSystemMetrics(SM_CYVIRTUALSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return w / scale >= screenW || h / scale >= screenH;
}

}  // namespace

bool HalfCoversFit(int w, int h) { return CoversFit(w, h, 2); }

int FitScale(int w, int h) {
    // A window never grows past the screens.
    const int screenW = std::max(GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CXSCREEN));
    const int screenH = std::max(GetSystemMetrics(SM_CYVIRTUALSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const FittedSize view = FitInside(w, h, screenW, screenH);
    return CoveringEighths(w, h, view.width, view.height);
}

namespace {

struct Entry {
    std::shared_ptr<const std::vector<uint8_t>> bytes;  // the engine's copy, kept for the comparison
    std::shared_ptr<const DecodedPicture> picture;      // under the lock; null until done, or undecodable
    bool started = false;                               // under the lock
    DWORD worker = 0;                                   // under the lock: the thread decoding it once started
    bool done = false;                                  // under the lock
    std::atomic<bool> cancelled{false};
    // A shown picture's decode waits for this one (equal bytes): it is no
    // longer held back for shown decodes, and leaving the set does not stop it.
    std::atomic<bool> awaited{false};
    bool offered = false;  // under the lock: a shown picture not named by the host since
    // The view the host will show it in (width in the high half, height in
    // the low one), 0 when unknown.
    std::atomic<uint64_t> view{0};
};

uint64_t PackedView(const SIZE* views, int i) {
    if (!views || views[i].cx <= 0 || views[i].cy <= 0) return 0;
    return (static_cast<uint64_t>(views[i].cx) << 32) | static_cast<uint32_t>(views[i].cy);
}

// A fitted copy larger than this is not made ahead (a deep zoom's view);
// the shown picture makes what the window shows of it.
constexpr long long kFittedLimit = 4LL * 1920 * 1080;

// The view's copy, averaged from the smallest copy that still covers it (as
// a shown picture's sharp copy is): the copy its first frame shows.
void MakeFitted(DecodedPicture& picture, uint64_t view, const std::atomic<bool>* cancel) {
    const LONG w = static_cast<LONG>(view >> 32), h = static_cast<LONG>(view & 0xFFFFFFFFu);
    if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > kFittedLimit) return;
    if (!picture.full && picture.levels.empty()) return;
    const Image* source = picture.full ? picture.full.get() : picture.levels.front().get();
    for (const auto& level : picture.levels)
        if (level->width >= w && level->height >= h) source = level.get();
    auto fitted = std::make_shared<const Image>(ScaleRegion(*source, w, h, RECT{0, 0, w, h}, cancel));
    if (!fitted->Empty()) picture.fitted = std::move(fitted);
}

struct PreparedSet {
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<std::shared_ptr<Entry>> entries;
    bool busy = false;  // a worker is decoding the waiting entries, one after the other
    bool used = false;  // the host has named a set
    int taken = 0;
    // Woken, under the lock, whenever a wait on the set may end: an entry
    // done, cancelled or awaited, a shown picture's decode taken or dropped.
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
};

// Made once and never destroyed, like the pool.
PreparedSet& TheSet() {
    static PreparedSet* set = new PreparedSet;
    return *set;
}

// Set on a worker while it prepares, and while SetPrepared holds the lock:
// their own allocations must not drop the set they are filling (nor take
// the lock again) when memory runs short; they simply give up instead.
thread_local bool t_preparing = false;

uint64_t PixelBytes(const DecodedPicture& p) {
    uint64_t n = p.full ? p.full->pixels.size() * 4ull : 0;
    for (const auto& level : p.levels) n += level->pixels.size() * 4ull;
    if (p.fitted) n += p.fitted->pixels.size() * 4ull;
    return n;
}

// What a step needs for its first fitted frame: for a picture whose
// reduced or first halved copy covers any fitted view, that copy alone (the
// whole picture is decoded again only for a zoom past that copy: keeping
// it for each neighbour would hold three whole pictures at once);
// otherwise the whole picture and its chain, as a shown decode ends with.
// Null when undecodable, cancelled, or when keeping it would leave no room
// for a picture of its size to be shown.
std::shared_ptr<const DecodedPicture> Decode(Entry& e) {
    const std::atomic<bool>* cancel = &e.cancelled;
    // After the shown pictures' own work: nothing starts while one decodes
    // (unless that one waits for this).
    PreparedSet& s = TheSet();
    AcquireSRWLockExclusive(&s.lock);
    while (!e.cancelled && !e.awaited && PendingDecodes() > 0)
        SleepConditionVariableSRW(&s.changed, &s.lock, INFINITE, 0);
    ReleaseSRWLockExclusive(&s.lock);
    if (e.cancelled) return nullptr;
    auto picture = std::make_shared<DecodedPicture>();
    // A large JPEG straight to a reduced copy, never whole in memory.
    auto reduced = std::make_shared<const Image>(DecodeReduced(e.bytes->data(), e.bytes->size(), FitScale, cancel));
    if (e.cancelled) return nullptr;
    auto full = reduced->Empty() ? std::make_shared<Image>(DecodePicture(e.bytes->data(), e.bytes->size(), cancel))
                                 : std::make_shared<Image>();
    if (e.cancelled) return nullptr;
    if (!reduced->Empty()) {
        picture->levels.push_back(std::move(reduced));
    } else if (full->Empty()) {
        return nullptr;
    } else if (Reducible(*full) && HalfCoversFit(full->width, full->height)) {
        auto half = std::make_shared<const Image>(Halve(*full, cancel));
        full.reset();  // gone before the smaller copies are made
        if (e.cancelled || half->Empty()) return nullptr;
        picture->levels.push_back(std::move(half));
    } else {
        picture->full = full;
    }
    // A reduced copy alone is all a fitted view needs (a smaller view is
    // averaged from it): no smaller copies are kept beside it.
    const Image* last = picture->full ? picture->full.get() : nullptr;
    while (last && !e.cancelled && Reducible(*last)) {
        auto next = std::make_shared<const Image>(Halve(*last, cancel));
        if (next->Empty()) break;
        last = next.get();
        picture->levels.push_back(std::move(next));
    }
    if (e.cancelled) return nullptr;
    if (picture->full && Reducible(*picture->full) && picture->levels.empty()) return nullptr;  // no room for its copies
    MakeFitted(*picture, e.view.load(), cancel);
    if (e.cancelled) return nullptr;
    if (!RoomFor(PixelBytes(*picture))) return nullptr;
    return picture;
}

void RunWaiting() {
    PreparedSet& s = TheSet();
    const HANDLE self = GetCurrentThread();
    const int priority = GetThreadPriority(self);
    t_preparing = true;
    for (;;) {
        // Each at idle priority (a waiter may have raised it for the last one).
        SetThreadPriority(self, THREAD_PRIORITY_IDLE);
        std::shared_ptr<Entry> e;
        AcquireSRWLockExclusive(&s.lock);
        for (const auto& x : s.entries) {
            if (!x->started) {
                e = x;
                e->started = true;
                e->worker = GetCurrentThreadId();
                break;
            }
        }
        if (!e) s.busy = false;
        ReleaseSRWLockExclusive(&s.lock);
        if (!e) break;
        std::shared_ptr<const DecodedPicture> picture;
        try {
            picture = Decode(*e);
        } catch (...) {
            picture = nullptr;
        }
        AcquireSRWLockExclusive(&s.lock);
        e->done = true;
        if (!e->cancelled) e->picture = picture;
        WakeAllConditionVariable(&s.changed);
        ReleaseSRWLockExclusive(&s.lock);
        const bool kept = picture && !e->cancelled;
        picture.reset();  // a dropped entry's pixels go here, outside the lock
        if (kept) PreparedPoint();
    }
    t_preparing = false;
    SetThreadPriority(self, priority);
}

}  // namespace

int SetPrepared(const ExuiData* pictures, const SIZE* views, int count) {
    PrepareAskedPoint();
    if (count < 0 || !pictures) count = 0;
    count = std::min(count, kMaxPrepared);
    PreparedSet& s = TheSet();
    std::vector<std::shared_ptr<Entry>> next, dropped;
    bool start = false;
    const bool wasPreparing = t_preparing;
    t_preparing = true;
    AcquireSRWLockExclusive(&s.lock);
    try {
        next.reserve(kMaxPrepared);
        for (int i = 0; i < count; ++i) {
            const void* data = pictures[i].data;
            const int32_t length = pictures[i].length;
            if (!data || length <= 0) continue;
            std::shared_ptr<Entry> kept;
            for (const auto& x : s.entries) {
                if (std::find(next.begin(), next.end(), x) == next.end() && SameBytes(*x->bytes, data, length)) {
                    kept = x;
                    break;
                }
            }
            if (kept) {
                kept->offered = false;
                kept->view = PackedView(views, i);  // for a decode not started yet
            } else {
                if (!RoomFor(static_cast<uint64_t>(length))) continue;
                kept = std::make_shared<Entry>();
                const auto* p = static_cast<const uint8_t*>(data);
                kept->bytes = std::make_shared<const std::vector<uint8_t>>(p, p + length);
                kept->view = PackedView(views, i);
            }
            next.push_back(std::move(kept));
        }
    } catch (...) {
        // Out of memory on the way: what was made so far is the new set.
    }
    for (const auto& x : s.entries) {
        if (std::find(next.begin(), next.end(), x) != next.end()) continue;
        // One a shown picture waits for stays until it is done.
        if (x->awaited && !x->done) {
            try {
                next.push_back(x);
                continue;
            } catch (...) {
            }
        }
        x->cancelled = true;
        dropped.push_back(x);
    }
    s.entries.swap(next);
    if (!dropped.empty()) WakeAllConditionVariable(&s.changed);
    if (count > 0) s.used = true;
    const bool waiting = std::any_of(s.entries.begin(), s.entries.end(), [](const auto& x) { return !x->started; });
    if (waiting && !s.busy) start = s.busy = true;
    const int n = static_cast<int>(s.entries.size());
    ReleaseSRWLockExclusive(&s.lock);
    t_preparing = wasPreparing;
    dropped.clear();
    next.clear();
    if (start) {
        bool submitted = false;
        try {
            submitted = SubmitTask(RunWaiting);
        } catch (...) {
        }
        if (!submitted) {
            AcquireSRWLockExclusive(&s.lock);
            s.busy = false;
            ReleaseSRWLockExclusive(&s.lock);
        }
    }
    return n;
}

namespace {

// A taken entry leaves the set at once: the picture box holds its picture
// and its own bytes, and offers them back when it moves on (OfferShown);
// the set's copy of the bytes would only add to the peak while the host
// reads and measures the next neighbours. Under the lock.
void Leave(PreparedSet& s, const std::shared_ptr<Entry>& e, std::shared_ptr<Entry>* gone) {
    const auto it = std::find(s.entries.begin(), s.entries.end(), e);
    if (it == s.entries.end()) return;
    *gone = std::move(*it);
    s.entries.erase(it);
}

}  // namespace

std::shared_ptr<const DecodedPicture> TakePrepared(const std::vector<uint8_t>& bytes) {
    PreparedSet& s = TheSet();
    std::shared_ptr<const DecodedPicture> picture;
    std::shared_ptr<Entry> gone;  // freed outside the lock
    AcquireSRWLockExclusive(&s.lock);
    for (const auto& x : s.entries) {
        if (x->done && x->picture && SameBytes(*x->bytes, bytes.data(), bytes.size())) {
            picture = x->picture;
            ++s.taken;
            Leave(s, x, &gone);
            break;
        }
    }
    ReleaseSRWLockExclusive(&s.lock);
    return picture;
}

void OfferShown(std::shared_ptr<const std::vector<uint8_t>> bytes, const std::shared_ptr<const DecodedPicture>& picture) {
    if (!bytes || bytes->empty() || !picture || t_preparing) return;
    PreparedSet& s = TheSet();
    std::vector<std::shared_ptr<Entry>> dropped;
    try {
        auto e = std::make_shared<Entry>();
        e->bytes = std::move(bytes);
        const Image* whole = picture->full.get();
        if (whole && !picture->levels.empty() && HalfCoversFit(whole->width, whole->height)) {
            auto levels = std::make_shared<DecodedPicture>();
            levels->levels.push_back(picture->levels.front());  // the fitted view's source, as prepared
            e->picture = std::move(levels);
        } else if (whole || !picture->levels.empty()) {
            e->picture = picture;
        } else {
            return;
        }
        e->started = e->done = e->offered = true;
        AcquireSRWLockExclusive(&s.lock);
        if (s.used) {
            for (auto it = s.entries.begin(); it != s.entries.end();) {
                if ((*it)->offered || SameBytes(*(*it)->bytes, e->bytes->data(), e->bytes->size())) {
                    dropped.push_back(std::move(*it));
                    it = s.entries.erase(it);
                } else {
                    ++it;
                }
            }
            try {
                s.entries.push_back(e);
            } catch (...) {
            }
        }
        ReleaseSRWLockExclusive(&s.lock);
    } catch (...) {
        // No memory for the entry: the picture is simply decoded again when wanted.
    }
}

bool DropPrepared() {
    if (t_preparing) return false;
    PreparedSet& s = TheSet();
    std::vector<std::shared_ptr<Entry>> dropped;
    AcquireSRWLockExclusive(&s.lock);
    dropped.swap(s.entries);
    for (const auto& x : dropped) x->cancelled = true;
    WakeAllConditionVariable(&s.changed);
    ReleaseSRWLockExclusive(&s.lock);
    return !dropped.empty();
}

namespace {
// Named as the engine loads, before any picture can be prepared.
[[maybe_unused]] const bool kPreparedAreWorkAhead = (SetWorkAhead(&DropPrepared), true);
}  // namespace

std::shared_ptr<const DecodedPicture> AwaitPrepared(const std::vector<uint8_t>& bytes,
                                                    const std::atomic<bool>* cancel) {
    PreparedSet& s = TheSet();
    std::shared_ptr<Entry> e;
    AcquireSRWLockExclusive(&s.lock);
    for (const auto& x : s.entries) {
        if (!x->cancelled && SameBytes(*x->bytes, bytes.data(), bytes.size())) {
            e = x;
            break;
        }
    }
    if (e) {
        e->awaited = true;
        WakeAllConditionVariable(&s.changed);
    }
    // Not started yet: the caller decodes it here, as the preparation would
    // have (no worker may be free to start it while the caller waits).
    const bool takeOver = e && !e->started;
    if (takeOver) {
        e->started = true;
        e->worker = GetCurrentThreadId();
    }
    const DWORD worker = e && !takeOver && !e->done ? e->worker : 0;
    ReleaseSRWLockExclusive(&s.lock);
    if (!e) return nullptr;
    if (takeOver) {
        std::shared_ptr<const DecodedPicture> picture;
        try {
            picture = Decode(*e);
        } catch (...) {
            picture = nullptr;
        }
        std::shared_ptr<Entry> gone;
        AcquireSRWLockExclusive(&s.lock);
        e->done = true;
        WakeAllConditionVariable(&s.changed);
        if (e->cancelled) picture = nullptr;
        e->picture = picture;
        if (picture) ++s.taken;
        Leave(s, e, &gone);
        ReleaseSRWLockExclusive(&s.lock);
        return picture;
    }
    // A picture the user waits for no longer runs at idle priority.
    if (worker) {
        if (HANDLE thread = OpenThread(THREAD_SET_INFORMATION, FALSE, worker)) {
            SetThreadPriority(thread, THREAD_PRIORITY_NORMAL);
            CloseHandle(thread);
        }
    }
    // Until it is done, dropped, or the shown decode is (DropJob cancels it
    // and then ends it with DecodeTaken, which wakes this wait).
    std::shared_ptr<Entry> gone;
    AcquireSRWLockExclusive(&s.lock);
    while (!e->done && !e->cancelled && !(cancel && *cancel))
        SleepConditionVariableSRW(&s.changed, &s.lock, INFINITE, 0);
    const bool done = e->done;
    std::shared_ptr<const DecodedPicture> picture = done ? e->picture : nullptr;
    if (done && picture) ++s.taken;
    if (done) Leave(s, e, &gone);
    ReleaseSRWLockExclusive(&s.lock);
    return picture;
}

void YieldToShown(const std::vector<uint8_t>& shown) {
    PreparedSet& s = TheSet();
    std::vector<std::shared_ptr<Entry>> dropped;
    AcquireSRWLockExclusive(&s.lock);
    for (auto it = s.entries.begin(); it != s.entries.end();) {
        if ((*it)->started && !(*it)->done && !SameBytes(*(*it)->bytes, shown.data(), shown.size())) {
            (*it)->cancelled = true;
            dropped.push_back(std::move(*it));
            it = s.entries.erase(it);
        } else {
            ++it;
        }
    }
    if (!dropped.empty()) WakeAllConditionVariable(&s.changed);
    ReleaseSRWLockExclusive(&s.lock);
}

void ShownDecodeEnded() {
    PreparedSet& s = TheSet();
    AcquireSRWLockExclusive(&s.lock);
    WakeAllConditionVariable(&s.changed);
    ReleaseSRWLockExclusive(&s.lock);
}

void InspectPrepared(ExuiPreparedInfo* info) {
    PreparedSet& s = TheSet();
    uint64_t bytes = 0;
    info->ready = info->waiting = 0;
    AcquireSRWLockShared(&s.lock);
    for (const auto& x : s.entries) {
        bytes += x->bytes->size();
        if (x->picture) bytes += PixelBytes(*x->picture);
        if (x->done && x->picture) ++info->ready;
        if (!x->done) ++info->waiting;
    }
    info->taken = s.taken;
    ReleaseSRWLockShared(&s.lock);
    info->kilobytes = static_cast<int32_t>(bytes / 1024);
}

}  // namespace uiengine
