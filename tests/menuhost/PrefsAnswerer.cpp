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

#include "PrefsIds.h"

namespace {

// A visible dialog window of another process with this title.
HWND FindDialog(const wchar_t* title, DWORD timeout) {
    const DWORD start = GetTickCount();
    do {
        for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", title); window;
             window = FindWindowExW(nullptr, window, L"#32770", title)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process != GetCurrentProcessId() && IsWindowVisible(window)) {
                return window;
            }
        }
        Sleep(20);
    } while (GetTickCount() - start < timeout);
    return nullptr;
}

bool WaitGone(HWND window, DWORD timeout) {
    const DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start > timeout) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

void Print(const std::wstring& text) {
    std::fputws(text.c_str(), stdout);
    std::fflush(stdout);
}

// The program's file name and whether it is in the folder given (compared without case).
std::wstring ProgramOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (!handle) {
        return L"(unknown)";
    }
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    const BOOL ok = QueryFullProcessImageNameW(handle, 0, path, &size);
    CloseHandle(handle);
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
    const DWORD timeout = std::wcstoul(argv[1], nullptr, 10);
    const std::wstring flag = argv[2];
    HWND dialog = FindDialog(L"Configure Quillet Pro", timeout);
    if (!dialog) {
        Print(L"configuration program: none\n");
        return 1;
    }
    Print(L"configuration program: " + ProgramOf(dialog) + L"\n");
    Sleep(200);  // let it finish opening

    Press(dialog, IDC_ADD_COMMAND);
    const HWND newCommand = FindDialog(L"New Command", timeout);
    if (!newCommand) {
        Print(L"New Command: none\n");
        return 1;
    }
    Press(newCommand, IDOK);  // the first entry: a user-defined command
    if (!WaitGone(newCommand, timeout)) {
        return 1;
    }
    Sleep(100);
    SetText(dialog, IDC_NAME, argv[3]);
    SetText(dialog, IDC_ITEM_FORMAT, argv[4]);
    Print(L"added: " + std::wstring(argv[3]) + L"\n");

    const DWORD start = GetTickCount();
    while (GetFileAttributesW(flag.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeout) {
            Print(L"the menu's click did not return while the program was open\n");
            return 1;
        }
        Sleep(20);
    }
    Press(dialog, IDOK);
    if (!WaitGone(dialog, timeout)) {
        Print(L"OK did not close the program\n");
        return 1;
    }
    Print(L"pressed OK\n");
    return 0;
}
