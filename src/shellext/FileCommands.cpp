#include "shellext/FileCommands.h"

#include <windows.h>

#include <shellapi.h>

#include "core/copy/CopyText.h"
#include "core/failure/Failure.h"
#include "core/menu/CommandMenu.h"
#include "core/menu/FileCommandNames.h"
#include "core/menu/RenameTarget.h"
#include "platform/Clipboard.h"
#include "platform/Files.h"
#include "platform/win32/ExactPath.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace quillet::shellext {
namespace {

using platform::AsWide;

// A one-path list as the shell's file operation reads it: the path and two terminators.
std::u16string ShellPathList(const std::u16string& path) {
    std::u16string list = path;
    list.push_back(u'\0');  // c_str() adds the second
    return list;
}

void ShellOperation(UINT operation, const std::u16string& from, const std::u16string* to,
                    const ShellOperationStyle& style) {
    const std::u16string fromList = ShellPathList(from);
    const std::u16string toList = to ? ShellPathList(*to) : std::u16string();
    SHFILEOPSTRUCTW operationRecord{};
    operationRecord.hwnd = style.owner;
    operationRecord.wFunc = operation;
    operationRecord.pFrom = AsWide(fromList);
    operationRecord.pTo = to ? AsWide(toList) : nullptr;
    operationRecord.fFlags = FOF_ALLOWUNDO;
    if (style.quiet) {
        // Not a question, except the one before an item would be destroyed rather than recycled.
        operationRecord.fFlags |=
            FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_SILENT | FOF_NOERRORUI | FOF_WANTNUKEWARNING;
    }
    // The shell reports refusals and failures in its own dialogs (none when quiet); the record keeps
    // them too. A cancellation by the user is no failure.
    const int result = SHFileOperationW(&operationRecord);
    if (result != 0 && !operationRecord.fAnyOperationsAborted) {
        QUILLET_LOG_FAILURE(FailureFromSystemError(static_cast<std::uint32_t>(result)),
                            operation == FO_DELETE ? "the shell's delete" : "the shell's move");
    }
}

}  // namespace

ClipboardName ReadClipboardNewName() {
    // One name and its terminator: a longer text is no name, and costs no more than that.
    const platform::ClipboardText clipboard = platform::ReadClipboardText(kMaxNewNameLength + 1);
    if (clipboard.status == platform::ClipboardStatus::Busy) {
        return {std::nullopt, CLIPBRD_E_CANT_OPEN};
    }
    const auto name = NewNameInText(clipboard.memory.data(), clipboard.memory.size());
    return name ? ClipboardName{std::u16string(*name)}
                : ClipboardName{std::nullopt, HRESULT_FROM_WIN32(ERROR_INVALID_NAME)};
}

std::optional<CopyOutcome> CopyAndDelete(std::span<const std::u16string> selection,
                                         const ShellOperationStyle& style) {
    if (selection.empty()) {
        return CopyOutcome::ItemsGone;
    }
    const std::u16string& path = selection.front();
    // The shell's delete reaches "report." (not "report") only in the literal form; a path that no
    // form reaches exactly, or an item that is gone, is left with no copy and no delete.
    std::u16string deletePath = path;
    switch (ShellAddressOf(path)) {
        case ShellAddress::Normal:
            break;
        case ShellAddress::Literal:
            deletePath = platform::ExactPathForm(path);
            if (deletePath == path) {
                return std::nullopt;  // not a full path the literal form can hold
            }
            break;
        case ShellAddress::None:
            return std::nullopt;
    }
    platform::FolderEntry item;
    if (!platform::QueryFileEntry(path, item)) {
        return CopyOutcome::ItemsGone;
    }
    const CopyOutcome copied = CopySelection(selection, MakeDefaultCopyFormat(PathComponent::Name));
    if (copied == CopyOutcome::Copied) {
        ShellOperation(FO_DELETE, deletePath, nullptr, style);
    }
    return copied;
}

HRESULT PasteFileName(std::span<const std::u16string> selection, bool keepExtension,
                      const ShellOperationStyle& style) {
    constexpr HRESULT kRefused = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    if (selection.empty()) {
        return kRefused;
    }
    // Read again at the click: a text that is no longer a valid name (say "..\x") must not move the
    // item elsewhere.
    const ClipboardName text = ReadClipboardNewName();
    if (!text.name) {
        return text.why;
    }
    const std::u16string& oldPath = selection.front();
    const std::optional<std::u16string> destination = PasteDestination(
        oldPath, *text.name, keepExtension ? PasteName::KeepingExtension : PasteName::AsItStands);
    if (!destination) {
        return kRefused;
    }
    // The shell would replace an item at the destination without asking, or move the item into a
    // folder there; only the item itself under another case of its name may be there.
    platform::FolderEntry existing;
    const bool destinationExists = platform::QueryFileEntry(*destination, existing);
    bool destinationIsSource = false;
    if (destinationExists) {
        const auto source = platform::QueryFileIdentity(oldPath);
        destinationIsSource = source && source == platform::QueryFileIdentity(*destination);
    }
    if (*destination == oldPath) {
        return S_OK;  // the name it has
    }
    if (!MayMoveTo(oldPath, *destination, destinationExists, destinationIsSource)) {
        return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    }
    // A move, not the shell's rename: the move takes the destination as a full path.
    ShellOperation(FO_MOVE, oldPath, &*destination, style);
    return S_OK;
}

HRESULT StartConfigurationProgram(const std::u16string& modulePath) {
    const std::optional<std::u16string> program = ProgramBesideModule(modulePath, kConfigureProgramName);
    if (!program) {
        return QUILLET_LOG_FAILURE(HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME),
                                   "the configuration program's path");
    }
    // The program is named exactly, and the command line quotes it, so that a folder with spaces never
    // leads to a program of another name (such as "C:\Program.exe").
    std::u16string commandLine = u"\"" + *program + u"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(AsWide(*program), AsWide(commandLine.data()), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        return QUILLET_LOG_FAILURE(FailureFromSystemError(GetLastError()),
                                   "CreateProcessW of the configuration program");
    }
    // The program is not tracked: its handles are closed at once.
    const platform::UniqueKernelObject process(started.hProcess);
    const platform::UniqueKernelObject thread(started.hThread);
    return S_OK;
}

}  // namespace quillet::shellext
