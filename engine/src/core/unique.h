#pragma once
// The engine's one move-only owner for every handle and COM reference, so
// that every path releases what it made: Unique<HFONT, DeleteObject>,
// Unique<IStream*, ComRelease<IStream>>. The engine keeps its own so that it
// builds from engine/ alone.
#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <type_traits>
#include <utility>

namespace uiengine {

template <typename T, auto Release>
class Unique {
public:
    Unique() = default;
    explicit Unique(T value) : value_(value) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.Take()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) Reset(other.Take());
        return *this;
    }
    ~Unique() { Reset(); }

    T Get() const { return value_; }
    // For out-parameters: releases what is held and hands out the slot.
    T* Out() {
        Reset();
        return &value_;
    }
    T Take() { return std::exchange(value_, T{}); }
    void Reset(T value = T{}) {
        T old = std::exchange(value_, value);
        if (IsValid(old)) Release(old);
    }
    explicit operator bool() const { return IsValid(value_); }

private:
    // Handles use both null and all-ones (INVALID_HANDLE_VALUE) for "none".
    static bool IsValid(T v) {
        if constexpr (std::is_pointer_v<T>) {
            return v != nullptr && reinterpret_cast<std::uintptr_t>(v) != ~std::uintptr_t{0};
        } else {
            return v != T{};
        }
    }
    T value_{};
};

template <typename I>
void ComRelease(I* p) {
    p->Release();
}

// The screen's device context for a scope (GetDC(nullptr) / ReleaseDC).
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// An object selected into a device context for a scope; the one it replaced
// is selected back at the end.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace uiengine
