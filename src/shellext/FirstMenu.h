// CFirstMenuCommand: Quillet in Windows 11's first context menu. Explorer creates the root command (the
// class that the Windows 11 package names), asks its state for the selection, then enumerates the
// sub-commands, which are the core's menu model for that selection: the same commands, texts and
// sub-menus as the classic menu, each sub-menu a nested flyout.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <shobjidl.h>

#include <memory>
#include <mutex>
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

// The ID lists of a shell item array's items, one byte string each, by which the same items given in
// another array object are recognised.
using ShellItemIds = std::vector<std::string>;

// The menu of one selection. The commands enumerated from it share it, so that the list their entries
// point into lives as long as they do.
struct FirstMenuTree {
    std::shared_ptr<const CommandMenu> list;  // the command list, read as the classic handler reads it
    ComPtr<IShellItemArray> items;            // the array the selection was read from
    ShellItemIds itemIds;                     // its items'
    std::vector<std::u16string> selection;    // its file-system paths; items without one are left out
    MenuModel model;                          // empty when the selection holds no file-system path
};

// What a root and every command it enumerated share: the items the root was last given (by any call),
// the tree last made, and the root's site, whose window owns what a command shows when the command has
// no site of its own. Safe from several threads: Explorer may ask again on a thread of its own when
// told that an answer would be slow.
class CFirstMenuShared {
  public:
    void Give(IShellItemArray* items);
    ComPtr<IShellItemArray> LastGiven();
    // The tree last kept when it is for this very array object (its own, or one found to hold the same
    // items); else null.
    std::shared_ptr<const FirstMenuTree> Lookup(IShellItemArray* items);
    std::shared_ptr<const FirstMenuTree> Latest();
    // Keeps the tree as the last one made, also answering for askedWith (another array of its items).
    void Keep(std::shared_ptr<const FirstMenuTree> tree, IShellItemArray* askedWith = nullptr);
    void SetRootSite(IUnknown* site);
    ComPtr<IUnknown> RootSite();

  private:
    std::mutex mutex_;
    ComPtr<IShellItemArray> lastGiven_;
    std::shared_ptr<const FirstMenuTree> latest_;
    ComPtr<IShellItemArray> latestAskedWith_;
    ComPtr<IUnknown> rootSite_;
};

// The root's state for a selection larger than this, asked on Explorer's own thread (fOkToBeSlow
// FALSE), is E_PENDING: Explorer asks again on a thread of its own. Each item costs its ID list and its
// file-system path (tens of microseconds on Windows, milliseconds under Wine), and the one item a rename
// needs costs a look at the clipboard; 16 items stay well within the time a menu has to open.
inline constexpr DWORD kMaxQuickItems = 16;

class CFirstMenuCommand final : public ComObject<CFirstMenuCommand, IExplorerCommand, IObjectWithSite> {
  public:
    static std::span<const InterfaceRow> InterfaceTable();

    // The root, made by the class factory.
    explicit CFirstMenuCommand(IUnknown* outer);
    // A command or sub-menu of the root's menu.
    CFirstMenuCommand(std::shared_ptr<const FirstMenuTree> tree, const MenuEntry& entry,
                      std::shared_ptr<CFirstMenuShared> shared);

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
    // The tree of these items for a command: its own when they are its tree's items (null: the items it
    // was made for), the last one made when they are its items, else a new one over the same list. Null
    // when the answer would be slow and may not be (a large selection in another array object).
    std::shared_ptr<const FirstMenuTree> TreeFor(IShellItemArray* items, bool okToBeSlow = true) const;
    // The root's tree for the items it was last given, made when the last one is for others.
    std::shared_ptr<const FirstMenuTree> RootTree() const;

    ModuleLockHold moduleLock_;
    std::shared_ptr<CFirstMenuShared> shared_;
    ComPtr<IUnknown> site_;
    std::shared_ptr<const FirstMenuTree> tree_;  // a command's: the one it was enumerated from
    const MenuEntry* entry_ = nullptr;           // in tree_'s model; null for the root
};

// The menu for a selection over a list: its items' ID lists and file-system paths, then the model, which
// counts every item, with or without a path (paste commands when there is one item and the clipboard
// holds a valid new name).
std::shared_ptr<const FirstMenuTree> MakeFirstMenuTree(std::shared_ptr<const CommandMenu> list,
                                                       IShellItemArray* items);

}  // namespace quillet::shellext
