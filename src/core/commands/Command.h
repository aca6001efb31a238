// The commands of the context menu: their types with the keywords that name them in the command file,
// the command record and the ordered list of commands.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/format/ItemParts.h"
#include "core/messages/Messages.h"

namespace quillet {

enum class CommandType : std::int32_t {
    Quillet = 0,             // copy the selected names (full paths with SHIFT, the Options dialog with CTRL)
    QuilletAndDelete = 1,    // copy the selected name, then delete the item
    PasteFileName = 2,       // rename the selected item to the clipboard text
    PasteFileNameNoExt = 3,  // the same, keeping the extension
    Options = 4,             // the Options dialog for a one-off copy
    SubFolder = 5,           // starts a sub-menu holding the commands after it
    Configure = 6,           // starts the configuration program
    UserDefined = 7,         // a copy with its own CopyFormat
};

// When the menu shows a command of a type.
enum class MenuShows {
    Always,
    ForOneItem,            // exactly one item selected
    ForOneItemAndNewName,  // exactly one item selected and the clipboard holds a valid new name
    AsSubMenu,             // never as a command: it opens a sub-menu that holds the commands after it
};

// What a click on a command does. The core decides it; the shell extension carries it out.
enum class CommandAction {
    None,  // no command to run (a sub-menu)
    CopyNames,
    CopyPaths,
    CopyWithFormat,  // the command's own CopyFormat
    CopyAndDelete,
    PasteName,
    PasteNameKeepingExtension,
    ShowOptions,
    StartConfiguration,
};

// One row per command type: every place that names, describes, shows or runs a type reads it here,
// so that a new type is a new row.
struct CommandTypeInfo {
    CommandType type;
    std::u16string_view keyword;    // the keyword after "%" in the command file; empty for UserDefined
    MessageId typeName;             // the entry of the configuration program's New Command list
    MessageId typeField;            // its read-only Type field
    MessageId newName;              // the name of a new command of this type
    MessageId description;          // what the type does, in the configuration program
    std::optional<MessageId> help;  // the menu's help text ("%1": the command's name); none for a sub-menu
    int menuImage;                  // the picture beside its menu item, 1..kMenuImageCount
    MenuShows shown;
    CommandAction click;  // without modifier keys (ClickAction)
};

// All eight types, in the order of the New Command list.
std::span<const CommandTypeInfo> CommandTypes();

// The row of a type; null for a value outside the table.
const CommandTypeInfo* FindCommandType(CommandType type);
// The row of a type; values outside the table read as UserDefined.
const CommandTypeInfo& InfoOf(CommandType type);

// The built-in type with exactly this keyword (case matters); empty when there is none.
std::optional<CommandType> CommandTypeFromKeyword(std::u16string_view keyword);

// Whether a command of this type opens a sub-menu rather than running (its row's MenuShows::AsSubMenu).
inline bool OpensSubMenu(CommandType type) {
    return InfoOf(type).shown == MenuShows::AsSubMenu;
}

// The keyword of a type; empty for UserDefined and for values outside the table.
std::u16string_view KeywordOf(CommandType type);

// The modifier keys held during a click.
struct ModifierKeys {
    bool control = false;
    bool shift = false;
};

// What a click on a command of this type does with these keys held: the built-in copy of names opens
// the Options dialog with CTRL, which wins over SHIFT, and copies full paths with SHIFT.
CommandAction ClickAction(CommandType type, ModifierKeys keys);

struct Command {
    // A user-defined command with an empty format.
    explicit Command(std::u16string commandName) : name(std::move(commandName)) {}

    std::u16string name;  // the menu text, which may hold "&" accelerator marks
    CommandType type = CommandType::UserDefined;
    CopyFormat format;  // used by UserDefined only

    // The configuration program's reading only: the file's text behind the entry, so that a save
    // writes an entry the user did not change exactly as it was read.
    std::u16string linesBefore;  // the comment and empty lines just above its line, line ends included
    std::u16string readLine;     // its line as read, without the line end; empty for a new command
    std::u16string lineEnd;      // that line's end as read: CR LF, LF or CR; empty at the end of the file
    // Not empty: a line that is no command, kept as it stands, with why it cannot be read. The name
    // holds the line's text; the other fields are unused.
    std::u16string unreadable;
};

// How a command file's bytes hold its text.
enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Ansi };

// What the configuration program keeps of a command file besides its entries.
struct CommandFileForm {
    TextEncoding encoding = TextEncoding::Utf8;
    bool byteOrderMark = true;
    bool replacedBytes = false;  // bytes the encoding does not allow were read as U+FFFD
    std::u16string linesAtEnd;   // the comment and empty lines after the last entry, line ends included
};

// A line of the command file that the reader left out, or read only in part, with the id of the
// message it logged; for the troubleshooting record, which holds no text of the file.
struct LineRejection {
    std::int64_t line = 0;  // numbered from 0
    MessageId reason = MessageId::NoCommandOnLine;
};

// The commands in the order of the command file, which is the order of the menu; the configuration
// program's reading also keeps the lines that are no commands and the file's form, in `form`.
class CommandList : public std::vector<Command> {
  public:
    using std::vector<Command>::vector;
    CommandFileForm form;
    std::vector<LineRejection> rejections;  // one for each message of the reader's error log
};

}  // namespace quillet
