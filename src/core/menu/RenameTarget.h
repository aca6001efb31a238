// The names the two paste commands rename an item to. The rename itself goes through the shell's
// file operation, whose path buffers hold at most kMaxShellPathLength characters.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::size_t kMaxShellPathLength = 259;

// The new name for "paste keeping the extension": the clipboard name without its own extension (cut
// before its last dot), followed by the old item's extension (from the last dot of its final name
// component, dot included; none when that component has no dot or the path has no separator). A
// folder name with a dot has an extension in this sense.
std::u16string NameKeepingExtension(std::u16string_view oldPath, std::u16string_view clipboardName);

// The full destination of renaming oldPath to newName in its own folder: the path up to and
// including its last separator, then newName (newName alone when the path has no separator). Empty
// when there is nothing to rename to, or when the source or the destination would not fit the shell
// operation's path buffer: such a rename is not attempted rather than cut short.
std::optional<std::u16string> RenameDestination(std::u16string_view oldPath, std::u16string_view newName);

}  // namespace quillet
