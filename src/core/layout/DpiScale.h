// The one rule for scaling a length in pixels at 96 DPI to another DPI.
#pragma once

#include <algorithm>

namespace quillet {

// (value x dpi + 48) / 96, rounded to nearest in integer arithmetic; zero and negative values come back
// unchanged (they mean "no size" to the callers).
constexpr int ScaleForDpi(int value, int dpi) {
    if (value <= 0) {
        return value;
    }
    const long long scaled = (static_cast<long long>(value) * dpi + 48) / 96;
    return static_cast<int>(std::clamp<long long>(scaled, 0, 0x7FFFFFFF));
}

}  // namespace quillet
