#include "core/layout/DialogLayout.h"

namespace quillet {
namespace {

// Puts the far edge at `limit - gap` and moves or stretches the near edge as the mode says.
void PlaceEdges(int& nearEdge, int& farEdge, AnchorMode mode, int limit, int gap) {
    if (mode == AnchorMode::None) {
        return;
    }
    const int newFar = limit - gap;
    if (mode == AnchorMode::Move) {
        nearEdge += newFar - farEdge;
    }
    farEdge = newFar;
}

}  // namespace

int UnscaleForDpi(int value, int dpi) {
    return value > 0 && dpi > 0 ? (value * 96 + dpi / 2) / dpi : value;
}

LayoutRect ScaleLayoutRect(const LayoutRect& rect, int fromDpi, int toDpi) {
    if (fromDpi <= 0 || toDpi <= 0 || fromDpi == toDpi) {
        return rect;
    }
    // Rounded to nearest, symmetrically for edges left of or above the origin.
    const auto edge = [fromDpi, toDpi](int value) {
        const long long magnitude =
            (static_cast<long long>(value < 0 ? -value : value) * toDpi + fromDpi / 2) / fromDpi;
        return static_cast<int>(value < 0 ? -magnitude : magnitude);
    };
    return {edge(rect.left), edge(rect.top), edge(rect.right), edge(rect.bottom)};
}

AnchorGaps RecordAnchorGaps(const LayoutRect& control, int clientWidth, int clientHeight, int dpi) {
    return {UnscaleForDpi(clientWidth - control.right, dpi),
            UnscaleForDpi(clientHeight - control.bottom, dpi)};
}

LayoutRect PlaceAnchored(const LayoutRect& control, AnchorRule rule, AnchorGaps gaps, int clientWidth,
                         int clientHeight, int dpi) {
    LayoutRect placed = control;
    PlaceEdges(placed.left, placed.right, rule.horizontal, clientWidth, ScaleForDpi(gaps.right96, dpi));
    PlaceEdges(placed.top, placed.bottom, rule.vertical, clientHeight, ScaleForDpi(gaps.bottom96, dpi));
    return placed;
}

}  // namespace quillet
