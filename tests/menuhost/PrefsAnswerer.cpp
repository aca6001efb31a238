// Test helper: the user of the configuration program that the menu's Configure item started. Waits
// for the "Configure Quillet Pro" window of another process, prints which program shows it, adds a
// user-defined command with the given name and item format, and presses OK once the flag file
// exists (the script creates it when the menu's click has returned, so a click that waited for the
// program would never see the OK). Waits until the program's window has gone.
// Usage: prefs_answerer TIMEOUT_MS FLAG_FILE NAME ITEM_FORMAT
// Exit status: 0 when the command was added and the window closed, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "../unit/WaitFor.h"
#include "PrefsIds.h"
#include "platform/win32/Handles.h"

namespace {

using quillet::test::WaitFor;

// A visible dialog window of another process with this title.
HWND FindDialog(const wchar_t* title, std::chrono::milliseconds bound) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", title); window;
                 window = FindWindowExW(nullptr, window, L"#32770", title)) {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process != GetCurrentProcessId() && IsWindowVisible(window)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        bound);
    return found;
}

// Waits until a window has handled what it was sent before: its thread is back in its message loop.
void WaitHandled(HWND window, std::chrono::milliseconds bound) {
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(bound.count()), nullptr);
}

void Print(const std::wstring& text) {
    std::fputws(text.c_str(), stdout);
    std::fflush(stdout);
}

// The program's file name and whether it is in the folder given (compared without case).
std::wstring ProgramOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    const quillet::platform::UniqueKernelObject handle(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    if (!handle) {
        return L"(unknown)";
    }
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    const BOOL ok = QueryFullProcessImageNameW(handle.Get(), 0, path, &size);
    return ok ? std::wstring(path, size) : L"(unknown)";
}

void SetText(HWND dialog, int id, const wchar_t* text) {
    // WM_SETTEXT is marshalled between processes.
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
}

void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        return 2;
    }
    const std::chrono::milliseconds timeout(std::wcstoul(argv[1], nullptr, 10));
    const std::wstring flag = argv[2];
    HWND dialog = FindDialog(L"Configure Quillet Pro", timeout);
    if (!dialog) {
        Print(L"configuration program: none\n");
        return 1;
    }
    Print(L"configuration program: " + ProgramOf(dialog) + L"\n");
    WaitHandled(dialog, timeout);  // opened

    Press(dialog, IDC_ADD_COMMAND);
    const HWND newCommand = FindDialog(L"New Command", timeout);
    if (!newCommand) {
        Print(L"New Command: none\n");
        return 1;
    }
    Press(newCommand, IDOK);  // the first entry: a user-defined command
    if (!WaitFor([&] { return !IsWindow(newCommand); }, timeout)) {
        return 1;
    }
    WaitHandled(dialog, timeout);  // the new command added and shown
    SetText(dialog, IDC_NAME, argv[3]);
    SetText(dialog, IDC_ITEM_FORMAT, argv[4]);
    Print(L"added: " + std::wstring(argv[3]) + L"\n");

    if (!WaitFor([&] { return GetFileAttributesW(flag.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeout)) {
        Print(L"the menu's click did not return while the program was open\n");
        return 1;
    }
    Press(dialog, IDOK);
    if (!WaitFor([&] { return !IsWindow(dialog); }, timeout)) {
        Print(L"OK did not close the program\n");
        return 1;
    }
    Print(L"pressed OK\n");
    return 0;
}
