// Another program and a user, played from a test process under Wine: one holds the clipboard open or
// reads it, the other answers the dialogs and message boxes that the code under test opens.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "../unit/WaitFor.h"
#include "platform/win32/Handles.h"

namespace quillet::test {

// The clipboard's Unicode text as another program reads it (up to its terminator), or none.
inline std::optional<std::u16string> ClipboardText() {
    const platform::OpenClipboardScope clipboard;
    if (!clipboard.IsOpen()) {
        return std::nullopt;
    }
    const platform::GlobalLockScope lock(GetClipboardData(CF_UNICODETEXT));
    if (lock.Data() == nullptr) {
        return std::nullopt;
    }
    const std::u16string_view memory(static_cast<const char16_t*>(lock.Data()), lock.Count<char16_t>());
    return std::u16string(memory.substr(0, memory.find(u'\0')));
}

// Answers the dialog boxes of this process (the shell's confirmations, message boxes) with one
// button while it lives, and keeps the text of each (a message box's text control).
class ConfirmationAnswerer {
  public:
    explicit ConfirmationAnswerer(int button) : button_(button), watcher_([this] { Watch(); }) {}
    ~ConfirmationAnswerer() {
        stop_ = true;
        watcher_.join();
    }
    ConfirmationAnswerer(const ConfirmationAnswerer&) = delete;
    ConfirmationAnswerer& operator=(const ConfirmationAnswerer&) = delete;

    int Answered() const { return answered_; }
    // The window that owned the last box answered.
    HWND Owner() const { return owner_; }
    // The texts of the boxes answered, one line each.
    std::wstring Texts() const {
        const std::lock_guard<std::mutex> hold(textsLock_);
        return texts_;
    }

  private:
    void Watch() {
        while (!stop_) {
            EnumWindows(&ConfirmationAnswerer::Visit, reinterpret_cast<LPARAM>(this));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        auto* answerer = reinterpret_cast<ConfirmationAnswerer*>(self);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (process != GetCurrentProcessId() || std::wstring(className) != L"#32770" ||
            !IsWindowVisible(window)) {
            return TRUE;
        }
        HWND button = GetDlgItem(window, answerer->button_);
        if (!button) {
            return TRUE;
        }
        constexpr int kMessageBoxText = 0xFFFF;
        wchar_t text[512] = {};
        GetDlgItemTextW(window, kMessageBoxText, text, 512);
        {
            const std::lock_guard<std::mutex> hold(answerer->textsLock_);
            answerer->texts_ += std::wstring(text) + L"\n";
        }
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(answerer->button_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        answerer->owner_ = GetWindow(window, GW_OWNER);
        ++answerer->answered_;
        // One answer per dialog: wait until it has gone.
        WaitFor([window] { return !IsWindow(window) || !IsWindowVisible(window); });
        return FALSE;
    }

    int button_;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    std::atomic<HWND> owner_{nullptr};
    mutable std::mutex textsLock_;
    std::wstring texts_;
    std::thread watcher_;
};

// Holds the clipboard open from another thread and window, as another program would: while it lives,
// or, given a module, until that module's code is refused the clipboard once (its import of
// OpenClipboard answered by a stand-in). The refused call returns once the clipboard is free again,
// so that the module's next try succeeds however busy the machine is.
class ClipboardHolder {
  public:
    ClipboardHolder() : holder_([this] { Hold(); }) {
        WaitFor([this] { return ready_.load(); });
    }
    explicit ClipboardHolder(HMODULE module) : ClipboardHolder() {
        module_ = module;
        active_ = this;
        PatchImport(module_, reinterpret_cast<void*>(&OpenClipboard),
                    reinterpret_cast<void*>(&ClipboardHolder::OpenRefusedOnce));
    }
    ~ClipboardHolder() {
        if (module_) {
            PatchImport(module_, reinterpret_cast<void*>(&ClipboardHolder::OpenRefusedOnce),
                        reinterpret_cast<void*>(&OpenClipboard));
            active_ = nullptr;
        }
        release_ = true;
        holder_.join();
    }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;
    bool Opened() const { return opened_; }
    // How often the module was refused the clipboard.
    int Refusals() const { return refusals_; }

  private:
    void Hold() {
        // A window of its own, as another program's: the clipboard belongs to it while open.
        {
            const platform::UniqueWindow owner(CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0,
                                                               HWND_MESSAGE, nullptr, nullptr, nullptr));
            const platform::OpenClipboardScope clipboard(owner ? 1 : 0, owner.Get());
            opened_ = clipboard.IsOpen();
            ready_ = true;
            WaitFor([this] { return release_.load(); }, std::chrono::hours(1));
        }
        released_ = true;
    }

    static BOOL WINAPI OpenRefusedOnce(HWND owner) {
        const BOOL opened = OpenClipboard(owner);
        ClipboardHolder* const holder = active_;
        if (!opened && holder && !holder->release_) {
            ++holder->refusals_;
            holder->release_ = true;
            WaitFor([holder] { return holder->released_.load(); });
        }
        return opened;
    }

    // Points a module's imports of function at replacement.
    static void PatchImport(HMODULE module, void* function, void* replacement) {
        auto* base = reinterpret_cast<BYTE*>(module);
        const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             library->Name != 0; ++library) {
            for (auto* slot = reinterpret_cast<void**>(base + library->FirstThunk); *slot; ++slot) {
                if (*slot == function) {
                    DWORD protection = 0;
                    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
                    *slot = replacement;
                    VirtualProtect(slot, sizeof(*slot), protection, &protection);
                }
            }
        }
    }

    static inline std::atomic<ClipboardHolder*> active_{nullptr};
    HMODULE module_ = nullptr;
    std::atomic<bool> opened_{false};
    std::atomic<bool> ready_{false};
    std::atomic<bool> release_{false};
    std::atomic<bool> released_{false};
    std::atomic<int> refusals_{0};
    std::thread holder_;
};

}  // namespace quillet::test
