#include "shellext/MenuBitmaps.h"

#include <algorithm>
#include <cstring>

#include "MenuIconIds.h"
#include "platform/win32/SystemColours.h"

namespace quillet::shellext {

CMenuBitmap MakeMenuBitmap(std::span<const std::uint8_t> encoded, int width, int height) {
    PixelImage picture = PrepareMenuPicture(encoded, width, height);
    if (picture.Empty()) {
        return {};
    }
    // In a high-contrast theme the picture keeps its shape and takes the menu's colours.
    using platform::Painted;
    const std::optional<COLORREF> ink = platform::ColourOf(Painted::MenuPictureInk);
    const std::optional<COLORREF> halo = platform::ColourOf(Painted::MenuPictureHalo);
    if (ink && halo) {
        picture = SilhouetteImage(picture, *ink, *halo);
        PremultiplyAlpha(picture.pixels);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = picture.height;  // positive: bottom row first, as the pixels are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CMenuBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) {
        return {};
    }
    // 32-bit rows need no padding, so the buffer is the bitmap's bits byte for byte.
    std::memcpy(bits, picture.pixels.data(), picture.pixels.size());
    return bitmap;
}

CMenuBitmap MakeMenuBitmap(int imageNumber) {
    const std::span<const std::uint8_t> encoded = EmbeddedMenuImage(imageNumber);
    if (encoded.empty()) {
        return {};
    }
    return MakeMenuBitmap(encoded, GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK));
}

int MenuIconResourceId(CommandType type) {
    static constexpr int kIcons[kMenuImageCount] = {IDI_MENU_IMAGE_1, IDI_MENU_IMAGE_2, IDI_MENU_IMAGE_3,
                                                    IDI_MENU_IMAGE_4, IDI_MENU_IMAGE_5, IDI_MENU_IMAGE_6};
    const int image = MenuImageForCommandType(type);
    return image >= 1 && image <= kMenuImageCount ? kIcons[image - 1] : 0;
}

HBITMAP CMenuBitmapCache::ForCommandType(CommandType type) {
    const int image = MenuImageForCommandType(type);
    if (image < 1 || image > kMenuImageCount) {
        return nullptr;
    }
    const std::lock_guard lock(mutex_);
    // A change of theme makes the pictures again, unless a menu still shows the old ones.
    const std::optional<COLORREF> ink = platform::ColourOf(platform::Painted::MenuPictureInk);
    if (ink != ink_ && !MayBeShownLocked()) {
        bitmaps_ = {};
        ink_ = ink;
    }
    CMenuBitmap& slot = bitmaps_[static_cast<std::size_t>(image - 1)];
    if (!slot) {
        slot = MakeMenuBitmap(image);
    }
    return slot.Get();
}

void CMenuBitmapCache::ShownIn(HMENU menu) {
    const std::lock_guard lock(mutex_);
    if (std::ranges::find(menus_, menu) != menus_.end()) {
        return;
    }
    // Hosts that never ask whether the module may unload still leave only the menus that are alive.
    constexpr std::size_t kPruneAt = 64;
    if (menus_.size() >= kPruneAt) {
        MayBeShownLocked();
    }
    menus_.push_back(menu);
}

bool CMenuBitmapCache::MayBeShown() {
    const std::lock_guard lock(mutex_);
    return MayBeShownLocked();
}

bool CMenuBitmapCache::MayBeShownLocked() {
    // A handle of a destroyed menu may come back as another menu's: it counts only while it holds one
    // of the bitmaps.
    const auto holdsBitmap = [this](HMENU menu) {
        const int count = IsMenu(menu) ? GetMenuItemCount(menu) : -1;
        for (int position = 0; position < count; ++position) {
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_CHECKMARKS;
            if (GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item) &&
                std::ranges::any_of(bitmaps_, [&](const CMenuBitmap& bitmap) {
                    return bitmap && bitmap.Get() == item.hbmpUnchecked;
                })) {
                return true;
            }
        }
        return false;
    };
    std::erase_if(menus_, [&](HMENU menu) { return !holdsBitmap(menu); });
    return !menus_.empty();
}

CMenuBitmapCache& ModuleMenuBitmaps() {
    static CMenuBitmapCache bitmaps;
    return bitmaps;
}

}  // namespace quillet::shellext
