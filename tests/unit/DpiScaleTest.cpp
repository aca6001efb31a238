#include <gtest/gtest.h>

#include "core/layout/DpiScale.h"

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

}  // namespace
}  // namespace quillet
