// Every kind of Win32 handle the modules own, each a UniqueHandle over its close call, including the
// scopes that hold no handle (the open clipboard, COM on a thread), and the lock on global memory.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstddef>

#include "platform/UniqueHandle.h"

namespace quillet::platform {

// Most handles are null when absent.
template <typename HandleType>
struct NullWhenAbsent {
    using Handle = HandleType;
    static Handle None() { return nullptr; }
};

// Kernel objects that are null when absent (mutexes, events, processes, threads).
struct KernelObjectKind : NullWhenAbsent<HANDLE> {
    static bool Close(HANDLE object) { return CloseHandle(object) != FALSE; }
};
// Files, whose absence CreateFileW reports as INVALID_HANDLE_VALUE.
struct FileHandleKind {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return CloseHandle(handle) != FALSE; }
};
// A folder search, absent as INVALID_HANDLE_VALUE too.
struct FolderSearchKind : FileHandleKind {
    static bool Close(Handle handle) { return FindClose(handle) != FALSE; }
};
struct RegistryKeyKind : NullWhenAbsent<HKEY> {
    static bool Close(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};
// A memory device context (CreateCompatibleDC).
struct MemoryDCKind : NullWhenAbsent<HDC> {
    static bool Close(HDC dc) { return DeleteDC(dc) != FALSE; }
};
template <typename GdiObject>
struct GdiObjectKind : NullWhenAbsent<GdiObject> {
    static bool Close(GdiObject object) { return DeleteObject(object) != FALSE; }
};
struct IconKind : NullWhenAbsent<HICON> {
    static bool Close(HICON icon) { return DestroyIcon(icon) != FALSE; }
};
struct MenuKind : NullWhenAbsent<HMENU> {
    static bool Close(HMENU menu) { return DestroyMenu(menu) != FALSE; }
};
struct ModuleKind : NullWhenAbsent<HMODULE> {
    static bool Close(HMODULE module) { return FreeLibrary(module) != FALSE; }
};
struct GlobalMemoryKind : NullWhenAbsent<HGLOBAL> {
    static bool Close(HGLOBAL memory) { return GlobalFree(memory) == nullptr; }
};
struct ImageListKind : NullWhenAbsent<HIMAGELIST> {
    static bool Close(HIMAGELIST list) { return ImageList_Destroy(list) != FALSE; }
};
// A plain window made with CreateWindowExW (a dialog's window belongs to the dialog class).
struct WindowKind : NullWhenAbsent<HWND> {
    static bool Close(HWND window) { return DestroyWindow(window) != FALSE; }
};
struct WindowsHookKind : NullWhenAbsent<HHOOK> {
    static bool Close(HHOOK hook) { return UnhookWindowsHookEx(hook) != FALSE; }
};
// Memory a call allocated with LocalAlloc for its caller (FormatMessageW's buffer).
struct LocalMemoryKind : NullWhenAbsent<HLOCAL> {
    static bool Close(HLOCAL memory) { return LocalFree(memory) == nullptr; }
};
// Memory a COM call allocated for its caller (ID lists, strings).
template <typename T>
struct CoTaskMemoryKind : NullWhenAbsent<T*> {
    static bool Close(T* memory) {
        CoTaskMemFree(memory);
        return true;
    }
};
struct BstrKind : NullWhenAbsent<BSTR> {
    static bool Close(BSTR text) {
        SysFreeString(text);
        return true;
    }
};
// The medium that IDataObject::GetData filled: a structure, empty while its type is TYMED_NULL.
struct StorageMediumKind {
    using Handle = STGMEDIUM;
    static Handle None() { return {}; }
    static bool IsNone(const Handle& medium) { return medium.tymed == TYMED_NULL; }
    static bool Close(Handle medium) {
        ReleaseStgMedium(&medium);
        return true;
    }
};
// A window's device context, which only the window can take back.
struct WindowDCKind {
    struct Handle {
        HWND window = nullptr;
        HDC dc = nullptr;
    };
    static Handle None() { return {}; }
    static bool IsNone(const Handle& held) { return held.dc == nullptr; }
    static bool Close(Handle held) { return ReleaseDC(held.window, held.dc) != 0; }
};
// Attributes that a type library or a type description lends: only the lender takes them back.
template <typename Lender, typename Attributes, void (STDMETHODCALLTYPE Lender::*GiveBack)(Attributes*)>
struct LentAttributesKind {
    struct Handle {
        Lender* lender = nullptr;
        Attributes* attributes = nullptr;
    };
    static Handle None() { return {}; }
    static bool IsNone(const Handle& held) { return held.attributes == nullptr; }
    static bool Close(Handle held) {
        (held.lender->*GiveBack)(held.attributes);
        return true;
    }
};
// COM (or OLE) on the calling thread, when this owner's call set it up: closed by the matching call.
struct ComApartmentKind {
    using Handle = bool;
    static Handle None() { return false; }
    static bool Close(Handle) {
        CoUninitialize();
        return true;
    }
};
struct OleApartmentKind : ComApartmentKind {
    static bool Close(Handle) {
        OleUninitialize();
        return true;
    }
};
// The clipboard has no handle: its owner holds whether it is open.
struct OpenClipboardKind {
    using Handle = bool;
    static Handle None() { return false; }
    static bool Close(Handle) { return CloseClipboard() != FALSE; }
};

using UniqueKernelObject = UniqueHandle<KernelObjectKind>;
using FileHandle = UniqueHandle<FileHandleKind>;
using FolderSearchHandle = UniqueHandle<FolderSearchKind>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyKind>;
using UniqueFont = UniqueHandle<GdiObjectKind<HFONT>>;
using UniqueBitmap = UniqueHandle<GdiObjectKind<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiObjectKind<HBRUSH>>;
using UniqueIcon = UniqueHandle<IconKind>;
using UniqueMenu = UniqueHandle<MenuKind>;
using UniqueModule = UniqueHandle<ModuleKind>;
// Global memory, freed unless released to a new owner (the clipboard).
using GlobalMemory = UniqueHandle<GlobalMemoryKind>;
using UniqueImageList = UniqueHandle<ImageListKind>;
using UniqueWindow = UniqueHandle<WindowKind>;
using UniqueWindowsHook = UniqueHandle<WindowsHookKind>;
using LocalMemory = UniqueHandle<LocalMemoryKind>;
template <typename T>
using CoTaskMemory = UniqueHandle<CoTaskMemoryKind<T>>;
using UniqueBstr = UniqueHandle<BstrKind>;
using StorageMedium = UniqueHandle<StorageMediumKind>;
using UniqueWindowDC = UniqueHandle<WindowDCKind>;
using UniqueMemoryDC = UniqueHandle<MemoryDCKind>;
using TypeLibraryAttributes =
    UniqueHandle<LentAttributesKind<ITypeLib, TLIBATTR, &ITypeLib::ReleaseTLibAttr>>;
using TypeAttributes = UniqueHandle<LentAttributesKind<ITypeInfo, TYPEATTR, &ITypeInfo::ReleaseTypeAttr>>;
using ComApartment = UniqueHandle<ComApartmentKind>;
using OleApartment = UniqueHandle<OleApartmentKind>;

// The device context of a window (or of the screen for no window), released with its owner.
inline UniqueWindowDC WindowDC(HWND window) {
    return UniqueWindowDC({window, GetDC(window)});
}

// COM in a single-threaded apartment on this thread for the owner's life; nothing to undo when the
// thread had COM already in another mode (the call fails, and COM stays as it was).
inline ComApartment EnterComApartment() {
    return ComApartment(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}
inline OleApartment EnterOleApartment() {
    return OleApartment(SUCCEEDED(OleInitialize(nullptr)));
}

// How often the clipboard is tried, 50 ms apart, while another program holds it for a moment
// (clipboard viewers and managers open it after every change): for about half a second, which bounds
// what a menu being opened waits for it too.
inline constexpr int kClipboardAttempts = 11;

// The clipboard, opened for the owner window (none by default) for as long as this object lives;
// another program may hold it for a moment, so the opening is tried `attempts` times, 50 ms apart.
class OpenClipboardScope {
  public:
    explicit OpenClipboardScope(int attempts = 1, HWND owner = nullptr) {
        for (int attempt = 0; attempt < attempts && !open_; ++attempt) {
            if (attempt > 0) {
                Sleep(50);
            }
            open_.Reset(OpenClipboard(owner) != FALSE);
        }
    }
    bool IsOpen() const { return open_.Valid(); }

  private:
    UniqueHandle<OpenClipboardKind> open_;
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
