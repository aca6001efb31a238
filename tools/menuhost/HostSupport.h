// What the Explorer stand-in and the menu benchmark share: the handler's class id, the id range they
// hand to QueryContextMenu, and owners of a COM pointer and of a pop-up menu.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace menuhost {

// The Quillet handler's class id.
constexpr CLSID kQuilletHandler = {
    0x5B1C7E2A, 0x93D4, 0x4F6B, {0xA8, 0xE0, 0x2C, 0x4D, 0x9F, 0x1B, 0x7A, 0x63}};
constexpr UINT kFirstId = 1;
constexpr UINT kLastId = 0x7FFF;

template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    T** Put() {
        Reset();
        return &pointer_;
    }
    // The out parameter of QueryInterface and its kind.
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (pointer_) {
            pointer_->Release();
            pointer_ = nullptr;
        }
    }
    template <typename U>
    HRESULT As(ComPtr<U>& other) const {
        return pointer_->QueryInterface(__uuidof(U), other.PutVoid());
    }

  private:
    T* pointer_ = nullptr;
};

class PopupMenu {
  public:
    PopupMenu() : menu_(CreatePopupMenu()) {}
    ~PopupMenu() {
        if (menu_) {
            DestroyMenu(menu_);
        }
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU Get() const { return menu_; }

  private:
    HMENU menu_;
};

// Seconds on the performance counter, for the benchmarks that drive the handler.
inline double SecondsNow() {
    static const double frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return static_cast<double>(value.QuadPart) / frequency;
}

}  // namespace menuhost
