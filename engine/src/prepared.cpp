#include "prepared.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "canvas.h"
#include "decode.h"
#include "pool.h"

namespace uiengine {

bool HalfCoversFit(int w, int h) {
    const int screenW = std::max(GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CXSCREEN));
    const int screenH = std::max(GetSystemMetrics(SM_CYVIRTUALSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return w / 2 >= screenW || h / 2 >= screenH;
}

bool HalvedCoversFit(int w, int h) { return w >= 1024 && h >= 1024 && HalfCoversFit(w, h); }

namespace {

struct Entry {
    std::shared_ptr<const std::vector<uint8_t>> bytes;  // the engine's copy, kept for the comparison
    std::shared_ptr<const DecodedPicture> picture;      // under the lock; null until done, or undecodable
    bool started = false;                               // under the lock
    bool done = false;                                  // under the lock
    std::atomic<bool> cancelled{false};
    bool offered = false;  // under the lock: a shown picture not named by the host since
};

struct PreparedSet {
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<std::shared_ptr<Entry>> entries;
    bool busy = false;  // a worker is decoding the waiting entries, one after the other
    bool used = false;  // the host has named a set
    int taken = 0;
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

bool Same(const std::vector<uint8_t>& a, const void* data, size_t length) {
    return a.size() == length && (length == 0 || std::memcmp(a.data(), data, length) == 0);
}

uint64_t PixelBytes(const DecodedPicture& p) {
    uint64_t n = p.full ? p.full->pixels.size() * 4ull : 0;
    for (const auto& level : p.levels) n += level->pixels.size() * 4ull;
    return n;
}

bool Reducible(const Image& image) { return image.width >= 512 && image.height >= 512; }

// Tests wait for a picture to be prepared: a manual-reset event of this
// name, when the process has one, is set after each one kept.
void TellTests() {
    char name[64];
    wsprintfA(name, "uiengine-prepared-%lu", GetCurrentProcessId());
    if (HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, name)) {
        SetEvent(done);
        CloseHandle(done);
    }
}

// What a step needs for its first fitted frame: for a picture whose first
// halved copy covers any fitted view, that copy alone (the
// whole picture is decoded again only for a zoom past that copy: keeping
// it for each neighbour would hold three whole pictures at once);
// otherwise the whole picture and its chain, as a shown decode ends with.
// Null when undecodable, cancelled, or when keeping it would leave no room
// for a picture of its size to be shown.
std::shared_ptr<const DecodedPicture> Decode(Entry& e) {
    const std::atomic<bool>* cancel = &e.cancelled;
    // After the shown pictures' own work: nothing starts while one decodes.
    while (!e.cancelled && PendingDecodes() > 0) Sleep(10);
    if (e.cancelled) return nullptr;
    auto picture = std::make_shared<DecodedPicture>();
    // A colour JPEG straight to its halved copy, never whole in memory.
    auto halved = std::make_shared<const Image>(DecodeHalved(
        e.bytes->data(), e.bytes->size(), HalvedCoversFit,
        cancel));
    if (e.cancelled) return nullptr;
    bool packed = false;
    auto full = halved->Empty()
                    ? std::make_shared<Image>(DecodePicture(e.bytes->data(), e.bytes->size(), &packed, cancel))
                    : std::make_shared<Image>();
    if (e.cancelled) return nullptr;
    if (!halved->Empty()) {
        picture->levels.push_back(std::move(halved));
    } else if (full->Empty()) {
        return nullptr;
    } else if (Reducible(*full) && HalfCoversFit(full->width, full->height)) {
        auto half = std::make_shared<const Image>(packed ? HalvePacked(*full, cancel) : Halve(*full, cancel));
        full.reset();  // gone before the smaller copies are made
        if (e.cancelled || half->Empty()) return nullptr;
        picture->levels.push_back(std::move(half));
    } else {
        if (packed && !WidenPacked(*full, cancel)) return nullptr;
        picture->full = full;
    }
    // A halved copy alone is all a fitted view needs (a smaller view is
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
    if (!RoomFor(PixelBytes(*picture))) return nullptr;
    return picture;
}

void RunWaiting() {
    PreparedSet& s = TheSet();
    const HANDLE self = GetCurrentThread();
    const int priority = GetThreadPriority(self);
    SetThreadPriority(self, THREAD_PRIORITY_IDLE);
    t_preparing = true;
    for (;;) {
        std::shared_ptr<Entry> e;
        AcquireSRWLockExclusive(&s.lock);
        for (const auto& x : s.entries) {
            if (!x->started) {
                e = x;
                e->started = true;
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
        ReleaseSRWLockExclusive(&s.lock);
        const bool kept = picture && !e->cancelled;
        picture.reset();  // a dropped entry's pixels go here, outside the lock
        if (kept) TellTests();
    }
    t_preparing = false;
    SetThreadPriority(self, priority);
}

}  // namespace

int SetPrepared(const ExuiData* pictures, int count) {
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
                if (std::find(next.begin(), next.end(), x) == next.end() && Same(*x->bytes, data, length)) {
                    kept = x;
                    break;
                }
            }
            if (kept) {
                kept->offered = false;
            } else {
                if (!RoomFor(static_cast<uint64_t>(length))) continue;
                kept = std::make_shared<Entry>();
                const auto* p = static_cast<const uint8_t*>(data);
                kept->bytes = std::make_shared<const std::vector<uint8_t>>(p, p + length);
            }
            next.push_back(std::move(kept));
        }
    } catch (...) {
        // Out of memory on the way: what was made so far is the new set.
    }
    for (const auto& x : s.entries) {
        if (std::find(next.begin(), next.end(), x) != next.end()) continue;
        x->cancelled = true;
        dropped.push_back(x);
    }
    s.entries.swap(next);
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

std::shared_ptr<const DecodedPicture> TakePrepared(const std::vector<uint8_t>& bytes) {
    PreparedSet& s = TheSet();
    std::shared_ptr<const DecodedPicture> picture;
    AcquireSRWLockExclusive(&s.lock);
    for (const auto& x : s.entries) {
        if (x->done && x->picture && Same(*x->bytes, bytes.data(), bytes.size())) {
            picture = x->picture;
            ++s.taken;
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
                if ((*it)->offered || Same(*(*it)->bytes, e->bytes->data(), e->bytes->size())) {
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
    ReleaseSRWLockExclusive(&s.lock);
    return !dropped.empty();
}

void YieldToShown() {
    PreparedSet& s = TheSet();
    std::vector<std::shared_ptr<Entry>> dropped;
    AcquireSRWLockExclusive(&s.lock);
    for (auto it = s.entries.begin(); it != s.entries.end();) {
        if ((*it)->started && !(*it)->done) {
            (*it)->cancelled = true;
            dropped.push_back(std::move(*it));
            it = s.entries.erase(it);
        } else {
            ++it;
        }
    }
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
