#include "winui/DialogResizer.h"

namespace quillet::winui {

void CDialogResizer::Record(HWND dialog, std::span<const ControlAnchor> anchors, HWND shrinking,
                            int keptHeight96) {
    dialog_ = dialog;
    const int dpi = dpi_->Current();
    layout_.Record(dialog, dpi);
    for (const ControlAnchor& anchor : anchors) {
        layout_.Anchor(anchor.control, anchor.rule);
    }
    RECT client{};
    GetClientRect(dialog, &client);
    sizeGrip_.Create(dialog);
    sizeGrip_.Place(client.right, client.bottom, *dpi_, IsZoomed(dialog) != FALSE);

    RECT window{};
    GetWindowRect(dialog, &window);
    RECT shrinkingRect{};
    GetWindowRect(shrinking, &shrinkingRect);
    minTrackSize96_.cx = UnscaleForDpi(window.right - window.left, dpi);
    minTrackSize96_.cy =
        UnscaleForDpi(window.bottom - window.top - (shrinkingRect.bottom - shrinkingRect.top), dpi) +
        keptHeight96;
}

bool CDialogResizer::OnSize(UINT type, int clientWidth, int clientHeight) {
    if (!layout_.IsRecorded() || type == SIZE_MINIMIZED) {
        return false;  // not laid out yet, or nothing to lay out
    }
    // The DPI is read at opening and changes only with WM_DPICHANGED, which carries the new value.
    Place(clientWidth, clientHeight, type == SIZE_MAXIMIZED);
    return true;
}

void CDialogResizer::Place(int clientWidth, int clientHeight, bool maximised) {
    sizeGrip_.Place(clientWidth, clientHeight, *dpi_, maximised);
    if (layout_.Place(clientWidth, clientHeight, dpi_->Current())) {
        RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void CDialogResizer::ChangeDpi(int newDpi) {
    // The icons and the fonts of owner-drawn controls follow through the DPI's watchers.
    dpi_->Set(newDpi);
    layout_.ScaleFont(dpi_->Current());
}

void CDialogResizer::PlaceAgain() {
    // The suggested rectangle may keep the size, and then no WM_SIZE comes.
    RECT client{};
    GetClientRect(dialog_, &client);
    Place(client.right, client.bottom, IsZoomed(dialog_) != FALSE);
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool CDialogResizer::LimitSize(MINMAXINFO& info, int extraHeight) const {
    if (minTrackSize96_.cx == 0) {
        return false;
    }
    const SIZE minimum = MinimumSize();
    info.ptMinTrackSize.x = minimum.cx;
    info.ptMinTrackSize.y = minimum.cy + extraHeight;
    return true;
}

}  // namespace quillet::winui
