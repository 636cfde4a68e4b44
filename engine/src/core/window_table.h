#pragma once
// What the engine keeps per hooked window (its control or frame, the window
// procedure it replaced), found without asking the window server. A window
// property is a server request on Wine (about 40 us), and every message of
// every hooked window looked up two: moving one control cost more in lookups
// than in the move. The window properties are still set, for whoever reads
// them; the engine reads this table.
#include <windows.h>

#include <unordered_map>

namespace uiengine {

template <class Value>
class WindowTable {
public:
    void Set(HWND window, Value value) {
        AcquireSRWLockExclusive(&lock_);
        try {
            map_[window] = value;
        } catch (...) {
            // No memory for the entry: the window's lookups find nothing
            // here and read its window property instead.
        }
        ReleaseSRWLockExclusive(&lock_);
    }
    // The value kept for the window, or Value{} when none.
    Value Get(HWND window) const {
        AcquireSRWLockShared(&lock_);
        const auto it = map_.find(window);
        const Value value = it == map_.end() ? Value{} : it->second;
        ReleaseSRWLockShared(&lock_);
        return value;
    }
    // The value kept for the window, else the one its window property holds
    // (a window whose entry found no memory).
    Value Find(HWND window, const char* property) const {
        if (Value v = Get(window)) return v;
        return reinterpret_cast<Value>(GetPropA(window, property));
    }
    void Erase(HWND window) {
        AcquireSRWLockExclusive(&lock_);
        map_.erase(window);
        ReleaseSRWLockExclusive(&lock_);
    }

private:
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    std::unordered_map<HWND, Value> map_;
};

}  // namespace uiengine
