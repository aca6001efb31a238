// Windows as they draw themselves, pixel by pixel, and the high-contrast black theme switched on for a
// test's windows while an owner lives.
#pragma once

#include <windows.h>

#include <vector>

namespace quillet::test {

// A control's client area as it draws itself (WM_PRINTCLIENT): pixels 0x00RRGGBB, rows top down.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;

    // How many pixels of the colour the picture has, in all or within area (client coordinates).
    int Count(COLORREF colour) const { return Count(colour, {0, 0, width, height}); }
    int Count(COLORREF colour, const RECT& area) const;
};
Picture PictureOf(HWND control);

// The black theme's colours for the system's elements, the high-contrast setting on, and both put back
// when the owner goes, even when the test fails. Wine refuses SPI_SETHIGHCONTRAST, so there the
// colour table's override in this process stands in for it. The windows are told as the system tells
// them (WM_SYSCOLORCHANGE, WM_SETTINGCHANGE) and have handled it when the constructor returns.
class HighContrastScheme {
  public:
    explicit HighContrastScheme(std::vector<HWND> windows);
    ~HighContrastScheme();
    HighContrastScheme(const HighContrastScheme&) = delete;
    HighContrastScheme& operator=(const HighContrastScheme&) = delete;

  private:
    void Tell() const;

    std::vector<HWND> windows_;
    std::vector<COLORREF> saved_;
    bool systemSwitched_ = false;
};

}  // namespace quillet::test
