// The commands that act on the file system or start another program: copy the name and delete, the
// two renames to the clipboard text, and the start of the configuration program. File changes go
// through the shell's file operation, so its confirmations, progress, error reports and undo apply;
// none of these shows a message of its own.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>

#include "core/copy/CopyText.h"

namespace quillet::shellext {

// How the shell's file operations meet the user: their windows owned by the host's window, and, when
// the host asked for no user interface (quiet), no question, progress or error report; a delete then
// goes to the Recycle Bin without a question, and asks only where the item would be destroyed instead.
struct ShellOperationStyle {
    HWND owner = nullptr;
    bool quiet = false;
};

// The clipboard's Unicode text when it is a valid new name (NewNameInText), or why there is none:
// CLIPBRD_E_CANT_OPEN while another program holds the clipboard through every try (for about half a
// second, platform::kClipboardAttempts), HRESULT_FROM_WIN32(ERROR_INVALID_NAME) when it
// holds no Unicode text or no valid new name. The clipboard is opened without an owner window and closed
// again before returning.
struct ClipboardName {
    std::optional<std::u16string> name;
    HRESULT why = S_OK;
};
ClipboardName ReadClipboardNewName();

// Puts the bare names of the selection on the clipboard (as the built-in copy does), then deletes
// the first selected item through the shell with undo (to the Recycle Bin where there is one), after
// the shell's confirmation unless quiet. Nothing is deleted when the copy failed. Nothing at all
// happens (the clipboard stays as it was) when the item is gone (ItemsGone) or the shell's delete would
// not address it exactly (a name ending in a dot or a space is handed to it in the "\\?\" form, which it
// takes: then no copy is tried and the result is empty). Returns what became of the copy, which the
// caller reports.
std::optional<CopyOutcome> CopyAndDelete(std::span<const std::u16string> selection,
                                         const ShellOperationStyle& style = {});

// Renames the first selected item, in its own folder, to the clipboard text (keepExtension: the text
// without its own extension, followed by the item's), read again at the click. S_OK once the shell's
// move ran (it reports its own failures). Nothing is renamed, with a failure, when the clipboard cannot
// be read (ReadClipboardNewName's reasons: it may have changed since the menu was built), when the new
// name would name the item's folder or the one above, or the shell would not address the item or the new
// name exactly (a path too long for its buffer, a name ending in a dot or a space): ERROR_INVALID_NAME;
// or when another item already has the new name: ERROR_ALREADY_EXISTS.
HRESULT PasteFileName(std::span<const std::u16string> selection, bool keepExtension,
                      const ShellOperationStyle& style = {});

// Starts "ScrivelPrefs.exe" from the folder of the module at modulePath, without arguments and
// without waiting. The failure, logged, when it could not be started (missing, or a path that does not
// fit: ERROR_BAD_PATHNAME).
HRESULT StartConfigurationProgram(const std::u16string& modulePath);

}  // namespace quillet::shellext
