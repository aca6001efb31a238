// Owners of the Win32 resources that the handler holds only for the length of a call.
#pragma once

#include <windows.h>

namespace quillet::shellext {

// Global memory locked for the life of the object.
class GlobalLockHold {
  public:
    explicit GlobalLockHold(HGLOBAL memory) : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~GlobalLockHold() {
        if (data_) {
            GlobalUnlock(memory_);
        }
    }
    GlobalLockHold(const GlobalLockHold&) = delete;
    GlobalLockHold& operator=(const GlobalLockHold&) = delete;
    void* Data() const { return data_; }
    // How many whole elements of T the memory holds.
    template <typename T>
    std::size_t Count() const {
        return data_ ? GlobalSize(memory_) / sizeof(T) : 0;
    }

  private:
    HGLOBAL memory_;
    void* data_;
};

// The clipboard, opened without an owner window for the life of the object.
class OpenClipboardHold {
  public:
    OpenClipboardHold() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~OpenClipboardHold() {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenClipboardHold(const OpenClipboardHold&) = delete;
    OpenClipboardHold& operator=(const OpenClipboardHold&) = delete;
    bool IsOpen() const { return open_; }

  private:
    bool open_;
};

}  // namespace quillet::shellext
