#include "shellext/CommandRun.h"

#include "core/copy/CopyText.h"
#include "core/messages/Messages.h"
#include "platform/Paths.h"
#include "platform/win32/WideString.h"
#include "shellext/FileCommands.h"
#include "shellext/ui/OptionsDlg.h"

namespace quillet::shellext {
namespace {

// The result of a copy command for the host; a failed copy is told to the user in one short message,
// unless the host asked for no user interface.
HRESULT ReportCopy(CopyOutcome outcome, const ClickContext& context) {
    if (outcome == CopyOutcome::Copied) {
        return S_OK;
    }
    const bool gone = outcome == CopyOutcome::ItemsGone;
    if (!context.quiet) {
        const std::u16string text =
            FormatMessageText(gone ? MessageId::CopyFailedItemsGone : MessageId::CopyFailedClipboard);
        const std::u16string caption = FormatMessageText(MessageId::ExtensionCaption);
        MessageBoxW(context.messageOwner, platform::AsWide(text), platform::AsWide(caption),
                    MB_OK | MB_ICONEXCLAMATION);
    }
    return gone ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : CLIPBRD_E_CANT_OPEN;
}

bool KeyHeld(int key) {
    return ((GetKeyState(key) | GetAsyncKeyState(key)) & 0x8000) != 0;
}

}  // namespace

ModifierKeys ModifierKeysHeld() {
    return {.control = KeyHeld(VK_CONTROL), .shift = KeyHeld(VK_SHIFT)};
}

HRESULT RunMenuCommand(const Command& command, std::vector<std::u16string> selection,
                       const ClickContext& context) {
    const CommandAction action = ClickAction(command.type, context.keys);
    CopyFormat builtIn;
    if (const CopyFormat* format = ClickCopyFormat(command, action, builtIn)) {
        return ReportCopy(CopySelection(selection, *format), context);
    }
    switch (action) {
        case CommandAction::CopyAndDelete:
            if (const std::optional<CopyOutcome> copied = CopyAndDelete(selection)) {
                return ReportCopy(*copied, context);
            }
            return S_OK;
        case CommandAction::PasteName:
        case CommandAction::PasteNameKeepingExtension:
            PasteFileName(selection, action == CommandAction::PasteNameKeepingExtension);
            return S_OK;
        case CommandAction::ShowOptions:
            ShowOptionsDialog(selection, context.dialogOwner);
            return S_OK;
        case CommandAction::StartConfiguration:
            StartConfigurationProgram(platform::RunningModulePath());
            return S_OK;
        case CommandAction::CopyNames:
        case CommandAction::CopyPaths:
        case CommandAction::CopyWithFormat:
        case CommandAction::None:
            break;  // copies are done above; a sub-menu runs nothing
    }
    return E_INVALIDARG;
}

}  // namespace quillet::shellext
