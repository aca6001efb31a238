#include "winui/ControlLayout.h"

#include <cwchar>

namespace quillet::winui {
namespace {

bool IsComboBox(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return _wcsicmp(name, L"ComboBox") == 0;
}

// A control's rectangle in its parent's client coordinates. A drop-down list counts with its list:
// moving it with the height of its closed field only would leave no room to drop down.
LayoutRect ControlRect(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    if (IsComboBox(control)) {
        RECT dropped{};
        if (SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)) &&
            dropped.bottom - dropped.top > rect.bottom - rect.top) {
            rect.bottom = rect.top + (dropped.bottom - dropped.top);
        }
    }
    return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

void CControlLayout::Record(HWND dialog, int dpi) {
    dialog_ = dialog;
    dpi_ = dpi;
    controls_.clear();
    RECT client{};
    GetClientRect(dialog, &client);
    client_ = {client.right, client.bottom};
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        controls_.push_back({child, ControlRect(child), {}, {}});
    }
    openedFont_ = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (!openedFont_ ||
        GetObjectW(openedFont_, sizeof(fontDescription_), &fontDescription_) != sizeof(fontDescription_)) {
        openedFont_ = nullptr;
    }
}

void CControlLayout::Anchor(HWND control, AnchorRule rule) {
    for (Control& entry : controls_) {
        if (entry.window == control) {
            entry.rule = rule;
            entry.gaps = RecordAnchorGaps(entry.opened, client_.cx, client_.cy, dpi_);
        }
    }
}

bool CControlLayout::Place(int clientWidth, int clientHeight, int dpi) const {
    bool moved = false;
    for (const Control& entry : controls_) {
        const LayoutRect placed = PlaceAnchored(ScaleLayoutRect(entry.opened, dpi_, dpi), entry.rule,
                                                entry.gaps, clientWidth, clientHeight, dpi);
        if (placed != ControlRect(entry.window)) {
            MoveWindow(entry.window, placed.left, placed.top, placed.Width(), placed.Height(), FALSE);
            moved = true;
        }
    }
    return moved;
}

void CControlLayout::ScaleFont(int dpi) {
    if (!openedFont_) {
        return;
    }
    UniqueFont scaled;
    HFONT font = openedFont_;
    if (dpi != dpi_) {
        LOGFONTW description = fontDescription_;
        const LayoutRect height = ScaleLayoutRect({0, 0, 0, description.lfHeight}, dpi_, dpi);
        description.lfHeight = height.bottom;
        scaled.Reset(CreateFontIndirectW(&description));
        if (!scaled) {
            return;  // the controls keep the font they have
        }
        font = scaled.Get();
    }
    for (const Control& entry : controls_) {
        SendMessageW(entry.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    // The controls hold the new font now: the one they held before can go.
    scaledFont_ = std::move(scaled);
}

}  // namespace quillet::winui
