// The names behind the paste commands and the start of the configuration program: the clipboard
// text read as a new name, the destination of a paste, refused whole rather than shortened or turned
// into a move, and the configuration program beside the module.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// The name of the configuration program, started from the shell extension's folder.
inline constexpr std::u16string_view kConfigureProgramName = u"ScrivelPrefs.exe";

// The clipboard's text as the paste commands see it: the characters before the terminator, looked
// for among at most `capacity` characters and never more than one name and its terminator, so a
// long text costs no more than that. Empty when the text is not a valid new name (IsValidNewName of
// the menu), including a text with no terminator within reach.
std::optional<std::u16string_view> NewNameInText(const char16_t* text, std::size_t capacity);

enum class PasteName { AsItStands, KeepingExtension };

// Where a paste command moves the item at oldPath: into its own folder under the clipboard name, or
// under the clipboard name with the item's extension in place of the name's own. Empty, so that
// nothing is renamed, when the clipboard name is not a valid new name, when the new name is made only
// of dots and spaces (the shell reads such a name as the item's own folder or the folder above once
// trailing dots and spaces are dropped, so the item would move instead of being renamed), or when a
// path would not fit the shell operation's buffer.
std::optional<std::u16string> PasteDestination(std::u16string_view oldPath, std::u16string_view clipboardName,
                                               PasteName how);

// The full path of a program in the same folder as a module: everything after the module path's last
// separator replaced by the program's name. Empty when the path has no separator or the result does
// not fit a 260-character path buffer.
std::optional<std::u16string> ProgramBesideModule(std::u16string_view modulePath,
                                                  std::u16string_view programName);

}  // namespace quillet
