// The commands that act on the file system or start another program. Each reports nothing: the
// shell's own file operation shows its confirmations and errors.
#pragma once

#include <string>
#include <vector>

namespace quillet::shellext {

// Renames the first selected item to the clipboard text (keepExtension: the text without its own
// extension, followed by the item's). Does nothing when the clipboard text is no longer a valid new
// name (it may have changed since the menu was built), or when the destination would not fit the
// shell operation's path buffer.
void PasteFileName(const std::vector<std::u16string>& selection, bool keepExtension);

// Starts "ScrivelPrefs.exe" from the module's folder, without arguments and without waiting.
// Nothing happens when it is missing.
void StartConfigurationProgram(const std::wstring& modulePath);

}  // namespace quillet::shellext
