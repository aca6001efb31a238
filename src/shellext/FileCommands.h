// The commands that act on the file system or start another program: copy the name and delete, the
// two renames to the clipboard text, and the start of the configuration program. File changes go
// through the shell's file operation, so its confirmations, progress, error reports and undo apply;
// none of these shows a message of its own or reports a result to Explorer.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>

namespace quillet::shellext {

// The clipboard's Unicode text when it is a valid new name for the selected item, read with the
// clipboard opened without an owner window and closed again before returning. Empty when the
// clipboard cannot be opened, holds no Unicode text, or the text is not a valid new name. The
// context menu offers the paste commands only while this gives a name; the commands ask again when
// clicked.
std::optional<std::u16string> ClipboardNewName();

// Puts the bare name of the first selected item on the clipboard (as the built-in copy does), then
// deletes that item through the shell with undo (to the Recycle Bin where there is one), after the
// shell's confirmation. Nothing is deleted when the copy failed.
void CopyAndDelete(std::span<const std::u16string> selection);

// Renames the first selected item, in its own folder, to the clipboard text. Does nothing when the
// clipboard no longer holds a valid new name, or when a path does not fit the shell operation.
void PasteFilename(std::span<const std::u16string> selection);

// As PasteFilename, with the clipboard text's own extension replaced by the item's extension.
void PasteFilenameKeepExtension(std::span<const std::u16string> selection);

// Starts the configuration program from the folder of the module, without arguments, and does not
// wait for it. False when it could not be started (the caller reports nothing).
bool StartConfigure(HINSTANCE module);

// The same for a module path given directly: starts the configuration program beside it.
bool StartConfigureBeside(const std::u16string& modulePath);

}  // namespace quillet::shellext
