// Owners of the Win32 resources held for the length of a call: one class per kind of handle, each
// releasing what it holds in its destructor.
#pragma once

#include <windows.h>

#include <cstddef>

namespace quillet::platform {

// One file handle.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Closes now, for a caller that must know whether the close succeeded.
    bool Close() {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return true;
        }
        const BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

  private:
    HANDLE handle_;
};

// The clipboard, opened without an owner window for as long as this object lives.
class OpenClipboardScope {
  public:
    OpenClipboardScope() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~OpenClipboardScope() {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool IsOpen() const { return open_; }

  private:
    bool open_;
};

// Global memory freed on destruction unless released to a new owner (the clipboard).
class GlobalMemory {
  public:
    GlobalMemory(UINT flags, SIZE_T bytes) : memory_(GlobalAlloc(flags, bytes)) {}
    ~GlobalMemory() {
        if (memory_ != nullptr) {
            GlobalFree(memory_);
        }
    }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    HGLOBAL Get() const { return memory_; }
    HGLOBAL Release() {
        HGLOBAL memory = memory_;
        memory_ = nullptr;
        return memory;
    }

  private:
    HGLOBAL memory_;
};

// A lock on global memory, undone on destruction.
class GlobalLockScope {
  public:
    explicit GlobalLockScope(HGLOBAL memory)
        : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~GlobalLockScope() {
        if (data_ != nullptr) {
            GlobalUnlock(memory_);
        }
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
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

}  // namespace quillet::platform
