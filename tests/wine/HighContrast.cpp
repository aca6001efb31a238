#include "HighContrast.h"

#include <algorithm>
#include <iterator>

#include "platform/win32/Handles.h"
#include "platform/win32/SystemColours.h"

namespace quillet::test {
namespace {

// The high-contrast black theme, element by element.
struct Element {
    int index;
    COLORREF colour;
};
constexpr Element kBlackTheme[] = {
    {COLOR_WINDOW, RGB(0, 0, 0)},
    {COLOR_WINDOWTEXT, RGB(255, 255, 255)},
    {COLOR_BTNFACE, RGB(0, 0, 0)},
    {COLOR_BTNTEXT, RGB(255, 255, 255)},
    {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)},
    {COLOR_BTNSHADOW, RGB(255, 255, 255)},
    {COLOR_HIGHLIGHT, RGB(0x1A, 0xEB, 0xFF)},
    {COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)},
    {COLOR_HOTLIGHT, RGB(255, 255, 0)},
    {COLOR_GRAYTEXT, RGB(0x3F, 0xF2, 0x3F)},
    {COLOR_MENU, RGB(0, 0, 0)},
    {COLOR_MENUTEXT, RGB(255, 255, 255)},
    {COLOR_INFOBK, RGB(0, 0, 0)},
    {COLOR_INFOTEXT, RGB(255, 255, 255)},
    {COLOR_WINDOWFRAME, RGB(255, 255, 255)},
    {COLOR_3DDKSHADOW, RGB(255, 255, 255)},
    {COLOR_3DLIGHT, RGB(255, 255, 255)},
    {COLOR_ACTIVECAPTION, RGB(0, 0, 0)},
    {COLOR_GRADIENTACTIVECAPTION, RGB(0, 0, 0)},
    {COLOR_CAPTIONTEXT, RGB(255, 255, 255)},
    {COLOR_ACTIVEBORDER, RGB(0, 0, 0)},
};

void SetColours(const std::vector<int>& indexes, const std::vector<COLORREF>& colours) {
    SetSysColors(static_cast<int>(indexes.size()), indexes.data(), colours.data());
}

std::vector<int> Indexes() {
    std::vector<int> indexes;
    std::ranges::transform(kBlackTheme, std::back_inserter(indexes), &Element::index);
    return indexes;
}

}  // namespace

int Picture::Count(COLORREF colour, const RECT& area) const {
    const DWORD pixel = RGB(GetBValue(colour), GetGValue(colour), GetRValue(colour));
    int count = 0;
    for (int y = std::max(0L, area.top); y < std::min(static_cast<LONG>(height), area.bottom); ++y) {
        for (int x = std::max(0L, area.left); x < std::min(static_cast<LONG>(width), area.right); ++x) {
            count += (pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF) == pixel ? 1 : 0;
        }
    }
    return count;
}

Picture PictureOf(HWND control) {
    RECT client{};
    GetClientRect(control, &client);
    Picture picture{client.right, client.bottom, {}};
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const platform::UniqueMemoryDC memoryDC(CreateCompatibleDC(nullptr));
    const HDC dc = memoryDC.Get();
    const platform::UniqueBitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap) {
        const HGDIOBJ old = SelectObject(dc, bitmap.Get());
        SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        const auto* first = static_cast<const DWORD*>(bits);
        picture.pixels.assign(first, first + static_cast<std::size_t>(client.right) * client.bottom);
        SelectObject(dc, old);
    }
    return picture;
}

HighContrastScheme::HighContrastScheme(std::vector<HWND> windows) : windows_(std::move(windows)) {
    const std::vector<int> indexes = Indexes();
    std::ranges::transform(indexes, std::back_inserter(saved_), &GetSysColor);
    std::vector<COLORREF> black;
    std::ranges::transform(kBlackTheme, std::back_inserter(black), &Element::colour);
    SetColours(indexes, black);
    HIGHCONTRASTW on{sizeof(on), HCF_HIGHCONTRASTON, nullptr};
    systemSwitched_ = SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof(on), &on, SPIF_SENDCHANGE) != FALSE;
    if (!systemSwitched_) {
        platform::OverrideHighContrast(true);
    }
    Tell();
}

HighContrastScheme::~HighContrastScheme() {
    SetColours(Indexes(), saved_);
    if (systemSwitched_) {
        HIGHCONTRASTW off{sizeof(off), 0, nullptr};
        SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof(off), &off, SPIF_SENDCHANGE);
    }
    platform::OverrideHighContrast(std::nullopt);
    Tell();
}

void HighContrastScheme::Tell() const {
    // Sent, not posted: each window has handled the change when this returns.
    for (HWND window : windows_) {
        SendMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
        SendMessageW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    }
}

}  // namespace quillet::test
