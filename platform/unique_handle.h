// One owner for every kind of operating-system handle: a kind is a Traits type that names the
// handle type, its empty value and how to release one, and each kind is an alias of
// UniqueHandle<Traits> (the Win32 layer's find, kernel, module and LocalAlloc handles, the
// core's installer handles). Move-only; the handle is released exactly once, on every path.
#pragma once

#include <utility>

template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::empty(); }

    // Releases what is held and takes `handle` (by default nothing).
    void reset(Handle handle = Traits::empty()) {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::empty())
            Traits::release(old);
    }
    // Gives the handle up without releasing it.
    Handle release() { return std::exchange(handle_, Traits::empty()); }
    // The address for an output argument. What is held is released first, so a call that
    // fills the address can never overwrite (and leak) a live handle.
    Handle* put() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::empty();
};
