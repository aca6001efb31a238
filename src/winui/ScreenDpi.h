// The DPI of one dialog window, shared by the window and its controls, and the small window icon
// that follows it.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "winui/Handles.h"

namespace quillet::winui {

class ScreenDpi {
  public:
    // Told when the window's DPI changes.
    class ScreenDpiWatcher {
      public:
        virtual ~ScreenDpiWatcher() = default;
        virtual void OnDpiChanged(int oldDpi, int newDpi) = 0;

      protected:
        ScreenDpiWatcher() = default;
    };

    static constexpr int kDefaultDpi = 96;

    ScreenDpi() = default;
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;

    // Re-reads the window's DPI and tells the watchers, in order, when it changed. Without
    // GetDpiForWindow (older systems) the screen's DPI is read once and never changes.
    void Update(HWND window);
    int Current() const { return dpi_; }
    // value at the current DPI: (value × DPI + 48) / 96 for positive values.
    int Scale(int value) const;

    void AddWatcher(ScreenDpiWatcher& watcher);
    void RemoveWatcher(ScreenDpiWatcher& watcher);

  private:
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

    int dpi_ = kDefaultDpi;
    bool initialised_ = false;
    UniqueModule user32_;
    GetDpiForWindowFunction getDpiForWindow_ = nullptr;
    std::vector<ScreenDpiWatcher*> watchers_;
};

// An icon resource at the size of a small window icon for the current DPI, loaded when first asked
// for and again after the DPI changed.
class ScaledSmallIcon {
  public:
    ScaledSmallIcon(int iconId, std::shared_ptr<const ScreenDpi> dpi)
        : iconId_(iconId), dpi_(std::move(dpi)) {}

    // The icon for the current DPI; null when it cannot be loaded (the next call tries again).
    HICON Get();

  private:
    int iconId_;
    std::shared_ptr<const ScreenDpi> dpi_;
    UniqueIcon icon_;
    int iconDpi_ = 0;
};

}  // namespace quillet::winui
