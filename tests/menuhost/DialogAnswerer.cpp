// Test helper: the person in front of the screen. Waits for a visible dialog (#32770) of another
// process, prints its caption (and the text of one of its controls when asked), presses one of its
// buttons, and waits until the dialog has gone.
// Usage: dialog_answerer TIMEOUT_MS BUTTON_ID [CONTROL_ID]
// Exit status: 0 when a dialog was answered and closed, 1 when none came or it stayed open.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    HWND found = nullptr;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM state) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process == GetCurrentProcessId() || std::wstring(className) != L"#32770" ||
        !IsWindowVisible(window)) {
        return TRUE;
    }
    reinterpret_cast<Search*>(state)->found = window;
    return FALSE;
}

std::wstring WindowText(HWND window) {
    wchar_t text[4096] = {};
    // WM_GETTEXT is marshalled between processes for every window class.
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return text;
}

void PrintUtf8(const std::wstring& text) {
    std::string utf8;
    for (const wchar_t c : text) {
        if (c == L'\r') {
            continue;  // the transcript keeps plain line feeds
        }
        char bytes[8];
        const int size = WideCharToMultiByte(CP_UTF8, 0, &c, 1, bytes, 8, nullptr, nullptr);
        utf8.append(bytes, static_cast<std::size_t>(size > 0 ? size : 0));
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        return 2;
    }
    const DWORD timeout = std::wcstoul(argv[1], nullptr, 10);
    const int button = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    const int control = argc > 3 ? static_cast<int>(std::wcstol(argv[3], nullptr, 10)) : 0;

    Search search;
    const DWORD start = GetTickCount();
    while (!search.found && GetTickCount() - start < timeout) {
        EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            Sleep(20);
        }
    }
    if (!search.found) {
        PrintUtf8(L"dialog: none\n");
        return 1;
    }
    // Let the dialog finish its initialisation before reading and answering it.
    Sleep(200);
    PrintUtf8(L"dialog: \"" + WindowText(search.found) + L"\"\n");
    if (control != 0) {
        PrintUtf8(L"dialog control " + std::to_wstring(control) + L": \"" +
                  WindowText(GetDlgItem(search.found, control)) + L"\"\n");
    }
    PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(search.found, button)));
    for (int wait = 0; wait < 500 && IsWindow(search.found); ++wait) {
        Sleep(10);
    }
    const bool closed = !IsWindow(search.found);
    PrintUtf8(closed ? L"dialog: closed by button " + std::to_wstring(button) + L"\n"
                     : L"dialog: still open\n");
    std::fflush(stdout);
    return closed ? 0 : 1;
}
