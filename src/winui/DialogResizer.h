// What makes a dialog resizable, the same for every resizable dialog: its controls placed by their
// anchors for every size and DPI, a size grip in the corner, and a smallest size as the dialog
// opened with one control (a list, a preview) allowed to shrink.
#pragma once

#include <windows.h>

#include <memory>
#include <span>

#include "winui/ControlLayout.h"
#include "winui/ScreenDpi.h"
#include "winui/SizeGrip.h"

namespace quillet::winui {

struct ControlAnchor {
    HWND control;
    AnchorRule rule;
};

class CDialogResizer {
  public:
    explicit CDialogResizer(std::shared_ptr<ScreenDpi> dpi) : dpi_(std::move(dpi)) {}

    // Records every control of dialog as it is now at the current DPI, anchors the given ones and puts
    // the size grip in the corner. The dialog's present size is the smallest it may take, with the
    // shrinking control keeping only keptHeight96 (at 96 DPI) of its height.
    void Record(HWND dialog, std::span<const ControlAnchor> anchors, HWND shrinking, int keptHeight96 = 0);
    bool IsRecorded() const { return layout_.IsRecorded(); }
    // Forgets the recorded controls, as their window is going away.
    void Forget() { layout_ = CControlLayout(); }

    // WM_SIZE: places the grip and the controls for the new client area; false when nothing was placed
    // (not recorded yet, or minimised).
    bool OnSize(UINT type, int clientWidth, int clientHeight);
    // WM_DPICHANGED, before the window moves to the suggested rectangle: the new DPI and the font at it.
    void ChangeDpi(int newDpi);
    // After the window moved: every control placed again for the client area as it is, all redrawn.
    void PlaceAgain();
    // WM_GETMINMAXINFO: the smallest size at the current DPI, with extraHeight pixels more; false when
    // not recorded yet.
    bool LimitSize(MINMAXINFO& info, int extraHeight = 0) const;
    // The smallest size at the current DPI.
    SIZE MinimumSize() const { return {dpi_->Scale(minTrackSize96_.cx), dpi_->Scale(minTrackSize96_.cy)}; }

  private:
    void Place(int clientWidth, int clientHeight, bool maximised);

    std::shared_ptr<ScreenDpi> dpi_;
    HWND dialog_ = nullptr;
    CControlLayout layout_;
    CSizeGrip sizeGrip_;
    // The smallest window, in 96-DPI pixels.
    SIZE minTrackSize96_{};
};

}  // namespace quillet::winui
