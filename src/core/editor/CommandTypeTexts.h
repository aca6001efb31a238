// What the configuration program says about each command type: the Type field's text, the name a
// new command starts with, the description shown for a built-in command and in the New Command
// dialog, and the New Command dialog's list in its own order.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/commands/Command.h"
#include "core/messages/Messages.h"

namespace quillet {

struct CommandTypeTexts {
    CommandType type;
    MessageId typeName;     // the entry of the New Command list
    MessageId typeField;    // the read-only Type field
    MessageId newName;      // the name of a new command of this type
    MessageId description;  // what the type does
    bool pasteNote;         // the description is followed by the note on when the menu hides it
};

// The texts of a type; types outside the table read as UserDefined.
const CommandTypeTexts& TextsOf(CommandType type);

// The description with its note, paragraphs separated by an empty line (CR LF, as a static text
// shows line breaks).
std::u16string DescriptionOf(CommandType type);

// The New Command list: user-defined first, the configure type before the sub-menu type.
std::span<const CommandType> NewCommandOrder();

}  // namespace quillet
