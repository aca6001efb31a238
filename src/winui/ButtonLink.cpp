#include "winui/ButtonLink.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>
// after windows.h
#include <oleacc.h>

#include "core/failure/Failure.h"
#include "core/layout/TextScale.h"
#include "platform/win32/SystemColours.h"
#include "platform/win32/WideString.h"
#include "winui/Accessible.h"

namespace quillet::winui {
namespace {

HCURSOR SharedCursor(LPCWSTR id) {
    return static_cast<HCURSOR>(LoadImageW(nullptr, id, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
}

}  // namespace

CButtonLink::CButtonLink(std::shared_ptr<ScreenDpi> dpi, OpenAction open)
    : dpi_(std::move(dpi)),
      open_(std::move(open)),
      arrowCursor_(SharedCursor(IDC_ARROW)),
      handCursor_(SharedCursor(IDC_HAND)) {}

CButtonLink::~CButtonLink() {
    dpi_->RemoveWatcher(*this);
    Unsubclass();
}

void CButtonLink::OnAttached() {
    if (Handle() &&
        SetWindowSubclass(Handle(), &CButtonLink::SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this))) {
        subclassed_ = true;
        dpi_->AddWatcher(*this);
        SetAccessibleRole(Handle(), ROLE_SYSTEM_LINK);
    }
}

void CButtonLink::Unsubclass() {
    if (subclassed_) {
        RemoveWindowSubclass(Handle(), &CButtonLink::SubclassProc, 0);
        subclassed_ = false;
    }
}

void CButtonLink::OnDpiChanged(int /*oldDpi*/, int /*newDpi*/) {
    font_.Reset();
}

bool CButtonLink::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const std::u16string caption = Text();
    if (!font_) {
        font_.Reset(CreateFontW(-dpi_->Scale(ScaleForText(11, dpi_->TextScale())), 0, 0, 0, FW_NORMAL, FALSE,
                                TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg"));
    }
    const SelectedObject selectedFont(item.hDC, font_.Get());
    RECT rect = item.rcItem;
    FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(item.hDC, TRANSPARENT);
    using platform::Painted;
    SetTextColor(item.hDC,
                 platform::ColourOf(hovering_ ? Painted::LinkHoverText : Painted::LinkText).value_or(0));
    const auto* text = platform::AsWide(caption);
    const int length = static_cast<int>(caption.size());
    DrawTextW(item.hDC, text, length, &rect, DT_SINGLELINE);

    SIZE extent{};
    GetTextExtentPoint32W(item.hDC, text, length, &extent);
    hitRect_ = item.rcItem;
    hitRect_.right = extent.cx;
    hitRect_.bottom = extent.cy;
    // Around the text, inside the button; hidden until the keyboard is used, like other buttons'.
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        RECT focus{item.rcItem.left, item.rcItem.top, item.rcItem.left + extent.cx + 1,
                   item.rcItem.top + extent.cy + 1};
        IntersectRect(&focus, &focus, &item.rcItem);
        DrawFocusRect(item.hDC, &focus);
    }
    return true;
}

void CButtonLink::TrackMouse(POINT point) {
    const bool inside = PtInRect(&hitRect_, point) != FALSE;
    if (inside && !hovering_) {
        hovering_ = true;
        SetCursor(handCursor_);
        InvalidateRect(Handle(), nullptr, TRUE);
        SetCapture(Handle());
    } else if (!inside && hovering_) {
        EndHover();
    }
}

void CButtonLink::EndHover() {
    ClearHover();
    SetCursor(arrowCursor_);
    if (GetCapture() == Handle()) {
        ReleaseCapture();
    }
}

void CButtonLink::ClearHover() {
    hovering_ = false;
    InvalidateRect(Handle(), nullptr, TRUE);
}

bool CButtonLink::OnKey(UINT message, WPARAM key, LPARAM flags) {
    const bool repeated = (flags & (1L << 30)) != 0;
    if (key == VK_RETURN && message == WM_KEYDOWN) {
        if (!repeated) {
            OpenAddress();
        }
        return true;
    }
    if (key != VK_SPACE) {
        return false;
    }
    // Like a push button: Space acts when released, once per press.
    if (message == WM_KEYDOWN) {
        spaceDown_ = true;
    } else if (message == WM_KEYUP && spaceDown_) {
        spaceDown_ = false;
        OpenAddress();
    }
    return true;
}

void CButtonLink::OpenInBrowser(const std::u16string& url) {
    // A failure to open the browser is logged, not shown: the link simply does nothing.
    const auto opened = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", platform::AsWide(url), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened <= 32) {
        QUILLET_LOG_FAILURE(FailureFromSystemError(GetLastError()), "opening the link in the browser");
    }
}

void CButtonLink::OpenAddress() {
    if (open_) {
        open_(u"https://" + Text());
    }
}

LRESULT CALLBACK CButtonLink::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR /*subclassId*/, DWORD_PTR self) {
    auto* link = reinterpret_cast<CButtonLink*>(self);
    try {
        switch (message) {
            case WM_MOUSEMOVE:
                link->TrackMouse({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
                break;
            case WM_LBUTTONUP:
                link->TrackMouse({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
                if (link->hovering_) {
                    link->OpenAddress();
                    link->EndHover();
                }
                break;
            case WM_SETCURSOR:
                SetCursor(link->hovering_ ? link->handCursor_ : link->arrowCursor_);
                return TRUE;
            case WM_CAPTURECHANGED:
                // Another window took the mouse (a menu, a drag, a window coming up): no more hovering.
                if (link->hovering_ && reinterpret_cast<HWND>(lParam) != window) {
                    link->ClearHover();
                }
                break;
            case WM_GETDLGCODE: {
                // Enter goes to the link rather than pressing the dialog's default button.
                const auto* keyMessage = reinterpret_cast<const MSG*>(lParam);
                const LRESULT code = DefSubclassProc(window, message, wParam, lParam);
                if (keyMessage && keyMessage->message == WM_KEYDOWN && keyMessage->wParam == VK_RETURN) {
                    return code | DLGC_WANTMESSAGE;
                }
                return code;
            }
            case WM_KEYDOWN:
            case WM_KEYUP:
                if (link->OnKey(message, wParam, lParam)) {
                    return 0;
                }
                break;
            case WM_KILLFOCUS:
                link->spaceDown_ = false;
                break;
            case WM_NCDESTROY:
                link->dpi_->RemoveWatcher(*link);
                link->Unsubclass();
                break;
            default:
                break;
        }
    } catch (...) {
        // Nothing unwinds into the window manager; the default handling still runs.
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace quillet::winui
