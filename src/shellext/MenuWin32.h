// The Win32 side of the menu: the pop-up menu that the core's construction inserts into, and the
// selection that decides which commands show.
#pragma once

#include <windows.h>

#include "core/menu/CommandMenu.h"
#include "platform/win32/Handles.h"
#include "shellext/MenuBitmaps.h"

namespace quillet::shellext {

// Inserts into a real menu, each item with its type's bitmap from the handler's cache (set by position
// as the unchecked bitmap). A sub-menu's pop-up is owned here until the menu takes it.
class PopupMenuSink final : public MMenuSink {
  public:
    PopupMenuSink(HMENU menu, CMenuBitmapCache& bitmaps) : menu_(menu), bitmaps_(bitmaps) {}
    PopupMenuSink(const PopupMenuSink&) = delete;
    PopupMenuSink& operator=(const PopupMenuSink&) = delete;

    bool BeginSubMenu() override;
    bool InsertItem(bool inSubMenu, std::uint32_t position, std::uint32_t id, const std::u16string& text,
                    CommandType type) override;
    bool InsertSubMenu(std::uint32_t position, std::uint32_t id, const std::u16string& title) override;
    void DiscardSubMenu() override;

  private:
    // A missing bitmap only leaves the item without a picture.
    void SetBitmap(HMENU menu, std::uint32_t position, CommandType type);

    HMENU menu_;
    CMenuBitmapCache& bitmaps_;
    platform::UniqueMenu subMenu_;
};

// The selection both menus are built for, from the count of selected items (the first menu counts
// items without a file-system path too): the renames are allowed when one item is selected and the
// clipboard holds a valid new name as they read it at the click (ReadClipboardNewName), waiting at
// most about half a second while another program holds it.
MenuSelection MenuSelectionFor(std::size_t selectedItems);

}  // namespace quillet::shellext
