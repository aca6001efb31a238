// What the configuration program says about each command type, from its row (InfoOf): the
// description shown for a built-in command and in the New Command dialog, and that dialog's list.
#pragma once

#include <span>
#include <string>

#include "core/commands/Command.h"

namespace quillet {

// The description with, for a type the menu hides unless the clipboard holds a new name, the note
// on when it is hidden; paragraphs separated by an empty line (CR LF, as a static text shows line
// breaks).
std::u16string DescriptionOf(CommandType type);

// The New Command list: every type in the order of its rows.
std::span<const CommandType> NewCommandOrder();

}  // namespace quillet
