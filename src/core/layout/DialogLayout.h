// The arithmetic of a resizable dialog: DPI scaling and controls anchored to the right and bottom
// edges. Kept apart from Windows so that the rules are tested without a window.
#pragma once

#include "core/layout/DpiScale.h"

namespace quillet {

// The inverse, a pixel distance at dpi expressed at 96 DPI: (value × 96 + dpi / 2) / dpi. Zero and
// negative values are returned unchanged.
int UnscaleForDpi(int value, int dpi);

struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const LayoutRect&) const = default;
};

// How one edge pair of a control follows the dialog's right (or bottom) edge: not at all, by moving
// (the size stays), or by stretching (the left or top edge stays).
enum class AnchorMode { None, Move, Stretch };

struct AnchorRule {
    AnchorMode horizontal = AnchorMode::None;
    AnchorMode vertical = AnchorMode::None;
};

// The rules the dialogs' tables name.
inline constexpr AnchorRule kAnchorFixed{};
inline constexpr AnchorRule kAnchorMoveRight{AnchorMode::Move, AnchorMode::None};
inline constexpr AnchorRule kAnchorMoveDown{AnchorMode::None, AnchorMode::Move};
inline constexpr AnchorRule kAnchorMoveBoth{AnchorMode::Move, AnchorMode::Move};
inline constexpr AnchorRule kAnchorStretchRight{AnchorMode::Stretch, AnchorMode::None};
inline constexpr AnchorRule kAnchorStretchBoth{AnchorMode::Stretch, AnchorMode::Stretch};
inline constexpr AnchorRule kAnchorStretchRightMoveDown{AnchorMode::Stretch, AnchorMode::Move};

// A control's gaps to the client area's right and bottom edges, recorded at 96 DPI.
struct AnchorGaps {
    int right96 = 0;
    int bottom96 = 0;
};

// A rectangle measured at fromDpi, at toDpi: each edge (edge × toDpi + fromDpi / 2) / fromDpi, so that
// the same DPI gives the same rectangle and controls that did not overlap still do not.
LayoutRect ScaleLayoutRect(const LayoutRect& rect, int fromDpi, int toDpi);

AnchorGaps RecordAnchorGaps(const LayoutRect& control, int clientWidth, int clientHeight, int dpi);

// Where the control goes for a client area of the given size at dpi.
LayoutRect PlaceAnchored(const LayoutRect& control, AnchorRule rule, AnchorGaps gaps, int clientWidth,
                         int clientHeight, int dpi);

}  // namespace quillet
