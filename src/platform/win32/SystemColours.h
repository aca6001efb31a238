// The colours our own drawing gives each part, in the normal look and in a high-contrast theme, in one
// table; and the one question whether such a theme is on. In a high-contrast theme every colour is the
// system's, so the user's theme decides, and pictures become silhouettes in the theme's colours.
#pragma once

#include <windows.h>

#include <optional>

namespace quillet::platform {

enum class Painted {
    LinkText,
    LinkHoverText,
    // Pictures that carry meaning: their colour in a high-contrast theme, and the ring around it that
    // keeps the shape apart from whatever is under it (a selected row, a highlighted menu item).
    ListMarkInk,
    ListMarkHalo,
    ButtonMarkInk,
    ButtonMarkHalo,
    MenuPictureInk,
    MenuPictureHalo,
};

namespace detail {

constexpr int kFixed = -1;  // the normal look's colour is the row's own
constexpr int kArt = -2;    // the normal look shows the picture's own colours

struct ColourRow {
    Painted part;
    int normal;  // a system colour index, or kFixed, or kArt
    COLORREF fixed;
    int highContrast;  // a system colour index
};

constexpr ColourRow kColourRows[] = {
    {Painted::LinkText, kFixed, RGB(0x00, 0x33, 0x99), COLOR_HOTLIGHT},
    {Painted::LinkHoverText, kFixed, RGB(0xFF, 0x33, 0x00), COLOR_HOTLIGHT},
    {Painted::ListMarkInk, kArt, 0, COLOR_WINDOWTEXT},
    {Painted::ListMarkHalo, kArt, 0, COLOR_WINDOW},
    {Painted::ButtonMarkInk, kArt, 0, COLOR_BTNTEXT},
    {Painted::ButtonMarkHalo, kArt, 0, COLOR_BTNFACE},
    {Painted::MenuPictureInk, kArt, 0, COLOR_MENUTEXT},
    {Painted::MenuPictureHalo, kArt, 0, COLOR_MENU},
};

inline std::optional<bool>& HighContrastOverride() {
    static std::optional<bool> override;
    return override;
}

}  // namespace detail

// Whether a high-contrast theme is on; asked at each use, so it is always the theme now in force (the
// windows repaint on WM_SYSCOLORCHANGE and WM_SETTINGCHANGE).
inline bool HighContrastOn() {
    if (const std::optional<bool> forced = detail::HighContrastOverride()) {
        return *forced;
    }
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// For tests on a system that cannot switch the theme (Wine refuses SPI_SETHIGHCONTRAST): what
// HighContrastOn answers in this process; nullopt asks the system again.
inline void OverrideHighContrast(std::optional<bool> on) {
    detail::HighContrastOverride() = on;
}

// The colour of a part now; nullopt for a picture shown in its own colours.
inline std::optional<COLORREF> ColourOf(Painted part) {
    const bool highContrast = HighContrastOn();
    for (const detail::ColourRow& row : detail::kColourRows) {
        if (row.part != part) {
            continue;
        }
        const int index = highContrast ? row.highContrast : row.normal;
        if (index == detail::kArt) {
            return std::nullopt;
        }
        return index == detail::kFixed ? row.fixed : GetSysColor(index);
    }
    return std::nullopt;
}

}  // namespace quillet::platform
