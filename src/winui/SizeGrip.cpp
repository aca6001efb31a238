#include "winui/SizeGrip.h"

#include <commctrl.h>

#include "winui/Handles.h"

namespace quillet::winui {

CSizeGrip::~CSizeGrip() {
    if (window_) {
        RemoveWindowSubclass(window_, &CSizeGrip::SubclassProc, 0);
    }
}

bool CSizeGrip::Create(HWND dialog) {
    window_ =
        CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEGRIP, 0,
                        0, 0, 0, dialog, nullptr, ModuleInstance(), nullptr);
    if (!window_) {
        return false;
    }
    SetWindowSubclass(window_, &CSizeGrip::SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
    SetWindowPos(window_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void CSizeGrip::Place(int clientWidth, int clientHeight, const ScreenDpi& dpi, bool maximised) const {
    if (!window_) {
        return;
    }
    const int width = dpi.SystemMetric(SM_CXVSCROLL);
    const int height = dpi.SystemMetric(SM_CYHSCROLL);
    SetWindowPos(window_, HWND_BOTTOM, clientWidth - width, clientHeight - height, width, height,
                 SWP_NOACTIVATE | (maximised ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
    EnableWindow(window_, maximised ? FALSE : TRUE);
}

LRESULT CALLBACK CSizeGrip::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR /*subclassId*/, DWORD_PTR self) {
    switch (message) {
        case WM_NCHITTEST:
            return HTBOTTOMRIGHT;
        case WM_NCDESTROY:
            // The window goes first: put its own procedure back and forget it.
            RemoveWindowSubclass(window, &CSizeGrip::SubclassProc, 0);
            reinterpret_cast<CSizeGrip*>(self)->window_ = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace quillet::winui
