#include "winui/MarkIcon.h"

#include <cstring>
#include <optional>
#include <vector>

#include "core/menu/MenuImage.h"

namespace quillet::winui {
namespace {

BITMAPINFO BottomUpInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    return info;
}

// The icon's pixels with their alpha; empty for an icon without any (the marks all have it).
PixelImage IconPixels(HICON icon) {
    ICONINFO parts{};
    if (!GetIconInfo(icon, &parts)) {
        return {};
    }
    const UniqueBitmap colour(parts.hbmColor);
    const UniqueBitmap mask(parts.hbmMask);
    BITMAP size{};
    if (!colour || !GetObjectW(colour.Get(), sizeof(size), &size)) {
        return {};
    }
    PixelImage image;
    image.width = size.bmWidth;
    image.height = size.bmHeight;
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    BITMAPINFO info = BottomUpInfo(image.width, image.height);
    const platform::UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!dc || GetDIBits(dc.Get(), colour.Get(), 0, static_cast<UINT>(image.height), image.pixels.data(),
                         &info, DIB_RGB_COLORS) != image.height) {
        return {};
    }
    for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
        if (image.pixels[i] != 0) {
            return image;
        }
    }
    return {};
}

UniqueIcon IconFromPixels(const PixelImage& image) {
    const BITMAPINFO info = BottomUpInfo(image.width, image.height);
    void* bits = nullptr;
    const UniqueBitmap colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!colour || bits == nullptr) {
        return {};
    }
    std::memcpy(bits, image.pixels.data(), image.pixels.size());
    // The mask, for whatever draws without alpha: set (transparent) where nothing is covered. Its rows
    // go top down, each a whole number of 16-bit words.
    const int rowBytes = (image.width + 15) / 16 * 2;
    std::vector<std::uint8_t> maskBits(static_cast<std::size_t>(rowBytes) * image.height, 0);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.At(x, y)[3] == 0) {
                maskBits[static_cast<std::size_t>(image.height - 1 - y) * rowBytes + x / 8] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    const UniqueBitmap mask(CreateBitmap(image.width, image.height, 1, 1, maskBits.data()));
    ICONINFO parts{TRUE, 0, 0, mask.Get(), colour.Get()};
    return UniqueIcon(mask ? CreateIconIndirect(&parts) : nullptr);
}

}  // namespace

UniqueIcon LoadMarkIcon(int iconId, int size, platform::Painted ink, platform::Painted halo) {
    UniqueIcon icon(static_cast<HICON>(
        LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    const std::optional<COLORREF> inkColour = platform::ColourOf(ink);
    const std::optional<COLORREF> haloColour = platform::ColourOf(halo);
    if (!icon || !inkColour || !haloColour) {
        return icon;
    }
    const PixelImage picture = IconPixels(icon.Get());
    if (picture.Empty()) {
        return icon;
    }
    UniqueIcon silhouette = IconFromPixels(SilhouetteImage(picture, *inkColour, *haloColour));
    return silhouette ? std::move(silhouette) : std::move(icon);
}

}  // namespace quillet::winui
