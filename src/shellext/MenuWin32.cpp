#include "shellext/MenuWin32.h"

#include <algorithm>
#include <string_view>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "shellext/FileCommands.h"

namespace quillet::shellext {

bool PopupMenuSink::BeginSubMenu() {
    subMenu_.Reset(CreatePopupMenu());
    return subMenu_.Valid();
}

bool PopupMenuSink::InsertItem(bool inSubMenu, std::uint32_t position, std::uint32_t id,
                               const std::u16string& text, CommandType type) {
    HMENU target = inSubMenu ? subMenu_.Get() : menu_;
    if (!target || !InsertMenuW(target, position, MF_BYPOSITION | MF_STRING, id, platform::AsWide(text))) {
        return false;
    }
    SetBitmap(target, position, type);
    return true;
}

void PopupMenuSink::SetBitmap(HMENU menu, std::uint32_t position, CommandType type) {
    if (HBITMAP bitmap = bitmaps_.ForCommandType(type)) {
        SetMenuItemBitmaps(menu, position, MF_BYPOSITION, bitmap, nullptr);
        bitmaps_.ShownIn(menu);
    }
}

bool PopupMenuSink::InsertSubMenu(std::uint32_t position, std::uint32_t id, const std::u16string& title) {
    if (!subMenu_) {
        return false;
    }
    std::u16string text = title;  // the item info takes a mutable string
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
    item.wID = id;
    item.hSubMenu = subMenu_.Get();
    item.dwTypeData = platform::AsWide(text.data());
    if (!InsertMenuItemW(menu_, position, TRUE, &item)) {
        return false;
    }
    subMenu_.Release();  // the menu owns it now
    SetBitmap(menu_, position, CommandType::SubFolder);
    return true;
}

void PopupMenuSink::DiscardSubMenu() {
    subMenu_.Reset();
}

MenuSelection MenuSelectionFor(std::size_t selectedItems) {
    MenuSelection selection{.singleSelection = selectedItems == 1};
    selection.pasteAllowed = selection.singleSelection && ReadClipboardNewName().name.has_value();
    return selection;
}

}  // namespace quillet::shellext
