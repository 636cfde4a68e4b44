#pragma once
// Platform entry points bound by library and function name at their first
// call and kept for the process. A call site reads like a plain call:
//     api::PathFindFileNameW(path);
// An entry point that cannot be bound is fatal: a message box names the
// library and the entry point, and the program ends.
#include <windows.h>

#include <utility>

namespace vela::runtime {

// Loads the library (once per process) and looks the name up. On failure it
// shows "无法找到指定DLL库文件“<library>”中的输出命令“<name>”" and ends
// the program with exit code -1; it never returns null.
FARPROC BindEntryPoint(const char* library, const char* name);

template <typename Fn>
class Entry {
public:
    constexpr Entry(const char* library, const char* name) : library_(library), name_(name) {}

    template <typename... Args>
    auto operator()(Args&&... args) const {
        return Get()(std::forward<Args>(args)...);
    }
    Fn Get() const {
        if (!fn_) fn_ = reinterpret_cast<Fn>(reinterpret_cast<void*>(BindEntryPoint(library_, name_)));
        return fn_;
    }
    const char* Library() const { return library_; }
    const char* Name() const { return name_; }

private:
    const char* library_;
    const char* name_;
    mutable Fn fn_ = nullptr;
};

// An entry point that older systems lack: looked up by name at first use
// like the others, but a missing one is no fatal error. Get() is null then,
// and the caller does without.
template <typename Fn>
class OptionalEntry {
public:
    constexpr OptionalEntry(const char* library, const char* name) : library_(library), name_(name) {}
    Fn Get() const {
        if (!looked_) {
            HMODULE module = GetModuleHandleA(library_);
            if (!module) module = LoadLibraryA(library_);
            fn_ = module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name_))) : nullptr;
            looked_ = true;
        }
        return fn_;
    }

private:
    const char* library_;
    const char* name_;
    mutable Fn fn_ = nullptr;
    mutable bool looked_ = false;
};

}  // namespace vela::runtime

// Declares api::name as the entry point `name` of `library`, typed after the
// platform header's own declaration.
#define VELA_ENTRY(library, name) \
    inline constinit ::vela::runtime::Entry<decltype(&::name)> name { library, #name }

// For names the platform headers turn into macros (RtlMoveMemory): the type
// is given by hand.
#define VELA_ENTRY_TYPED(library, name, type) \
    inline constinit ::vela::runtime::Entry<type> name { library, #name }

// Declares api::name as an entry point that may be missing (OptionalEntry).
#define VELA_OPTIONAL_ENTRY_TYPED(library, name, type) \
    inline constinit ::vela::runtime::OptionalEntry<type> name { library, #name }
