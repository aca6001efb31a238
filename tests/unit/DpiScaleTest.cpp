#include <gtest/gtest.h>

#include "core/layout/DpiScale.h"
#include "core/layout/TextScale.h"

namespace quillet {
namespace {

TEST(DpiScale, RoundsToNearestAndKeepsZeroAndNegative) {
    struct Row {
        int value, dpi, expected;
    };
    const Row rows[] = {{16, 144, 24}, {11, 120, 14}, {0, 144, 0},   {-3, 144, -3},          {16, 96, 16},
                        {1, 48, 1},    {15, 120, 19}, {13, 168, 23}, {1000000, 480, 5000000}};
    for (const Row& row : rows) {
        EXPECT_EQ(ScaleForDpi(row.value, row.dpi), row.expected) << row.value << " at " << row.dpi;
    }
}

// The text size from the message font, never below normal nor above the largest (125% and 150% are
// the Wine dialog tests'), and a window too large for its room at it, by the tighter side.
TEST(TextScale, FollowsTheMessageFontAndShrinksToTheRoom) {
    EXPECT_EQ(TextScaleFromMessageFont(11), 100);
    EXPECT_EQ(TextScaleFromMessageFont(16), 133);
    EXPECT_EQ(TextScaleFromMessageFont(40), 225);
    EXPECT_EQ(FittingTextScale(150, 1800, 1200, 3840, 2100), 150);
    EXPECT_EQ(FittingTextScale(150, 1800, 1200, 1280, 990), 106);
    EXPECT_EQ(FittingTextScale(150, 1350, 1000, 1280, 1200), 142);
    EXPECT_EQ(FittingTextScale(125, 4000, 3000, 1280, 990), 100);
}

}  // namespace
}  // namespace quillet
