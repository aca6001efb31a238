#include "shellext/MenuWin32.h"

#include <algorithm>
#include <string_view>

#include "platform/win32/WideString.h"

namespace quillet::shellext {
namespace {

// The clipboard, open for the life of the object.
class OpenClipboardHold {
  public:
    OpenClipboardHold() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~OpenClipboardHold() {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenClipboardHold(const OpenClipboardHold&) = delete;
    OpenClipboardHold& operator=(const OpenClipboardHold&) = delete;
    bool IsOpen() const { return open_; }

  private:
    bool open_;
};

class GlobalLockHold {
  public:
    explicit GlobalLockHold(HGLOBAL memory) : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~GlobalLockHold() {
        if (data_) {
            GlobalUnlock(memory_);
        }
    }
    GlobalLockHold(const GlobalLockHold&) = delete;
    GlobalLockHold& operator=(const GlobalLockHold&) = delete;
    const void* Data() const { return data_; }

  private:
    HGLOBAL memory_;
    void* data_;
};

}  // namespace

bool PopupMenuSink::BeginSubMenu() {
    DiscardSubMenu();
    subMenu_ = CreatePopupMenu();
    return subMenu_ != nullptr;
}

bool PopupMenuSink::InsertItem(bool inSubMenu, std::uint32_t position, std::uint32_t id,
                               const std::u16string& text, CommandType) {
    HMENU target = inSubMenu ? subMenu_ : menu_;
    return target && InsertMenuW(target, position, MF_BYPOSITION | MF_STRING, id, platform::AsWide(text));
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
    item.hSubMenu = subMenu_;
    item.dwTypeData = reinterpret_cast<wchar_t*>(text.data());
    if (!InsertMenuItemW(menu_, position, TRUE, &item)) {
        return false;
    }
    subMenu_ = nullptr;  // the menu owns it now
    return true;
}

void PopupMenuSink::DiscardSubMenu() {
    if (subMenu_) {
        DestroyMenu(subMenu_);
        subMenu_ = nullptr;
    }
}

bool ClipboardHoldsValidNewName() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        return false;
    }
    const OpenClipboardHold clipboard;
    if (!clipboard.IsOpen()) {
        return false;
    }
    HGLOBAL memory = GetClipboardData(CF_UNICODETEXT);
    const GlobalLockHold lock(memory);
    if (!lock.Data()) {
        return false;
    }
    // The text may lack its terminator: look no further than the memory goes.
    const std::size_t characters = GlobalSize(memory) / sizeof(char16_t);
    const std::u16string_view text(static_cast<const char16_t*>(lock.Data()),
                                   std::min(characters, kMaxNewNameLength + 1));
    return IsValidNewName(text);
}

}  // namespace quillet::shellext
