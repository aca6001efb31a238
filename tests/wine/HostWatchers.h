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
        ++answerer->answered_;
        // One answer per dialog: wait until it has gone.
        for (int wait = 0; wait < 100 && IsWindow(window) && IsWindowVisible(window); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return FALSE;
    }

    int button_;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    mutable std::mutex textsLock_;
    std::wstring texts_;
    std::thread watcher_;
};

// Holds the clipboard open from another thread and window, as another program would, while it lives
// or for the time given.
class ClipboardHolder {
  public:
    explicit ClipboardHolder(std::chrono::milliseconds holdFor = std::chrono::hours(1))
        : holder_([this, holdFor] {
              // A window of its own, as another program's: the clipboard belongs to it while open.
              HWND owner = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                           nullptr, nullptr);
              opened_ = owner && OpenClipboard(owner) != FALSE;
              ready_ = true;
              const auto until = std::chrono::steady_clock::now() + holdFor;
              while (!release_ && std::chrono::steady_clock::now() < until) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
              if (opened_) {
                  CloseClipboard();
              }
              if (owner) {
                  DestroyWindow(owner);
              }
          }) {
        while (!ready_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~ClipboardHolder() {
        release_ = true;
        holder_.join();
    }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;
    bool Opened() const { return opened_; }

  private:
    std::atomic<bool> opened_{false};
    std::atomic<bool> ready_{false};
    std::atomic<bool> release_{false};
    std::thread holder_;
};

}  // namespace quillet::test
