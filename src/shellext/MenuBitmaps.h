// The context menu's item bitmaps: the embedded menu images fitted to the check-mark size and handed
// out as 32-bit bitmaps with premultiplied alpha; silhouettes in the menu's colours in a high-contrast
// theme.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "core/menu/MenuImage.h"
#include "platform/win32/Handles.h"

namespace quillet::shellext {

// One menu bitmap, deleted with its owner.
using CMenuBitmap = platform::UniqueBitmap;

// Menu image 1..kMenuImageCount at the system's check-mark size (SM_CXMENUCHECK x SM_CYMENUCHECK);
// empty for any other number or when the bitmap cannot be made.
CMenuBitmap MakeMenuBitmap(int imageNumber);

// The same for any encoded image and size: a bottom-up 32-bit DIB section, empty for a broken image,
// a size the core rejects, or a failed creation.
CMenuBitmap MakeMenuBitmap(std::span<const std::uint8_t> encoded, int width, int height);

// The icon resource of the module that shows the picture of a command of this type, for hosts that take
// an icon reference; 0 for a type without a picture.
int MenuIconResourceId(CommandType type);

// The bitmaps the context menus show, one per menu image, made on first need and deleted with the
// cache; safe from several threads. A menu may outlive the handler that filled it, so the cache notes
// the menus it gave bitmaps to, and tells whether one may still show them.
class CMenuBitmapCache {
  public:
    // The bitmap for a command of this type, owned by the cache; null for a type without an image or
    // when it cannot be made (the item is then shown without one, and the next call tries again).
    HBITMAP ForCommandType(CommandType type);

    // Notes a menu (a pop-up or a sub-menu) that a bitmap of the cache was set in.
    void ShownIn(HMENU menu);
    // Whether a menu noted still exists and still holds one of the bitmaps; the others are forgotten.
    bool MayBeShown();

  private:
    bool MayBeShownLocked();  // with mutex_ held

    std::mutex mutex_;
    std::array<CMenuBitmap, kMenuImageCount> bitmaps_;
    std::optional<COLORREF> ink_;  // the high-contrast colour the bitmaps were made in, if any
    std::vector<HMENU> menus_;
};

// The module's bitmaps, shared by every handler: making them cost a new handler's first menu more than
// the menu itself. They are deleted when the module unloads, which DllCanUnloadNow holds off while a
// menu may still show them (a menu outlives its handler in many hosts). Their size is the check-mark
// size of the process's system DPI, which stays for its life.
CMenuBitmapCache& ModuleMenuBitmaps();

}  // namespace quillet::shellext
