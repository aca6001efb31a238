// The one COM pointer, for the modules, their tests and the Explorer stand-in alike.
#pragma once

#include <unknwn.h>

#include <utility>

namespace quillet::platform {

// Owns one reference to a COM interface.
template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        Reset(std::exchange(other.pointer_, nullptr));
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Takes over a reference the caller already holds.
    void Reset(Interface* pointer = nullptr) {
        if (pointer_) {
            pointer_->Release();
        }
        pointer_ = pointer;
    }
    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    Interface** Receive() {
        Reset();
        return &pointer_;
    }
    // The same for calls that take any interface as void** (QueryInterface, CreateInstance).
    void** ReceiveAny() { return reinterpret_cast<void**>(Receive()); }
    // Gives up the reference without releasing it.
    Interface* Detach() { return std::exchange(pointer_, nullptr); }
    // Gives the caller a new reference.
    Interface* Share() const {
        if (pointer_) {
            pointer_->AddRef();
        }
        return pointer_;
    }

  private:
    Interface* pointer_ = nullptr;
};

}  // namespace quillet::platform
