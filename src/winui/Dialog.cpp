#include "winui/Dialog.h"

#include <windowsx.h>

#include <cstring>
#include <exception>
#include <functional>
#include <vector>

#include "core/layout/TextScale.h"
#include "winui/Accessible.h"
#include "winui/Handles.h"
#include "winui/ScreenDpi.h"

namespace quillet::winui {
namespace {

// Past a zero-ended text of a dialog template.
std::size_t SkipText(const std::vector<WORD>& words, std::size_t at) {
    while (at < words.size() && words[at] != 0) {
        ++at;
    }
    return at + 1;
}

// Past a template's menu or class: none (a zero), a number (0xFFFF and the number) or a name.
std::size_t SkipNameOrNumber(const std::vector<WORD>& words, std::size_t at) {
    return at < words.size() && words[at] == 0xFFFF ? at + 2 : SkipText(words, at);
}

// A copy of the dialog's template whose font has the text size percent, so that the dialog manager lays
// every control out in dialog units that grow with the text, and the template's size in dialog units;
// no copy at the normal size, or when the template names no font.
std::vector<WORD> TemplateAtTextSize(int templateId, int percent, SIZE& dialogUnits) {
    dialogUnits = {};
    HMODULE module = ModuleInstance();
    HRSRC found = percent == 100 ? nullptr : FindResourceW(module, MAKEINTRESOURCEW(templateId), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        return {};
    }
    // Copied into WORDs, which keep the DWORD alignment a template needs.
    const DWORD size = SizeofResource(module, found);
    std::vector<WORD> words((size + 1) / sizeof(WORD));
    std::memcpy(words.data(), bytes, size);
    // DLGTEMPLATEEX begins with version 1 and 0xFFFF; its style is at word 6, its menu at word 13.
    const bool extended = words.size() > 13 && words[0] == 1 && words[1] == 0xFFFF;
    if (!extended && words.size() < 9) {
        return {};
    }
    DWORD style = 0;
    std::memcpy(&style, &words[extended ? 6 : 0], sizeof(style));
    const std::size_t menu = extended ? 13 : 9;
    dialogUnits = {static_cast<short>(words[menu - 2]), static_cast<short>(words[menu - 1])};
    const std::size_t pointSize = SkipText(words, SkipNameOrNumber(words, SkipNameOrNumber(words, menu)));
    if ((style & DS_SETFONT) == 0 || pointSize >= words.size()) {
        return {};
    }
    words[pointSize] = static_cast<WORD>(ScaleForText(words[pointSize], percent));
    return words;
}

}  // namespace

CDialog::~CDialog() {
    if (window_ && !modal_) {
        // The derived part is gone already: the window must not call back into it while it goes.
        SetWindowLongPtrW(window_, DWLP_USER, 0);
        DestroyWindow(window_);
    }
}

INT_PTR CDialog::DoModal(HWND owner) {
    modal_ = true;
    INT_PTR result = -1;
    OpenAtTextSize([&](const std::vector<WORD>& scaled) {
        result = scaled.empty() ? DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId_), owner,
                                                  &CDialog::DialogProc, reinterpret_cast<LPARAM>(this))
                                : DialogBoxIndirectParamW(
                                      ModuleInstance(), reinterpret_cast<const DLGTEMPLATE*>(scaled.data()),
                                      owner, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    });
    return result;
}

bool CDialog::Create(HWND owner) {
    modal_ = false;
    HWND created = nullptr;
    OpenAtTextSize([&](const std::vector<WORD>& scaled) {
        created = scaled.empty() ? CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId_), owner,
                                                      &CDialog::DialogProc, reinterpret_cast<LPARAM>(this))
                                 : CreateDialogIndirectParamW(
                                       ModuleInstance(), reinterpret_cast<const DLGTEMPLATE*>(scaled.data()),
                                       owner, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    });
    return created != nullptr;
}

void CDialog::OpenAtTextSize(const std::function<void(const std::vector<WORD>&)>& open) {
    // At most three tries: the user's text size, the largest that the estimate says fits the screen, the
    // normal size.
    textScale_ = UserTextScale();
    for (int attempt = 0; attempt < 3; ++attempt) {
        smallerTextScale_ = 0;
        open(TemplateAtTextSize(templateId_, textScale_, dialogUnits_));
        if (smallerTextScale_ == 0) {
            return;
        }
        textScale_ = attempt == 0 ? smallerTextScale_ : 100;
    }
}

int CDialog::FittingTextScale() const {
    if (textScale_ <= 100 || dialogUnits_.cx <= 0) {
        return textScale_;
    }
    // The window the template asks for, which the system may have cut to the screen's size already.
    RECT needed{0, 0, dialogUnits_.cx, dialogUnits_.cy};
    MapDialogRect(window_, &needed);
    AdjustWindowRectEx(&needed, static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE)));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return textScale_;
    }
    return quillet::FittingTextScale(textScale_, needed.right - needed.left, needed.bottom - needed.top,
                                     monitor.rcWork.right - monitor.rcWork.left,
                                     monitor.rcWork.bottom - monitor.rcWork.top);
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
            // A window larger than the screen would hide its buttons: open again with smaller text.
            if (const int fitting = FittingTextScale(); fitting < textScale_) {
                smallerTextScale_ = fitting;
                Close(-1);
                return FALSE;
            }
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
        case WM_SYSCOLORCHANGE:
            RepaintInSystemColours();
            break;
        case WM_SETTINGCHANGE:
            if (wParam == SPI_SETHIGHCONTRAST) {
                RepaintInSystemColours();
            }
            break;
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

void CDialog::RepaintInSystemColours() {
    // Only top-level windows hear of the change; the common controls, and theirs (a list's header),
    // keep colours of their own.
    EnumChildWindows(
        window_,
        [](HWND child, LPARAM) -> BOOL {
            SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
            return TRUE;
        },
        0);
    OnColoursChanged();
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void CDialog::DetachAll() {
    for (const Binding& binding : bindings_) {
        binding.control->Detach();
    }
    window_ = nullptr;
}

}  // namespace quillet::winui
