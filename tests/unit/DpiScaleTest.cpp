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

// The message font's height at 96 DPI gives the text size, and a template's 8 points follow it.
TEST(TextScale, FollowsTheMessageFontFromTheNormalSizeUp) {
    struct Row {
        int height96, percent, points;
    };
    const Row rows[] = {{12, 100, 8},  {11, 100, 8},  {15, 125, 10},
                        {18, 150, 12}, {16, 133, 11}, {40, 225, 18}};
    for (const Row& row : rows) {
        EXPECT_EQ(TextScaleFromMessageFont(row.height96), row.percent) << row.height96;
        EXPECT_EQ(ScaleForText(8, row.percent), row.points) << row.height96;
    }
}

// A window too large for the room takes the text size at which it fits, in proportion, never below 100.
TEST(TextScale, ShrinksToTheRoomByTheTighterSide) {
    struct Row {
        int percent, width, height, roomWidth, roomHeight, expected;
    };
    const Row rows[] = {{150, 1800, 1200, 3840, 2100, 150},
                        {150, 1800, 1200, 1280, 990, 106},
                        {150, 1350, 1000, 1280, 1200, 142},
                        {125, 4000, 3000, 1280, 990, 100}};
    for (const Row& row : rows) {
        EXPECT_EQ(FittingTextScale(row.percent, row.width, row.height, row.roomWidth, row.roomHeight),
                  row.expected)
            << row.width << " x " << row.height;
    }
}

}  // namespace
}  // namespace quillet
