// CFirstMenuCommand: Quillet in Windows 11's first context menu. Explorer creates the root command (the
// class that the Windows 11 package names), asks its state for the selection, then enumerates the
// sub-commands, which are the core's menu model for that selection: the same commands, texts and
// sub-menus as the classic menu, each sub-menu a nested flyout.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <shobjidl.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "SharedIds.h"
#include "core/menu/CommandMenu.h"
#include "shellext/ComSupport.h"
#include "shellext/Module.h"

namespace quillet::shellext {

// The class that the Windows 11 package names.
inline constexpr CLSID kFirstMenuClsid = QUILLET_FIRST_MENU_CLSID_INIT;

// The site Explorer gives the root: shared with every command the root enumerated, which Explorer
// invokes without giving them one.
struct FirstMenuSite {
    ComPtr<IUnknown> site;
};

// The menu of one selection. The commands enumerated from it share it, so that the list their entries
// point into lives as long as they do.
struct FirstMenuTree {
    std::shared_ptr<const CommandMenu> list;  // the command list, read as the classic handler reads it
    ComPtr<IShellItemArray> items;            // the array the selection was read from
    std::vector<std::u16string> selection;    // its file-system paths; items without one are left out
    MenuModel model;                          // empty when the selection holds no file-system path
};

class CFirstMenuCommand final : public ComObject<CFirstMenuCommand, IExplorerCommand, IObjectWithSite> {
  public:
    static std::span<const InterfaceRow> InterfaceTable();

    // The root, made by the class factory.
    explicit CFirstMenuCommand(IUnknown* outer);
    // A command or sub-menu of the root's menu.
    CFirstMenuCommand(std::shared_ptr<const FirstMenuTree> tree, const MenuEntry& entry,
                      std::shared_ptr<FirstMenuSite> site);

    // IExplorerCommand
    IFACEMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* name) override;
    IFACEMETHODIMP GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    IFACEMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
    IFACEMETHODIMP GetCanonicalName(GUID* name) override;
    IFACEMETHODIMP GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    IFACEMETHODIMP Invoke(IShellItemArray* items, IBindCtx* context) override;
    IFACEMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
    IFACEMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;

    // IObjectWithSite
    IFACEMETHODIMP SetSite(IUnknown* site) override;
    IFACEMETHODIMP GetSite(REFIID iid, void** site) override;

  private:
    bool IsRoot() const { return entry_ == nullptr; }
    // The tree of these items: this command's own for none or the array it was made for, else a new one
    // over the same list.
    std::shared_ptr<const FirstMenuTree> TreeFor(IShellItemArray* items) const;

    ModuleLockHold moduleLock_;
    std::shared_ptr<FirstMenuSite> site_;
    std::shared_ptr<const FirstMenuTree> tree_;  // the root's: made by GetState
    const MenuEntry* entry_ = nullptr;           // in tree_'s model; null for the root
};

// The menu for a selection over a list: its file-system paths, then the model (paste commands when
// there is one item and the clipboard holds a valid new name).
std::shared_ptr<const FirstMenuTree> MakeFirstMenuTree(std::shared_ptr<const CommandMenu> list,
                                                       IShellItemArray* items);

}  // namespace quillet::shellext
