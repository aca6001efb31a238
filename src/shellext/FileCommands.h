// The commands that act on the file system or start another program: copy the name and delete, the
// two renames to the clipboard text, and the start of the configuration program. File changes go
// through the shell's file operation, so its confirmations, progress, error reports and undo apply;
// none of these shows a message of its own.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "core/copy/CopyText.h"

namespace quillet::shellext {

// The clipboard's Unicode text when it is a valid new name, read with the clipboard opened without
// an owner window and closed again before returning. Empty when the clipboard cannot be opened,
// holds no Unicode text, or the text is not a valid new name.
std::optional<std::u16string> ClipboardNewName();

// Puts the bare names of the selection on the clipboard (as the built-in copy does), then deletes
// the first selected item through the shell with undo (to the Recycle Bin where there is one), after
// the shell's confirmation. Nothing is deleted when the copy failed. Nothing at all happens (the
// clipboard stays as it was) when the item is gone (ItemsGone) or the shell's delete would not
// address it exactly (a name ending in a dot or a space is handed to it in the "\\?\" form, which it
// takes: then no copy is tried and the result is empty). Returns what became of the copy, which the
// caller reports.
std::optional<CopyOutcome> CopyAndDelete(std::span<const std::u16string> selection);

// Renames the first selected item, in its own folder, to the clipboard text (keepExtension: the text
// without its own extension, followed by the item's). Does nothing when the clipboard no longer holds
// a valid new name (it may have changed since the menu was built), when the new name would name the
// item's folder or the one above, when the shell would not address the item or the new name exactly
// (a path too long for its buffer, a name ending in a dot or a space), or when another item already
// has the new name.
void PasteFileName(std::span<const std::u16string> selection, bool keepExtension);

// Starts "ScrivelPrefs.exe" from the folder of the module at modulePath, without arguments and
// without waiting. False when it could not be started (missing, or a path that does not fit); the
// caller reports nothing.
bool StartConfigurationProgram(const std::u16string& modulePath);

}  // namespace quillet::shellext
