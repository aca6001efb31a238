#include "core/menu/CommandMenu.h"

#include <algorithm>

#include "core/commands/CommandFile.h"
#include "core/messages/Messages.h"
#include "platform/Files.h"

namespace quillet {
namespace {

// An invocation names its command by the low word of the verb, and the handler reports the count of
// ids used in the 16-bit code field of its result: the bound on the menu keeps both within 16 bits.
static_assert(kMaxMenuCommands < 0xFFFF);

class MenuBuilder {
  public:
    MenuBuilder(const MenuRequest& request, MMenuSink& sink)
        : request_(request),
          sink_(sink),
          nextId_(request.firstId),
          position_(request.position),
          lastId_(request.lastId) {}

    void Add(const Command& command) {
        switch (InfoOf(command.type).shown) {
            case MenuShows::AsSubMenu:
                CloseSubMenu();
                inSubMenuPart_ = true;
                subMenuOpen_ = sink_.BeginSubMenu();
                subMenuFirstId_ = nextId_;
                subMenuTitle_ = command.name;
                subMenuCount_ = 0;
                return;
            case MenuShows::ForOneItemAndNewName:
                if (!request_.singleSelection || !request_.pasteAllowed) {
                    return;
                }
                break;
            case MenuShows::ForOneItem:
                if (!request_.singleSelection) {
                    return;
                }
                break;
            case MenuShows::Always:
                break;
        }
        if (inSubMenuPart_ && !subMenuOpen_) {
            return;  // the sub-menu could not be made: its commands have no place
        }
        // An item in a sub-menu must leave an id for the sub-menu's own item.
        const std::uint64_t needed = nextId_ + (subMenuOpen_ ? 1 : 0);
        if (needed > lastId_) {
            return;
        }
        const std::uint32_t position = subMenuOpen_ ? subMenuCount_ : position_;
        if (!sink_.InsertItem(subMenuOpen_, position, static_cast<std::uint32_t>(nextId_),
                              MenuItemText(command.name, request_.singleSelection), command.type)) {
            return;
        }
        (subMenuOpen_ ? subMenuCount_ : position_) += 1;
        result_.commands.emplace(Offset(nextId_), &command);
        ++nextId_;
    }

    void CloseSubMenu() {
        if (subMenuOpen_) {
            if (subMenuCount_ > 0 &&
                sink_.InsertSubMenu(position_, static_cast<std::uint32_t>(nextId_), subMenuTitle_)) {
                ++position_;
                ++nextId_;
            } else {
                // Its items are gone with it.
                sink_.DiscardSubMenu();
                result_.commands.erase(result_.commands.lower_bound(Offset(subMenuFirstId_)),
                                       result_.commands.end());
            }
        }
        subMenuOpen_ = false;
        inSubMenuPart_ = false;
    }

    MenuResult Finish() {
        CloseSubMenu();
        result_.idsUsed = Offset(nextId_);
        return std::move(result_);
    }

  private:
    std::uint32_t Offset(std::uint64_t id) const { return static_cast<std::uint32_t>(id - request_.firstId); }

    const MenuRequest& request_;
    MMenuSink& sink_;
    std::uint64_t nextId_;  // wide enough that the id after the highest one cannot wrap
    std::uint32_t position_;
    std::uint64_t lastId_;
    bool inSubMenuPart_ = false;  // after a SUBFOLDER command, whether or not its pop-up could be made
    bool subMenuOpen_ = false;
    std::uint32_t subMenuCount_ = 0;
    std::uint64_t subMenuFirstId_ = 0;
    std::u16string subMenuTitle_;
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

MenuResult BuildCommandMenu(const CommandList& commands, const MenuRequest& request, MMenuSink& sink) {
    MenuBuilder builder(request, sink);
    if (request.lastId >= request.firstId) {
        const std::size_t shown = commands.size() - CommandsLeftOutOfMenu(commands);
        for (std::size_t i = 0; i < shown; ++i) {
            builder.Add(commands[i]);
        }
    }
    return builder.Finish();
}

void CommandMenu::Refresh() {
    // The messages of rejected lines are for the configuration program; the menu shows no errors.
    std::u16string errorLog;
    if (ReadsUserCommandFile(userFile_)) {
        // A time that cannot be read (the file went meanwhile) loads once and keeps the list.
        const auto unsignedTime = static_cast<std::uint64_t>(platform::LastWriteTime(userFile_).value_or(0));
        if (!loaded_ || unsignedTime > userFileTime_) {
            commands_ = LoadCommandFile(userFile_, EscapeMode::FullEscapes, errorLog);
            userFileTime_ = unsignedTime;
            loaded_ = true;
        }
    } else if (!loaded_) {
        commands_ = LoadCommandFile(defaultFile_, EscapeMode::FullEscapes, errorLog);
        loaded_ = true;
    }
}

std::uint32_t CommandMenu::Build(const MenuRequest& request, MMenuSink& sink) {
    idMap_.clear();
    Refresh();
    MenuResult result = BuildCommandMenu(commands_, request, sink);
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
