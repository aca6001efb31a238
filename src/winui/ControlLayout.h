// Where every control of a resizable dialog goes for any client size and DPI: the controls as the
// dialog opened, at the DPI it opened at, scaled to the current DPI, and moved or stretched by the
// few that follow the right and bottom edges. Working from the opening layout each time, a dialog
// that moves between monitors and back ends where it started, and the same DPI never moves a control.
#pragma once

#include <windows.h>

#include <vector>

#include "core/layout/DialogLayout.h"
#include "winui/Handles.h"

namespace quillet::winui {

class CControlLayout {
  public:
    // Records every child window of dialog as it is now, at dpi, and the dialog's font.
    void Record(HWND dialog, int dpi);
    bool IsRecorded() const { return !controls_.empty(); }
    // Makes a recorded control follow the right and bottom edges as rule says.
    void Anchor(HWND control, AnchorRule rule);

    // Places every recorded control for a client area of the given size at dpi, without redrawing;
    // true when any control moved.
    bool Place(int clientWidth, int clientHeight, int dpi) const;
    // Gives every recorded control the dialog's font at dpi.
    void ScaleFont(int dpi);

  private:
    struct Control {
        HWND window;
        LayoutRect opened;
        AnchorRule rule;
        AnchorGaps gaps;
    };

    HWND dialog_ = nullptr;
    int dpi_ = 0;
    SIZE client_{};
    std::vector<Control> controls_;
    HFONT openedFont_ = nullptr;  // the dialog's own, owned by the system's dialog code
    LOGFONTW fontDescription_{};
    UniqueFont scaledFont_;
};

}  // namespace quillet::winui
