// The one owner of a system handle, for every kind of handle: a kind names the handle's type, the
// value that means "none" and the call that closes it, and UniqueHandle does the rest (move-only,
// closed on destruction). Nothing outside the kinds closes, frees or releases a handle: the
// ownership check of the tests (tests/docs/check-ownership.py) fails on a bare call.
#pragma once

#include <cstdio>
#include <utility>

namespace quillet::platform {

// Kind: struct { using Handle = ...; static Handle None(); static bool Close(Handle); } and, for a
// handle that is a structure, static bool IsNone(const Handle&) (the value None() gives is not the
// only one that holds nothing).
template <typename Kind>
class UniqueHandle {
  public:
    using Handle = typename Kind::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return handle_; }
    bool Valid() const {
        if constexpr (requires { Kind::IsNone(handle_); }) {
            return !Kind::IsNone(handle_);
        } else {
            return handle_ != Kind::None();
        }
    }
    explicit operator bool() const { return Valid(); }

    // Closes what is held and takes the new handle.
    void Reset(Handle handle = Kind::None()) {
        Close();
        handle_ = handle;
    }
    // Closes what is held and hands out the slot, for a call that returns a handle through a pointer.
    Handle* Receive() {
        Close();
        return &handle_;
    }
    // Gives the handle to a new owner, who must close it.
    Handle Release() { return std::exchange(handle_, Kind::None()); }
    // Closes now, for a caller that must know whether the close succeeded (true when nothing is held).
    bool Close() { return !Valid() || Kind::Close(Release()); }

  private:
    Handle handle_ = Kind::None();
};

// A C library stream, on both systems.
struct StdioFileKind {
    using Handle = std::FILE*;
    static Handle None() { return nullptr; }
    static bool Close(Handle file) { return std::fclose(file) == 0; }
};
using UniqueStdioFile = UniqueHandle<StdioFileKind>;

}  // namespace quillet::platform
