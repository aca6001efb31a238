// A click on a command, carried out the same way for both menus: the classic context menu and the
// command tree of Windows 11's first menu.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/commands/Command.h"

namespace quillet::shellext {

// What the host tells about a click.
struct ClickContext {
    ModifierKeys keys;
    HWND owner = nullptr;        // the host's window: owns a failure's message and the shell's operations
    HWND dialogOwner = nullptr;  // owns the Options dialog; null for none
    bool quiet = false;          // the host asked for no user interface (ShellOperationStyle)
};

// The modifier keys held now, or at the input the thread is answering: hosts that pass none (the first
// menu) read them when the command runs.
ModifierKeys ModifierKeysHeld();

// Runs the command on the selection (full paths, taken by value so that a call that reaches the host
// again while a dialog of the command runs cannot pull them away underneath it): what a click does is
// the command type's row with the keys held. A copy that fails, or a rename that does not happen, gives
// a failure, told to the user in a message where the clipboard was in the way (unless quiet); the shell's
// operations report their own outcome. When the host asked for no user interface, the Options dialog
// and the configuration program, which are nothing but a window, do not start (ERROR_CANCELLED). A
// sub-menu runs nothing (E_INVALIDARG).
HRESULT RunMenuCommand(const Command& command, std::vector<std::u16string> selection,
                       const ClickContext& context);

}  // namespace quillet::shellext
