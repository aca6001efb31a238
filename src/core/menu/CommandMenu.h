// The context menu built from the command list. BuildMenuModel decides which commands show for a
// selection, their texts and the sub-menus; the hosts are views of that model: BuildCommandMenu hands
// out the classic menu's ids and keeps the map from command offset back to the command, inserting
// through MMenuSink (a real pop-up menu in the shell extension, a recording in tests), and the first
// Windows 11 menu walks the model as a command tree.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/commands/Command.h"
#include "core/commands/CommandFile.h"

namespace quillet {

// Where the construction puts its items. Positions count from 0 within the menu they are in.
class MMenuSink {
  public:
    virtual ~MMenuSink() = default;
    // Makes a new empty pop-up menu that the following items go into; false when none can be made.
    virtual bool BeginSubMenu() = 0;
    // Inserts a string item with its type's bitmap into the open sub-menu (inSubMenu) or the top-level
    // menu; false when it could not be inserted.
    virtual bool InsertItem(bool inSubMenu, std::uint32_t position, std::uint32_t id,
                            const std::u16string& text, CommandType type) = 0;
    // Inserts the open sub-menu into the top-level menu under the title, with the sub-menu bitmap. The
    // top-level menu owns the sub-menu from then on; false when it could not be inserted.
    virtual bool InsertSubMenu(std::uint32_t position, std::uint32_t id, const std::u16string& title) = 0;
    // Destroys the open sub-menu (it is empty, or could not be inserted).
    virtual void DiscardSubMenu() = 0;
};

// What decides which commands a selection gets.
struct MenuSelection {
    bool singleSelection = false;  // exactly one item selected
    bool pasteAllowed = false;     // the clipboard holds a valid new name (only asked for one item)
};

// The classic menu's request: the selection, and where its items and ids go.
struct MenuRequest {
    MenuSelection selection;
    std::uint32_t position = 0;  // where the first top-level item goes
    std::uint32_t firstId = 0;
    std::uint32_t lastId = 0;  // the highest id the caller allows
};

// Command offset (menu item id minus the first id) to the command it runs, for the commands of the
// list the menu was built from. Sub-menu items are not in it.
using CommandIdMap = std::map<std::uint32_t, const Command*>;

struct MenuResult {
    std::uint32_t idsUsed = 0;  // the id after the last one handed out, minus the first id
    CommandIdMap commands;
};

// The menu takes at most this many commands of the list, the first ones, sub-menu lines included: more
// than a person can scan, and each item costs the host time while the menu opens (a list of 20,000
// commands froze the first menu for a minute). The rest are left out.
inline constexpr std::size_t kMaxMenuCommands = 200;

// How many commands of the list the menu leaves out by that bound. In the configuration program's
// list, the entries that the menu never reads (a line that is no command, a format with an error) do
// not count.
inline std::size_t CommandsLeftOutOfMenu(const CommandList& commands) {
    const auto read =
        static_cast<std::size_t>(std::count_if(commands.begin(), commands.end(), [](const Command& c) {
            return c.unreadable.empty() && c.format.errorText.empty();
        }));
    return read > kMaxMenuCommands ? read - kMaxMenuCommands : 0;
}

// One entry of the menu: a command, or a sub-menu with the commands it holds.
struct MenuEntry {
    const Command* command = nullptr;  // the command a click runs; for a sub-menu its SUBFOLDER line
    std::u16string text;               // as the menu shows it
    std::vector<MenuEntry> items;      // a sub-menu's commands, never empty; none for a command

    bool IsSubMenu() const { return OpensSubMenu(command->type); }
};
using MenuModel = std::vector<MenuEntry>;

// The menu of the first kMaxMenuCommands commands of the list. SUBFOLDER opens a sub-menu that collects
// every later command (sub-menus do not nest); one that would be empty is left out. The renames need
// the single selection and paste allowed, copy-and-delete the single selection. "(s)" in a name reads ""
// for one item and "s" for several (not in sub-menu titles). The entries point into the list.
MenuModel BuildMenuModel(const CommandList& commands, MenuSelection selection);

// The entry that runs or opens this command, at any depth; null when the menu does not show it.
const MenuEntry* FindMenuEntry(const MenuModel& model, const Command* command);

// The classic menu of the model: inserts it into the sink. A sub-menu is inserted after its items, so
// its id is higher than theirs. No id above lastId is handed out: commands that do not fit are left out,
// and an open sub-menu keeps room for its own id. An item the sink refuses gives its id and place to the
// next; a sub-menu left empty that way, or whose pop-up cannot be made, is dropped with its commands.
MenuResult BuildCommandMenu(const CommandList& commands, const MenuRequest& request, MMenuSink& sink);

// The handler's menu state: the command list, taken from the module's CommandListCache at each menu
// (the per-user command file, or the default file while there is no per-user file), and the command id
// map of the last menu built, which points into the list this object holds.
class CommandMenu {
  public:
    CommandMenu(std::u16string userFile, std::u16string defaultFile)
        : files_{std::move(userFile), std::move(defaultFile)} {}

    // Takes the current list, then builds the menu into the sink. The previous id map is gone first,
    // so it never points into a list this object no longer holds.
    std::uint32_t Build(const MenuRequest& request, MMenuSink& sink);

    // Empties the id map: a menu request that builds no menu leaves no old offset behind.
    void ForgetMenu();

    // The command at an offset of the last menu built; null when there is none (a sub-menu item, an
    // offset never handed out, or no menu built yet).
    const Command* CommandAt(std::uint32_t offset) const;

    // Takes the current list from the module's cache (CommandListCache::MenuList). Drops the id map,
    // which may point into the list it replaces.
    void Refresh();
    const CommandList& Commands() const { return *commands_; }

  private:
    CommandFilePaths files_;
    std::shared_ptr<const CommandList> commands_ = std::make_shared<const CommandList>();
    CommandIdMap idMap_;
};

// The menu text of a command name: every "(s)" replaced by nothing for one selected item and by "s"
// for several.
std::u16string MenuItemText(std::u16string_view name, bool singleSelection);

// The help text the menu shows for a command (its type's text; a user-defined command's names it).
// Empty for a SUBFOLDER command, which is no menu command.
std::u16string CommandHelpText(const Command& command);

// Longest text the renames accept: a name must fit a path buffer of 260 characters with its
// terminator.
inline constexpr std::size_t kMaxNewNameLength = 259;

// Whether a name is a valid new name for the renames: 1 to 259 characters, none of them a control
// character (U+0000 to U+001F) or one of " * / : < > ? \ |. The text is taken as it is: a line break
// at its end makes it invalid. The clipboard's text is read as a name by NewNameInText, which both
// the menu and the renames use.
bool IsValidNewName(std::u16string_view name);

}  // namespace quillet
