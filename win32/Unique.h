#pragma once

#include <utility>

namespace win32 {

// Owns one resource and frees it on every way out. `Traits` says what the resource is:
//   using Type = ...;                 the value held (a handle, or a small struct)
//   static Type none();               the value that holds nothing
//   static bool valid(Type);          whether a value holds something to free
//   static void free(Type);           frees a valid value
// Move-only, so that exactly one owner frees it.
template <typename Traits> class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept = default;
    explicit Unique(Type value) noexcept : value_(value) {}
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Type get() const noexcept { return value_; }
    bool valid() const noexcept { return Traits::valid(value_); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives up ownership without freeing.
    Type release() noexcept { return std::exchange(value_, Traits::none()); }
    void reset(Type value = Traits::none()) noexcept {
        if (Traits::valid(value_))
            Traits::free(value_);
        value_ = value;
    }
    // For the calls that return a handle through a pointer; what was held is freed first.
    Type* receive() noexcept {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::none();
};

// Traits for the common case: a pointer-like handle whose "nothing" is null and whose free
// function is `Free`.
template <typename Handle, auto Free> struct NullIsNone {
    using Type = Handle;
    static Type none() { return nullptr; }
    static bool valid(Type value) { return value != nullptr; }
    static void free(Type value) { Free(value); }
};

} // namespace win32
