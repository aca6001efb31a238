// The user's text size: Windows' "Make text bigger" enlarges the system's message font, and dialog
// templates keep their own point size unless their program follows it.
#pragma once

#include <algorithm>

namespace quillet {

// The message font's height at 96 DPI at the normal text size (9 points), and the largest text size the
// system offers, as a percentage.
inline constexpr int kNormalMessageFontHeight96 = 12;
inline constexpr int kLargestTextScale = 225;

// The text size as a percentage of the normal one, from the message font's height in pixels at 96 DPI,
// rounded to nearest. Never below 100: a smaller message font is a choice of face, not of size, and the
// dialogs are laid out for their normal text.
constexpr int TextScaleFromMessageFont(int height96) {
    const int percent = (height96 * 100 + kNormalMessageFontHeight96 / 2) / kNormalMessageFontHeight96;
    return std::clamp(percent, 100, kLargestTextScale);
}

// A length or a point size at the text size percent, rounded to nearest; 100 gives it unchanged.
constexpr int ScaleForText(int value, int percent) {
    return (value * percent + 50) / 100;
}

// The largest text size up to percent at which a window that needs the given size at percent fits the
// room (a monitor's work area), assuming the window grows in proportion to its text; never below 100.
constexpr int FittingTextScale(int percent, int neededWidth, int neededHeight, int roomWidth,
                               int roomHeight) {
    if (neededWidth <= roomWidth && neededHeight <= roomHeight) {
        return percent;
    }
    const long long byWidth = static_cast<long long>(percent) * roomWidth / std::max(neededWidth, 1);
    const long long byHeight = static_cast<long long>(percent) * roomHeight / std::max(neededHeight, 1);
    return static_cast<int>(std::clamp<long long>(std::min(byWidth, byHeight), 100, percent));
}

}  // namespace quillet
