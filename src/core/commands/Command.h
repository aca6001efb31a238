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
};

// The commands in the order of the command file, which is the order of the menu.
using CommandList = std::vector<Command>;

}  // namespace quillet
