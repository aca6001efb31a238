#include "winui/Controls.h"

#include <string>

#include "platform/win32/WideString.h"

namespace quillet::winui {

std::u16string CWindow::Text() const {
    const int length = GetWindowTextLengthW(window_);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = GetWindowTextW(window_, platform::AsWide(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void CWindow::SetText(std::u16string_view text) const {
    SetWindowTextW(window_, platform::AsWide(std::u16string(text)));
}

RECT CWindow::RectInParent() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void CWindow::Move(const RECT& rect, bool repaint) const {
    MoveWindow(window_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               repaint ? TRUE : FALSE);
}

void CComboBox::AddString(std::u16string_view text) const {
    const std::u16string entry(text);
    Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::AsWide(entry)));
}

}  // namespace quillet::winui
