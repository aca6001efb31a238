// The names behind the paste commands and the start of the configuration program: the clipboard
// text read as a new name, the destination of a paste, refused whole rather than shortened or turned
// into a move, and the configuration program beside the module.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "SharedIds.h"

namespace quillet {

// The name of the configuration program, started from the shell extension's folder.
inline constexpr std::u16string_view kConfigureProgramName = u"" QUILLET_PREFS_FILE;

// The clipboard's text as the paste commands see it: the characters before the terminator, looked
// for among at most `capacity` characters and never more than one name and its terminator, so a
// long text costs no more than that. Empty when the text is not a valid new name (IsValidNewName),
// including a text with no terminator within reach: memory that a program filled without one may
// hold anything after the text. The menu offers the renames by this rule, so that a shown rename
// renames.
std::optional<std::u16string_view> NewNameInText(const char16_t* text, std::size_t capacity);

enum class PasteName { AsItStands, KeepingExtension };

// Where a paste command moves the item at oldPath: into its own folder under the clipboard name, or
// under the clipboard name with the item's extension in place of the name's own. Empty, so that
// nothing is renamed, when the clipboard name is not a valid new name, when the new name is made only
// of dots and spaces (the shell reads such a name as the item's own folder or the folder above once
// trailing dots and spaces are dropped, so the item would move instead of being renamed), or when the
// shell's move would not address the item or the destination exactly (ShellAddressOf not Normal).
std::optional<std::u16string> PasteDestination(std::u16string_view oldPath, std::u16string_view clipboardName,
                                               PasteName how);

// How the shell's file operation reaches exactly the item at a full path of at most
// kMaxShellPathLength characters. Normal: the path as it is, as no name in it ends in a dot or a
// space. Literal: only in the "\\?\" form, as a name in it ends in a dot or a space, which the normal
// form drops (it would reach "report" for "report."); the shell's delete takes that form, its move
// does not. None: not at all (too long, empty, a "." or ".." part, or the "\\?\" form already).
enum class ShellAddress { Normal, Literal, None };
ShellAddress ShellAddressOf(std::u16string_view path);

// Whether a paste may move the item at source to destination, given what is at destination now:
// nothing, or the item itself under a name that differs only in the case of its letters (A-Z). Any
// other item there would be replaced without a trace, or would take the item inside (a folder); an
// unchanged name leaves nothing to do. destinationIsSource: the file system identifies the item at
// destination as the one at source.
bool MayMoveTo(std::u16string_view source, std::u16string_view destination, bool destinationExists,
               bool destinationIsSource);

// The full path of a program in the same folder as a module: everything after the module path's last
// separator replaced by the program's name. Empty when the path has no separator or the result does
// not fit a 260-character path buffer.
std::optional<std::u16string> ProgramBesideModule(std::u16string_view modulePath,
                                                  std::u16string_view programName);

}  // namespace quillet
