#include "winui/Dialog.h"

#include <windowsx.h>

#include <exception>

#include "winui/Accessible.h"
#include "winui/Handles.h"

namespace quillet::winui {

CDialog::~CDialog() {
    if (window_ && !modal_) {
        // The derived part is gone already: the window must not call back into it while it goes.
        SetWindowLongPtrW(window_, DWLP_USER, 0);
        DestroyWindow(window_);
    }
}

INT_PTR CDialog::DoModal(HWND owner) {
    modal_ = true;
    return DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId_), owner, &CDialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND owner) {
    modal_ = false;
    return CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId_), owner, &CDialog::DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::Close(INT_PTR result) {
    if (!window_) {
        return;
    }
    if (modal_) {
        EndDialog(window_, result);
    } else {
        DestroyWindow(window_);
    }
}

bool CDialog::OnCommand(int controlId, int /*notifyCode*/) {
    if (help_ && controlId == helpButtonId_) {
        help_->OpenDialogTopic(ModuleHelpFile(), templateId_);
        return true;
    }
    switch (controlId) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
        default:
            return false;
    }
}

void CDialog::OnDpiChange(int /*newDpi*/, const RECT& suggested) {
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!dialog) {
        return FALSE;  // messages before WM_INITDIALOG
    }

    INT_PTR result = FALSE;
    try {
        result = dialog->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's code: a failed handler closes the dialog instead.
        dialog->Close(-1);
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->DetachAll();
    }
    return result;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            AttachControls();
            const bool defaultFocus = OnInitDialog();
            // After OnInitDialog, which may add controls (the size grip).
            ServeAccessibleControls(window_);
            return defaultFocus ? TRUE : FALSE;
        }
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_SIZE:
            OnSize(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return FALSE;
        case WM_DPICHANGED:
            // Both halves carry the same DPI; the vertical one is the one fonts are made for.
            OnDpiChange(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_GETMINMAXINFO:
            return OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam)) ? TRUE : FALSE;
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            for (const Binding& binding : bindings_) {
                if (binding.control->Handle() == item.hwndItem) {
                    return binding.control->OnDrawItem(item) ? TRUE : FALSE;
                }
            }
            return FALSE;
        }
        default:
            break;
    }
    if (const std::optional<INT_PTR> handled = OnMessage(message, wParam, lParam)) {
        return *handled;
    }
    if (message == WM_HELP && help_) {  // F1
        help_->OpenDialogTopic(ModuleHelpFile(), templateId_);
        return TRUE;
    }
    return FALSE;
}

void CDialog::AttachControls() {
    for (const Binding& binding : bindings_) {
        binding.control->Attach(GetDlgItem(window_, binding.controlId));
    }
}

void CDialog::DetachAll() {
    for (const Binding& binding : bindings_) {
        binding.control->Detach();
    }
    window_ = nullptr;
}

}  // namespace quillet::winui
