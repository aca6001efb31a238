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
    HWND messageOwner = nullptr;  // owns a failed copy's message; null for none
    HWND dialogOwner = nullptr;   // owns the Options dialog; null for none
    bool quiet = false;           // the host asked for no user interface: a failed copy shows nothing
};

// The modifier keys held now, or at the input the thread is answering: hosts that pass none (the first
// menu) read them when the command runs.
ModifierKeys ModifierKeysHeld();

// Runs the command on the selection (full paths, taken by value so that a call that reaches the host
// again while a dialog of the command runs cannot pull them away underneath it): what a click does is
// the command type's row with the keys held. A copy that fails gives a failure; the other commands
// report their own outcome and give S_OK; a sub-menu runs nothing (E_INVALIDARG).
HRESULT RunMenuCommand(const Command& command, std::vector<std::u16string> selection,
                       const ClickContext& context);

}  // namespace quillet::shellext
