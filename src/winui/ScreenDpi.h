// The DPI of one dialog window, shared by the window and its controls, and the icons that follow it.
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
    // Takes the DPI the system announced (WM_DPICHANGED) and tells the watchers when it changed.
    void Set(int dpi);
    int Current() const { return dpi_; }
    // The text size the window opened with, as a percentage (CDialog::TextScale).
    int TextScale() const { return textScale_; }
    void SetTextScale(int percent) { textScale_ = percent; }
    // value at the current DPI: (value × DPI + 48) / 96 for positive values.
    int Scale(int value) const;
    // A system metric (SM_CXVSCROLL...) for the current DPI. GetSystemMetrics alone answers for the
    // system's DPI in a DPI-aware process, already scaled: it is the answer only without
    // GetSystemMetricsForDpi, on systems whose windows never change DPI.
    int SystemMetric(int index) const;

    void AddWatcher(ScreenDpiWatcher& watcher);
    void RemoveWatcher(ScreenDpiWatcher& watcher);

  private:
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

    void LookUpFunctions();
    void Notify(int oldDpi);

    int dpi_ = kDefaultDpi;
    int textScale_ = 100;
    bool initialised_ = false;
    UniqueModule user32_;
    GetDpiForWindowFunction getDpiForWindow_ = nullptr;
    GetSystemMetricsForDpiFunction getSystemMetricsForDpi_ = nullptr;
    std::vector<ScreenDpiWatcher*> watchers_;
};

// An icon resource at the size of a window icon for the current DPI, loaded when first asked for and
// again after the DPI changed: the small one (SM_CXSMICON) for captions, the large one (SM_CXICON)
// for dialogs.
class ScaledIcon {
  public:
    enum class Size { Small, Large };

    ScaledIcon(int iconId, Size size, std::shared_ptr<const ScreenDpi> dpi)
        : iconId_(iconId), size_(size), dpi_(std::move(dpi)) {}

    // The icon for the current DPI; null when it cannot be loaded (the next call tries again).
    HICON Get();

  private:
    int iconId_;
    Size size_;
    std::shared_ptr<const ScreenDpi> dpi_;
    UniqueIcon icon_;
    int iconDpi_ = 0;
};

// The user's text size as a percentage of the normal one (100 to 225), from the system's message font,
// which Windows' text-size setting enlarges.
int UserTextScale();

// Leaves a per-monitor-aware dialog's DPI changes to its own code: without this, newer systems also
// rescale the dialog's fonts and controls themselves, and everything would be scaled twice. Does
// nothing on systems without SetDialogDpiChangeBehavior.
void TakeOverDialogDpiScaling(HWND dialog);

}  // namespace quillet::winui
