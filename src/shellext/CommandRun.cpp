#include "shellext/CommandRun.h"

#include "core/copy/CopyText.h"
#include "core/failure/Failure.h"
#include "core/messages/Messages.h"
#include "platform/Paths.h"
#include "platform/win32/WideString.h"
#include "shellext/FileCommands.h"
#include "shellext/ui/OptionsDlg.h"

namespace quillet::shellext {
namespace {

// A failure told to the user in one short message, unless the host asked for no user interface.
HRESULT ReportFailure(HRESULT result, MessageId message, const ClickContext& context) {
    if (!context.quiet) {
        const std::u16string text = FormatMessageText(message);
        const std::u16string caption = FormatMessageText(MessageId::ExtensionCaption);
        MessageBoxW(context.owner, platform::AsWide(text), platform::AsWide(caption),
                    MB_OK | MB_ICONEXCLAMATION);
    }
    return result;
}

// The result of a copy command for the host.
HRESULT ReportCopy(CopyOutcome outcome, const ClickContext& context) {
    switch (outcome) {
        case CopyOutcome::Copied:
            return S_OK;
        case CopyOutcome::ItemsGone:
            return ReportFailure(
                QUILLET_LOG_FAILURE(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "copy: items gone"),
                MessageId::CopyFailedItemsGone, context);
        case CopyOutcome::ClipboardFailed:
            break;
    }
    return ReportFailure(QUILLET_LOG_FAILURE(CLIPBRD_E_CANT_OPEN, "copy: the clipboard is held"),
                         MessageId::CopyFailedClipboard, context);
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
    const ShellOperationStyle style{.owner = context.owner, .quiet = context.quiet};
    constexpr HRESULT kNeedsAWindow = HRESULT_FROM_WIN32(ERROR_CANCELLED);
    switch (action) {
        case CommandAction::CopyAndDelete:
            if (const std::optional<CopyOutcome> copied = CopyAndDelete(selection, style)) {
                return ReportCopy(*copied, context);
            }
            return S_OK;
        case CommandAction::PasteName:
        case CommandAction::PasteNameKeepingExtension: {
            const HRESULT renamed = QUILLET_LOG_IF_FAILED(
                PasteFileName(selection, action == CommandAction::PasteNameKeepingExtension, style));
            return renamed == CLIPBRD_E_CANT_OPEN
                       ? ReportFailure(renamed, MessageId::RenameFailedClipboard, context)
                       : renamed;
        }
        case CommandAction::ShowOptions:
            if (context.quiet) {
                return kNeedsAWindow;
            }
            ShowOptionsDialog(selection, context.dialogOwner);
            return S_OK;
        case CommandAction::StartConfiguration:
            if (context.quiet) {
                return kNeedsAWindow;
            }
            // A program that cannot be started is logged by StartConfigurationProgram; the host is told
            // nothing, as before.
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
