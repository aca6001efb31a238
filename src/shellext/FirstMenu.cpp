#include "shellext/FirstMenu.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <type_traits>

#include "OptionsDialogIds.h"
#include "SharedIds.h"
#include "core/menu/CommandListCache.h"
#include "core/messages/Messages.h"
#include "platform/Paths.h"
#include "platform/win32/Handles.h"
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

template <typename Interface>
ComPtr<Interface> Hold(Interface* pointer) {
    ComPtr<Interface> held;
    if (pointer) {
        pointer->AddRef();
        held.Reset(pointer);
    }
    return held;
}

// Each item's ID list as bytes (empty for an item whose list cannot be read) and, when asked for, its
// file-system path; items without one have none.
void ReadItems(IShellItemArray* items, ShellItemIds& ids, std::vector<std::u16string>* paths) {
    DWORD count = 0;
    if (!items || FAILED(items->GetCount(&count))) {
        return;
    }
    // The path from the item's ID list is what SIGDN_FILESYSPATH names, in half the time under Wine,
    // where each costs a new object's whole state.
    std::vector<wchar_t> path(paths ? 32768 : 0);
    ids.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        ComPtr<IShellItem> item;
        platform::CoTaskMemory<std::remove_pointer_t<PIDLIST_ABSOLUTE>> idList;
        if (FAILED(items->GetItemAt(i, item.Receive())) ||
            FAILED(SHGetIDListFromObject(item.Get(), idList.Receive()))) {
            ids.emplace_back();  // an item all the same
            continue;
        }
        ids.emplace_back(reinterpret_cast<const char*>(idList.Get()), ILGetSize(idList.Get()));
        if (paths && SHGetPathFromIDListEx(idList.Get(), path.data(), static_cast<DWORD>(path.size()),
                                           GPFIDL_DEFAULT)) {
            paths->push_back(platform::FromWide(path.data()));
        }
    }
}

// The same items, each known by its ID list.
bool SameItems(const ShellItemIds& a, const ShellItemIds& b) {
    return a == b && std::ranges::none_of(a, &std::string::empty);
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
                   std::shared_ptr<CFirstMenuShared> shared, std::size_t next = 0)
        : tree_(std::move(tree)), entries_(entries), shared_(std::move(shared)), next_(next) {}

    IFACEMETHODIMP Next(ULONG count, IExplorerCommand** commands, ULONG* fetched) override {
        if (!commands || (count > 1 && !fetched)) {
            return E_POINTER;
        }
        ULONG made = 0;
        for (; made < count && next_ < entries_.size(); ++made, ++next_) {
            // Born with the one reference that the caller receives.
            commands[made] = new (std::nothrow) CFirstMenuCommand(tree_, entries_[next_], shared_);
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
        *copy = new (std::nothrow) CFirstMenuEnum(tree_, entries_, shared_, next_);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

  private:
    ModuleLockHold moduleLock_;
    std::shared_ptr<const FirstMenuTree> tree_;
    const MenuModel& entries_;  // in tree_'s model
    std::shared_ptr<CFirstMenuShared> shared_;
    std::size_t next_;
};

}  // namespace

std::shared_ptr<const FirstMenuTree> MakeFirstMenuTree(std::shared_ptr<const CommandMenu> list,
                                                       IShellItemArray* items) {
    auto tree = std::make_shared<FirstMenuTree>();
    tree->list = std::move(list);
    tree->items = Hold(items);
    ReadItems(items, tree->itemIds, &tree->selection);
    if (!tree->selection.empty()) {
        // Every item counts, a virtual one (My Computer) too: the file commands are for one item alone.
        tree->model = BuildMenuModel(tree->list->Commands(), MenuSelectionFor(tree->itemIds.size()));
    }
    return tree;
}

void CFirstMenuShared::Give(IShellItemArray* items) {
    const std::lock_guard lock(mutex_);
    lastGiven_ = Hold(items);
}

ComPtr<IShellItemArray> CFirstMenuShared::LastGiven() {
    const std::lock_guard lock(mutex_);
    return Hold(lastGiven_.Get());
}

std::shared_ptr<const FirstMenuTree> CFirstMenuShared::Lookup(IShellItemArray* items) {
    const std::lock_guard lock(mutex_);
    return latest_ && (latest_->items.Get() == items || (items && latestAskedWith_.Get() == items)) ? latest_
                                                                                                    : nullptr;
}

std::shared_ptr<const FirstMenuTree> CFirstMenuShared::Latest() {
    const std::lock_guard lock(mutex_);
    return latest_;
}

void CFirstMenuShared::Keep(std::shared_ptr<const FirstMenuTree> tree, IShellItemArray* askedWith) {
    const std::lock_guard lock(mutex_);
    latest_ = std::move(tree);
    latestAskedWith_ = Hold(askedWith);
}

void CFirstMenuShared::SetRootSite(IUnknown* site) {
    const std::lock_guard lock(mutex_);
    rootSite_ = Hold(site);
}

ComPtr<IUnknown> CFirstMenuShared::RootSite() {
    const std::lock_guard lock(mutex_);
    return Hold(rootSite_.Get());
}

std::span<const InterfaceRow> CFirstMenuCommand::InterfaceTable() {
    static const InterfaceRow rows[] = {
        InterfaceOf<CFirstMenuCommand, IExplorerCommand>(IID_IExplorerCommand),
        InterfaceOf<CFirstMenuCommand, IObjectWithSite>(IID_IObjectWithSite),
    };
    return rows;
}

CFirstMenuCommand::CFirstMenuCommand(IUnknown* outer)
    : ComObject(outer), shared_(std::make_shared<CFirstMenuShared>()) {}

CFirstMenuCommand::CFirstMenuCommand(std::shared_ptr<const FirstMenuTree> tree, const MenuEntry& entry,
                                     std::shared_ptr<CFirstMenuShared> shared)
    : shared_(std::move(shared)), tree_(std::move(tree)), entry_(&entry) {}

std::shared_ptr<const FirstMenuTree> CFirstMenuCommand::TreeFor(IShellItemArray* items,
                                                                bool okToBeSlow) const {
    if (!items || items == tree_->items.Get()) {
        return tree_;
    }
    if (std::shared_ptr<const FirstMenuTree> known = shared_->Lookup(items)) {
        return known;
    }
    DWORD count = 0;
    if (!okToBeSlow && (FAILED(items->GetCount(&count)) || count > kMaxQuickItems)) {
        return nullptr;
    }
    // Another array object, usually of the same items: the work done for them is not done again.
    ShellItemIds ids;
    ReadItems(items, ids, nullptr);
    for (const std::shared_ptr<const FirstMenuTree>& known : {tree_, shared_->Latest()}) {
        if (known && SameItems(known->itemIds, ids)) {
            shared_->Keep(known, items);
            return known;
        }
    }
    std::shared_ptr<const FirstMenuTree> tree = MakeFirstMenuTree(tree_->list, items);
    shared_->Keep(tree);
    return tree;
}

std::shared_ptr<const FirstMenuTree> CFirstMenuCommand::RootTree() const {
    const ComPtr<IShellItemArray> given = shared_->LastGiven();
    if (std::shared_ptr<const FirstMenuTree> known = shared_->Lookup(given.Get())) {
        return known;
    }
    auto list = std::make_shared<CommandMenu>(ModuleCommandFiles().user, ModuleCommandFiles().defaults);
    if (given) {
        list->Refresh();
    }
    std::shared_ptr<const FirstMenuTree> tree = MakeFirstMenuTree(std::move(list), given.Get());
    shared_->Keep(tree);
    return tree;
}

IFACEMETHODIMP CFirstMenuCommand::GetTitle(IShellItemArray* items, LPWSTR* name) {
    return ComBarrier([&] {
        if (IsRoot()) {
            shared_->Give(items);
            return ReturnText(FormatMessageText(MessageId::FirstMenuTitle), name);
        }
        const std::shared_ptr<const FirstMenuTree> tree = TreeFor(items);
        const MenuEntry* entry = FindMenuEntry(tree->model, entry_->command);
        return ReturnText((entry ? entry : entry_)->text, name);
    });
}

IFACEMETHODIMP CFirstMenuCommand::GetIcon(IShellItemArray* items, LPWSTR* icon) {
    return ComBarrier([&] {
        if (IsRoot()) {
            shared_->Give(items);
        }
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

IFACEMETHODIMP CFirstMenuCommand::GetToolTip(IShellItemArray* items, LPWSTR* tip) {
    if (!tip) {
        return E_POINTER;
    }
    *tip = nullptr;
    return ComBarrier([&] {
        if (IsRoot()) {
            shared_->Give(items);
            return E_NOTIMPL;
        }
        const std::u16string help = CommandHelpText(*entry_->command);
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

IFACEMETHODIMP CFirstMenuCommand::GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) {
    if (!state) {
        return E_POINTER;
    }
    *state = ECS_HIDDEN;
    return ComBarrier([&] {
        if (!IsRoot()) {
            const std::shared_ptr<const FirstMenuTree> tree = TreeFor(items, okToBeSlow);
            if (!tree) {
                return E_PENDING;
            }
            *state = FindMenuEntry(tree->model, entry_->command) ? ECS_ENABLED : ECS_HIDDEN;
            return S_OK;
        }
        // Explorer asks the root first, for each menu: the list is read as the classic handler reads it,
        // and the clipboard looked at again.
        shared_->Give(items);
        DWORD count = 0;
        if (!okToBeSlow && items && SUCCEEDED(items->GetCount(&count)) && count > kMaxQuickItems) {
            return E_PENDING;
        }
        auto list = std::make_shared<CommandMenu>(ModuleCommandFiles().user, ModuleCommandFiles().defaults);
        list->Refresh();
        std::shared_ptr<const FirstMenuTree> tree = MakeFirstMenuTree(std::move(list), items);
        *state = tree->model.empty() ? ECS_HIDDEN : ECS_ENABLED;
        shared_->Keep(std::move(tree));
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
        // Explorer may give the command a site of its own, or only the root one.
        const ComPtr<IUnknown> site = site_ ? Hold(site_.Get()) : shared_->RootSite();
        HWND owner = nullptr;
        if (!site || FAILED(IUnknown_GetWindow(site.Get(), &owner)) || !IsWindow(owner)) {
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
        // The root's: for the items it was last given, whichever call gave them.
        std::shared_ptr<const FirstMenuTree> tree = IsRoot() ? RootTree() : tree_;
        const MenuModel& entries = IsRoot() ? tree->model : entry_->items;
        *commands = new CFirstMenuEnum(std::move(tree), entries, shared_);
        return S_OK;
    });
}

IFACEMETHODIMP CFirstMenuCommand::SetSite(IUnknown* site) {
    site_ = Hold(site);
    if (IsRoot()) {
        shared_->SetRootSite(site);
    }
    return S_OK;
}

IFACEMETHODIMP CFirstMenuCommand::GetSite(REFIID iid, void** site) {
    if (!site) {
        return E_POINTER;
    }
    *site = nullptr;
    return site_ ? site_->QueryInterface(iid, site) : E_FAIL;
}

}  // namespace quillet::shellext
