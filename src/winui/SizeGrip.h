// The size grip of a resizable dialog: a size-box scroll bar in the bottom right corner that answers
// every hit test as the bottom-right sizing border, so that dragging it resizes the dialog.
#pragma once

#include <windows.h>

#include "winui/ScreenDpi.h"

namespace quillet::winui {

class CSizeGrip {
  public:
    CSizeGrip() = default;
    ~CSizeGrip();
    CSizeGrip(const CSizeGrip&) = delete;
    CSizeGrip& operator=(const CSizeGrip&) = delete;

    // Creates the grip at the bottom of the dialog's z-order; false when that failed.
    bool Create(HWND dialog);
    // Puts the grip into the corner of a client area of the given size, as wide as a vertical scroll
    // bar and as high as a horizontal one at the dialog's DPI. The grip is hidden and disabled while
    // the dialog is maximised.
    void Place(int clientWidth, int clientHeight, const ScreenDpi& dpi, bool maximised) const;

    HWND Handle() const { return window_; }

  private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR subclassId, DWORD_PTR self);

    HWND window_ = nullptr;
};

}  // namespace quillet::winui
