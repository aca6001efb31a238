#include "shellext/FileCommands.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <optional>

#include "core/CommandMenu.h"
#include "core/RenameTarget.h"
#include "platform/win32/WideString.h"
#include "shellext/Win32Holds.h"

namespace quillet::shellext {
namespace {

// The clipboard's Unicode text up to its terminator, if it is a valid new name now.
std::optional<std::u16string> ClipboardNewName() {
    const OpenClipboardHold clipboard;
    if (!clipboard.IsOpen()) {
        return std::nullopt;
    }
    const GlobalLockHold lock(GetClipboardData(CF_UNICODETEXT));
    if (!lock.Data()) {
        return std::nullopt;
    }
    std::u16string_view text(static_cast<const char16_t*>(lock.Data()),
                             std::min(lock.Count<char16_t>(), kMaxNewNameLength + 1));
    if (!IsValidNewName(text)) {
        return std::nullopt;
    }
    return std::u16string(text.substr(0, std::min(text.find(u'\0'), text.size())));
}

// A path list of one path as the shell operation reads it: ended by two zero characters.
std::u16string PathList(const std::u16string& path) {
    return path + u'\0';
}

}  // namespace

void PasteFileName(const std::vector<std::u16string>& selection, bool keepExtension) {
    // The text is copied out, so the clipboard is not held open while the shell shows its dialogs.
    const std::optional<std::u16string> clipboardName = ClipboardNewName();
    if (!clipboardName || selection.empty()) {
        return;
    }
    const std::u16string& oldPath = selection.front();
    const std::u16string newName =
        keepExtension ? NameKeepingExtension(oldPath, *clipboardName) : *clipboardName;
    const std::optional<std::u16string> destination = RenameDestination(oldPath, newName);
    if (!destination) {
        return;
    }
    const std::u16string from = PathList(oldPath);  // c_str() adds the second zero
    const std::u16string to = PathList(*destination);
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_MOVE;
    operation.pFrom = platform::AsWide(from);
    operation.pTo = platform::AsWide(to);
    operation.fFlags = FOF_ALLOWUNDO;
    SHFileOperationW(&operation);
}

void StartConfigurationProgram(const std::wstring& modulePath) {
    const std::size_t backslash = modulePath.find_last_of(L'\\');
    if (backslash == std::wstring::npos) {
        return;
    }
    const std::wstring program = modulePath.substr(0, backslash + 1) + L"ScrivelPrefs.exe";
    // The program by name, and the same path quoted as the command line: no argument, and no part of
    // a path with spaces taken for another program.
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace quillet::shellext
