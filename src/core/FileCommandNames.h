// The names behind the rename commands and the start of the configuration program: which clipboard
// texts may become a new name, the name that keeps the old extension, and the paths handed to the
// shell's file operation, refused whole rather than shortened when they do not fit its buffers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// The longest path the shell's file operation takes in its one-path lists (MAX_PATH less the
// terminator); also the longest valid new name.
inline constexpr std::size_t kMaxShellPathLength = 259;

// The name of the configuration program, started from the shell extension's folder.
inline constexpr std::u16string_view kConfigureProgramName = u"ScrivelPrefs.exe";

// The clipboard's text as the paste commands see it: the characters before the terminator, looked
// for among at most `capacity` characters and never beyond kMaxShellPathLength + 1, so a long text
// costs no more than that. Empty when the text is not a valid new name (including a text with no
// terminator within reach).
std::optional<std::u16string_view> NewNameInText(const char16_t* text, std::size_t capacity);

// The extension of a path's final component: from its last dot to the end, dot included (a folder
// name with a dot has one too). Empty when that component has no dot or the path has no separator.
std::u16string_view OldExtension(std::u16string_view path);

// The new name of the rename that keeps the extension: the clipboard text cut before its last dot
// (so its own extension goes), followed by the old path's extension.
std::u16string KeepExtensionName(std::u16string_view oldPath, std::u16string_view clipboardText);

// Where a rename moves the item: the old path up to and including its last separator, followed by
// the new name (the new name alone when the old path has no separator). Empty, so that nothing is
// renamed, when the new name is not a valid new name, when it is made only of dots and spaces (the
// shell reads such a name as the item's own folder or the folder above, once trailing dots and
// spaces are dropped, so the item would move instead), or when the old path or the destination is
// longer than kMaxShellPathLength.
std::optional<std::u16string> RenameDestination(std::u16string_view oldPath, std::u16string_view newName);

// The full path of a program in the same folder as a module: everything after the module path's last
// separator replaced by the program's name. Empty when the path has no separator or the result is
// longer than kMaxShellPathLength.
std::optional<std::u16string> ProgramBesideModule(std::u16string_view modulePath,
                                                  std::u16string_view programName);

}  // namespace quillet
