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

// One row of the command type table: every place that names a type reads it here.
struct CommandTypeInfo {
    CommandType type;
    std::u16string_view keyword;  // the keyword after "%" in the command file; empty for UserDefined
};

// All eight types in value order.
std::span<const CommandTypeInfo> CommandTypes();

// The built-in type with exactly this keyword (case matters); empty when there is none.
std::optional<CommandType> CommandTypeFromKeyword(std::u16string_view keyword);

// The keyword of a type; empty for UserDefined and for values outside the table.
std::u16string_view KeywordOf(CommandType type);

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

// The commands in the order of the command file, which is the order of the menu; the configuration
// program's reading also keeps the lines that are no commands and the file's form, in `form`.
class CommandList : public std::vector<Command> {
  public:
    using std::vector<Command>::vector;
    CommandFileForm form;
};

}  // namespace quillet
