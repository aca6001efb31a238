#include "HighContrast.h"

#include <algorithm>
#include <iterator>

#include "platform/win32/Handles.h"
#include "platform/win32/SystemColours.h"

namespace quillet::test {
namespace {

// The high-contrast black theme: the system's elements, and their colours in the same order.
constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255), kYellow = RGB(255, 255, 0),
                   kCyan = RGB(0x1A, 0xEB, 0xFF), kGreen = RGB(0x3F, 0xF2, 0x3F);
const std::vector<int> kElements = {COLOR_WINDOW,     COLOR_WINDOWTEXT,    COLOR_BTNFACE,
                                    COLOR_BTNTEXT,    COLOR_BTNHIGHLIGHT,  COLOR_BTNSHADOW,
                                    COLOR_3DLIGHT,    COLOR_3DDKSHADOW,    COLOR_MENU,
                                    COLOR_MENUTEXT,   COLOR_INFOBK,        COLOR_INFOTEXT,
                                    COLOR_HOTLIGHT,   COLOR_HIGHLIGHT,     COLOR_HIGHLIGHTTEXT,
                                    COLOR_GRAYTEXT,   COLOR_ACTIVECAPTION, COLOR_GRADIENTACTIVECAPTION,
                                    COLOR_CAPTIONTEXT};
const std::vector<COLORREF> kColours = {kBlack, kWhite, kBlack, kWhite, kWhite, kWhite,  kWhite,
                                        kWhite, kBlack, kWhite, kBlack, kWhite, kYellow, kCyan,
                                        kBlack, kGreen, kBlack, kBlack, kWhite};

void SetColours(const std::vector<COLORREF>& colours) {
    SetSysColors(static_cast<int>(kElements.size()), kElements.data(), colours.data());
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
    std::ranges::transform(kElements, std::back_inserter(saved_), &GetSysColor);
    SetColours(kColours);
    HIGHCONTRASTW on{sizeof(on), HCF_HIGHCONTRASTON, nullptr};
    systemSwitched_ = SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof(on), &on, SPIF_SENDCHANGE) != FALSE;
    if (!systemSwitched_) {
        platform::OverrideHighContrast(true);
    }
    Tell();
}

HighContrastScheme::~HighContrastScheme() {
    SetColours(saved_);
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
