#include "core/menu/CommandMenu.h"

#include <algorithm>

#include "core/menu/CommandListCache.h"
#include "core/messages/Messages.h"

namespace quillet {
namespace {

// An invocation names its command by the low word of the verb, and the handler reports the count of
// ids used in the 16-bit code field of its result: the bound on the menu keeps both within 16 bits.
static_assert(kMaxMenuCommands < 0xFFFF);

bool Shows(MenuShows shown, MenuSelection selection) {
    switch (shown) {
        case MenuShows::ForOneItemAndNewName:
            return selection.singleSelection && selection.pasteAllowed;
        case MenuShows::ForOneItem:
            return selection.singleSelection;
        case MenuShows::Always:
        case MenuShows::AsSubMenu:
            break;
    }
    return true;
}

// Puts the model's entries into the sink with ids from firstId up to lastId.
class ClassicMenuView {
  public:
    ClassicMenuView(const MenuRequest& request, MMenuSink& sink)
        : request_(request), sink_(sink), nextId_(request.firstId), position_(request.position) {}

    void AddCommand(const MenuEntry& entry) {
        if (nextId_ <= request_.lastId &&
            sink_.InsertItem(false, position_, Id(), entry.text, entry.command->type)) {
            ++position_;
            Take(entry);
        }
    }

    void AddSubMenu(const MenuEntry& subMenu) {
        if (!sink_.BeginSubMenu()) {
            return;  // its commands have no place
        }
        const std::uint64_t firstId = nextId_;
        std::uint32_t count = 0;
        for (const MenuEntry& entry : subMenu.items) {
            // An item in a sub-menu must leave an id for the sub-menu's own item.
            if (nextId_ + 1 <= request_.lastId &&
                sink_.InsertItem(true, count, Id(), entry.text, entry.command->type)) {
                ++count;
                Take(entry);
            }
        }
        if (count > 0 && sink_.InsertSubMenu(position_, Id(), subMenu.text)) {
            ++position_;
            ++nextId_;
        } else {
            // Its items are gone with it.
            sink_.DiscardSubMenu();
            result_.commands.erase(result_.commands.lower_bound(Offset(firstId)), result_.commands.end());
        }
    }

    MenuResult Finish() {
        result_.idsUsed = Offset(nextId_);
        return std::move(result_);
    }

  private:
    std::uint32_t Id() const { return static_cast<std::uint32_t>(nextId_); }
    std::uint32_t Offset(std::uint64_t id) const { return static_cast<std::uint32_t>(id - request_.firstId); }
    void Take(const MenuEntry& entry) {
        result_.commands.emplace(Offset(nextId_), entry.command);
        ++nextId_;
    }

    const MenuRequest& request_;
    MMenuSink& sink_;
    std::uint64_t nextId_;  // wide enough that the id after the highest one cannot wrap
    std::uint32_t position_;
    MenuResult result_;
};

bool IsForbiddenInName(char16_t c) {
    if (c < 0x20) {
        return true;
    }
    constexpr std::u16string_view kReserved = u"\"*/:<>?\\|";
    return kReserved.find(c) != std::u16string_view::npos;
}

}  // namespace

MenuModel BuildMenuModel(const CommandList& commands, MenuSelection selection) {
    MenuModel model;
    MenuEntry* subMenu = nullptr;
    const auto closeSubMenu = [&] {
        if (subMenu && subMenu->items.empty()) {
            model.pop_back();
        }
        subMenu = nullptr;
    };
    const std::size_t shown = commands.size() - CommandsLeftOutOfMenu(commands);
    for (std::size_t i = 0; i < shown; ++i) {
        const Command& command = commands[i];
        if (OpensSubMenu(command.type)) {
            closeSubMenu();
            subMenu = &model.emplace_back(MenuEntry{&command, command.name, {}});
        } else if (Shows(InfoOf(command.type).shown, selection)) {
            (subMenu ? subMenu->items : model)
                .push_back({&command, MenuItemText(command.name, selection.singleSelection), {}});
        }
    }
    closeSubMenu();
    return model;
}

const MenuEntry* FindMenuEntry(const MenuModel& model, const Command* command) {
    for (const MenuEntry& entry : model) {
        if (entry.command == command) {
            return &entry;
        }
        if (const MenuEntry* inner = FindMenuEntry(entry.items, command)) {
            return inner;
        }
    }
    return nullptr;
}

MenuResult BuildCommandMenu(const CommandList& commands, const MenuRequest& request, MMenuSink& sink) {
    ClassicMenuView view(request, sink);
    if (request.lastId >= request.firstId) {
        for (const MenuEntry& entry : BuildMenuModel(commands, request.selection)) {
            if (entry.IsSubMenu()) {
                view.AddSubMenu(entry);
            } else {
                view.AddCommand(entry);
            }
        }
    }
    return view.Finish();
}

void CommandMenu::Refresh() {
    idMap_.clear();
    commands_ = CommandListCache::Shared().MenuList(files_);
}

std::uint32_t CommandMenu::Build(const MenuRequest& request, MMenuSink& sink) {
    Refresh();
    MenuResult result = BuildCommandMenu(*commands_, request, sink);
    idMap_ = std::move(result.commands);
    return result.idsUsed;
}

void CommandMenu::ForgetMenu() {
    idMap_.clear();
}

const Command* CommandMenu::CommandAt(std::uint32_t offset) const {
    const auto found = idMap_.find(offset);
    return found == idMap_.end() ? nullptr : found->second;
}

std::u16string MenuItemText(std::u16string_view name, bool singleSelection) {
    constexpr std::u16string_view kPlural = u"(s)";
    std::u16string text;
    text.reserve(name.size());
    std::size_t from = 0;
    for (std::size_t at = name.find(kPlural); at != std::u16string_view::npos;
         at = name.find(kPlural, from)) {
        text.append(name.substr(from, at - from));
        if (!singleSelection) {
            text += u's';
        }
        from = at + kPlural.size();
    }
    text.append(name.substr(from));
    return text;
}

std::u16string CommandHelpText(const Command& command) {
    const std::optional<MessageId> help = InfoOf(command.type).help;
    return help ? FormatMessageText(*help, {command.name}) : std::u16string();
}

bool IsValidNewName(std::u16string_view name) {
    return !name.empty() && name.size() <= kMaxNewNameLength && std::ranges::none_of(name, IsForbiddenInName);
}

}  // namespace quillet
