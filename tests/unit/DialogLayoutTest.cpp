#include "core/layout/DialogLayout.h"

#include <gtest/gtest.h>

namespace quillet {

void PrintTo(const LayoutRect& rect, std::ostream* out) {
    *out << "{" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << "}";
}

namespace {

TEST(DialogLayoutTest, DistancesAreRecordedAt96DpiRoundedToNearest) {
    struct Row {
        int value, dpi, unscaled;
    };
    const Row rows[] = {
        {16, 144, 11},  // 10.67
        {11, 120, 9},   // 8.8
        {11, 144, 7},  {10, 96, 10}, {1, 120, 1}, {0, 144, 0}, {-5, 144, -5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.value << " at " << row.dpi);
        EXPECT_EQ(UnscaleForDpi(row.value, row.dpi), row.unscaled);
    }
}

TEST(DialogLayoutTest, AnchoredControlsFollowTheRightAndBottomEdges) {
    // A 400 × 300 client area at 144 DPI, grown to 500 × 360 and then shown at 96 DPI.
    const LayoutRect control{100, 200, 300, 250};
    const AnchorGaps gaps = RecordAnchorGaps(control, 400, 300, 144);
    EXPECT_EQ(gaps.right96, 67);   // 100 px at 144 DPI
    EXPECT_EQ(gaps.bottom96, 33);  // 50 px at 144 DPI

    struct Row {
        AnchorRule rule;
        int width, height, dpi;
        LayoutRect expected;
    };
    // The 67 recorded pixels come back as 101 at 144 DPI: the round trip may lose a pixel.
    const Row rows[] = {
        {{AnchorMode::Move, AnchorMode::Move}, 500, 360, 144, {199, 260, 399, 310}},
        {{AnchorMode::Stretch, AnchorMode::Stretch}, 500, 360, 144, {100, 200, 399, 310}},
        {{AnchorMode::Stretch, AnchorMode::Move}, 500, 360, 144, {100, 260, 399, 310}},
        {{AnchorMode::None, AnchorMode::None}, 500, 360, 144, control},
        // At 96 DPI the recorded gaps come back as 67 and 33 pixels.
        {{AnchorMode::Move, AnchorMode::None}, 500, 360, 96, {233, 200, 433, 250}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height << " at " << row.dpi);
        EXPECT_EQ(PlaceAnchored(control, row.rule, gaps, row.width, row.height, row.dpi), row.expected);
    }
}

TEST(DialogLayoutTest, RectanglesScaleEdgeByEdgeBetweenDpis) {
    struct Row {
        LayoutRect rect;
        int from, to;
        LayoutRect expected;
    };
    const Row rows[] = {
        {{10, 20, 30, 41}, 96, 192, {20, 40, 60, 82}},
        {{100, 101, 150, 151}, 144, 96, {67, 67, 100, 101}},  // 66.67, 67.33, 100, 100.67
        {{-10, -3, 5, 6}, 96, 144, {-15, -5, 8, 9}},          // halves away from zero on both sides
        {{7, 8, 9, 10}, 120, 120, {7, 8, 9, 10}},
        {{7, 8, 9, 10}, 0, 144, {7, 8, 9, 10}},  // no DPI known: left alone
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " to " << row.to);
        EXPECT_EQ(ScaleLayoutRect(row.rect, row.from, row.to), row.expected);
    }
}

TEST(DialogLayoutTest, ControlsPastTheEdgeKeepTheirPlace) {
    // A control reaching past the client area has no positive gap to record.
    const LayoutRect control{10, 10, 420, 320};
    const AnchorGaps gaps = RecordAnchorGaps(control, 400, 300, 96);
    EXPECT_EQ(gaps.right96, -20);
    EXPECT_EQ(PlaceAnchored(control, {AnchorMode::Move, AnchorMode::Stretch}, gaps, 400, 300, 144), control);
}

}  // namespace
}  // namespace quillet
