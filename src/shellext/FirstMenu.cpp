#include "shellext/FirstMenu.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "OptionsDialogIds.h"
#include "SharedIds.h"
#include "core/menu/CommandListCache.h"
#include "core/messages/Messages.h"
#include "platform/Paths.h"
#include "platform/win32/WideString.h"
#include "shellext/CommandRun.h"
#include "shellext/MenuBitmaps.h"
#include "shellext/MenuWin32.h"

namespace quillet::shellext {
namespace {

// A text for the caller, allocated as COM allocates.
HRESULT ReturnText(const std::u16string& text, LPWSTR* result) {
    if (!result) {
        return E_POINTER;
    }
    return SHStrDupW(platform::AsWide(text), result);
}

// "module path,-id": the icon resource as the shell reads a reference to it.
HRESULT ReturnIcon(int resourceId, LPWSTR* result) {
    if (!result) {
        return E_POINTER;
    }
    *result = nullptr;
    const std::u16string module = platform::RunningModulePath();
    if (module.empty()) {
        return LastErrorResult();
    }
    const std::wstring id = std::to_wstring(resourceId);
    return ReturnText(module + u",-" + std::u16string(id.begin(), id.end()), result);
}

std::vector<std::u16string> FileSystemPaths(IShellItemArray* items) {
    std::vector<std::u16string> paths;
    DWORD count = 0;
    if (!items || FAILED(items->GetCount(&count))) {
        return paths;
    }
    // The path from the item's ID list is what SIGDN_FILESYSPATH names, in half the time under Wine,
    // where each costs a new object's whole state.
    std::vector<wchar_t> path(32768);
    for (DWORD i = 0; i < count; ++i) {
        ComPtr<IShellItem> item;
        PIDLIST_ABSOLUTE idList = nullptr;
        if (SUCCEEDED(items->GetItemAt(i, item.Receive())) &&
            SUCCEEDED(SHGetIDListFromObject(item.Get(), &idList))) {
            const bool found =
                SHGetPathFromIDListEx(idList, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
            CoTaskMemFree(idList);
            if (found) {
                paths.push_back(platform::FromWide(path.data()));
            }
        }
    }
    return paths;
}

// The entries of one level of a tree's menu, handed out as commands that share the tree.
class CFirstMenuEnum final : public ComObject<CFirstMenuEnum, IEnumExplorerCommand> {
  public:
    static std::span<const InterfaceRow> InterfaceTable() {
        static const InterfaceRow rows[] = {
            InterfaceOf<CFirstMenuEnum, IEnumExplorerCommand>(IID_IEnumExplorerCommand)};
        return rows;
    }

    CFirstMenuEnum(std::shared_ptr<const FirstMenuTree> tree, const MenuModel& entries,
                   std::shared_ptr<FirstMenuSite> site, std::size_t next = 0)
        : tree_(std::move(tree)), entries_(entries), site_(std::move(site)), next_(next) {}

    IFACEMETHODIMP Next(ULONG count, IExplorerCommand** commands, ULONG* fetched) override {
        if (!commands || (count > 1 && !fetched)) {
            return E_POINTER;
        }
        ULONG made = 0;
        for (; made < count && next_ < entries_.size(); ++made, ++next_) {
            // Born with the one reference that the caller receives.
            commands[made] = new (std::nothrow) CFirstMenuCommand(tree_, entries_[next_], site_);
            if (!commands[made]) {
                break;
            }
        }
        if (fetched) {
            *fetched = made;
        }
        return made == count ? S_OK : S_FALSE;
    }
    IFACEMETHODIMP Skip(ULONG count) override {
        const std::size_t left = entries_.size() - next_;
        next_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    IFACEMETHODIMP Reset() override {
        next_ = 0;
        return S_OK;
    }
    IFACEMETHODIMP Clone(IEnumExplorerCommand** copy) override {
        if (!copy) {
            return E_POINTER;
        }
        *copy = new (std::nothrow) CFirstMenuEnum(tree_, entries_, site_, next_);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

  private:
    ModuleLockHold moduleLock_;
    std::shared_ptr<const FirstMenuTree> tree_;
    const MenuModel& entries_;  // in tree_'s model
    std::shared_ptr<FirstMenuSite> site_;
    std::size_t next_;
};

}  // namespace

std::shared_ptr<const FirstMenuTree> MakeFirstMenuTree(std::shared_ptr<const CommandMenu> list,
                                                       IShellItemArray* items) {
    auto tree = std::make_shared<FirstMenuTree>();
    tree->list = std::move(list);
    if (items) {
        items->AddRef();
        tree->items.Reset(items);
    }
    tree->selection = FileSystemPaths(items);
    if (!tree->selection.empty()) {
        MenuSelection selection{.singleSelection = tree->selection.size() == 1};
        selection.pasteAllowed = selection.singleSelection && ClipboardHoldsValidNewName();
        tree->model = BuildMenuModel(tree->list->Commands(), selection);
    }
    return tree;
}

std::span<const InterfaceRow> CFirstMenuCommand::InterfaceTable() {
    static const InterfaceRow rows[] = {
        InterfaceOf<CFirstMenuCommand, IExplorerCommand>(IID_IExplorerCommand),
        InterfaceOf<CFirstMenuCommand, IObjectWithSite>(IID_IObjectWithSite),
    };
    return rows;
}

CFirstMenuCommand::CFirstMenuCommand(IUnknown* outer)
    : ComObject(outer), site_(std::make_shared<FirstMenuSite>()) {}

CFirstMenuCommand::CFirstMenuCommand(std::shared_ptr<const FirstMenuTree> tree, const MenuEntry& entry,
                                     std::shared_ptr<FirstMenuSite> site)
    : site_(std::move(site)), tree_(std::move(tree)), entry_(&entry) {}

std::shared_ptr<const FirstMenuTree> CFirstMenuCommand::TreeFor(IShellItemArray* items) const {
    if (!items || items == tree_->items.Get()) {
        return tree_;
    }
    return MakeFirstMenuTree(tree_->list, items);
}

IFACEMETHODIMP CFirstMenuCommand::GetTitle(IShellItemArray* items, LPWSTR* name) {
    return ComBarrier([&] {
        if (IsRoot()) {
            return ReturnText(FormatMessageText(MessageId::FirstMenuTitle), name);
        }
        const std::shared_ptr<const FirstMenuTree> tree = TreeFor(items);
        const MenuEntry* entry = FindMenuEntry(tree->model, entry_->command);
        return ReturnText((entry ? entry : entry_)->text, name);
    });
}

IFACEMETHODIMP CFirstMenuCommand::GetIcon(IShellItemArray*, LPWSTR* icon) {
    return ComBarrier([&] {
        const int id = IsRoot() ? IDI_PRODUCT : MenuIconResourceId(entry_->command->type);
        if (id == 0) {
            if (icon) {
                *icon = nullptr;
            }
            return E_NOTIMPL;  // no picture
        }
        return ReturnIcon(id, icon);
    });
}

IFACEMETHODIMP CFirstMenuCommand::GetToolTip(IShellItemArray*, LPWSTR* tip) {
    if (!tip) {
        return E_POINTER;
    }
    *tip = nullptr;
    return ComBarrier([&] {
        const std::u16string help = IsRoot() ? std::u16string() : CommandHelpText(*entry_->command);
        return help.empty() ? E_NOTIMPL : ReturnText(help, tip);
    });
}

IFACEMETHODIMP CFirstMenuCommand::GetCanonicalName(GUID* name) {
    if (!name) {
        return E_POINTER;
    }
    *name = GUID_NULL;
    if (!IsRoot()) {
        return E_NOTIMPL;
    }
    *name = kFirstMenuClsid;
    return S_OK;
}

IFACEMETHODIMP CFirstMenuCommand::GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* state) {
    if (!state) {
        return E_POINTER;
    }
    *state = ECS_HIDDEN;
    return ComBarrier([&] {
        if (IsRoot()) {
            // Explorer asks the root first, for each menu: the list is read as the classic handler reads it.
            auto list =
                std::make_shared<CommandMenu>(ModuleCommandFiles().user, ModuleCommandFiles().defaults);
            list->Refresh();
            tree_ = MakeFirstMenuTree(std::move(list), items);
            *state = tree_->model.empty() ? ECS_HIDDEN : ECS_ENABLED;
        } else {
            *state = FindMenuEntry(TreeFor(items)->model, entry_->command) ? ECS_ENABLED : ECS_HIDDEN;
        }
        return S_OK;
    });
}

IFACEMETHODIMP CFirstMenuCommand::Invoke(IShellItemArray* items, IBindCtx*) {
    if (IsRoot() || entry_->IsSubMenu()) {
        return E_NOTIMPL;  // they open their sub-commands
    }
    return ComBarrier([&] {
        // What the menu for these items does not show, a click does not run.
        const std::shared_ptr<const FirstMenuTree> tree = TreeFor(items);
        if (!FindMenuEntry(tree->model, entry_->command)) {
            return E_INVALIDARG;
        }
        HWND owner = nullptr;
        if (!site_->site || FAILED(IUnknown_GetWindow(site_->site.Get(), &owner)) || !IsWindow(owner)) {
            owner = nullptr;
        }
        const ReferenceHold self(static_cast<IExplorerCommand*>(this));
        return RunMenuCommand(*entry_->command, tree->selection,
                              {.keys = ModifierKeysHeld(), .owner = owner, .dialogOwner = owner});
    });
}

IFACEMETHODIMP CFirstMenuCommand::GetFlags(EXPCMDFLAGS* flags) {
    if (!flags) {
        return E_POINTER;
    }
    *flags = IsRoot() || entry_->IsSubMenu() ? ECF_HASSUBCOMMANDS : ECF_DEFAULT;
    return S_OK;
}

IFACEMETHODIMP CFirstMenuCommand::EnumSubCommands(IEnumExplorerCommand** commands) {
    if (!commands) {
        return E_POINTER;
    }
    *commands = nullptr;
    if (!IsRoot() && !entry_->IsSubMenu()) {
        return E_NOTIMPL;
    }
    return ComBarrier([&] {
        if (!tree_) {
            // Never asked for its state: no selection, so no commands.
            tree_ = MakeFirstMenuTree(std::make_shared<CommandMenu>(u"", u""), nullptr);
        }
        *commands = new CFirstMenuEnum(tree_, IsRoot() ? tree_->model : entry_->items, site_);
        return S_OK;
    });
}

IFACEMETHODIMP CFirstMenuCommand::SetSite(IUnknown* site) {
    if (site) {
        site->AddRef();
    }
    site_->site.Reset(site);
    return S_OK;
}

IFACEMETHODIMP CFirstMenuCommand::GetSite(REFIID iid, void** site) {
    if (!site) {
        return E_POINTER;
    }
    *site = nullptr;
    return site_->site ? site_->site->QueryInterface(iid, site) : E_FAIL;
}

}  // namespace quillet::shellext
