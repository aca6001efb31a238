// Test helper: the person in front of the screen. Waits for a visible dialog (#32770) of another
// process, prints its caption (and the text of one of its controls when asked), presses one of its
// buttons, and waits until the dialog has gone.
// Usage: dialog_answerer TIMEOUT_MS BUTTON_ID [CONTROL_ID]
// Exit status: 0 when a dialog was answered and closed, 1 when none came or it stayed open.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "../unit/WaitFor.h"

namespace {

using quillet::test::WaitFor;

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

    const std::chrono::milliseconds bound(timeout);
    Search search;
    WaitFor(
        [&] {
            EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        bound);
    if (!search.found) {
        PrintUtf8(L"dialog: none\n");
        return 1;
    }
    // Shown once initialised; a message handled says its thread is back in its loop.
    SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, timeout, nullptr);
    PrintUtf8(L"dialog: \"" + WindowText(search.found) + L"\"\n");
    if (control != 0) {
        PrintUtf8(L"dialog control " + std::to_wstring(control) + L": \"" +
                  WindowText(GetDlgItem(search.found, control)) + L"\"\n");
    }
    PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(search.found, button)));
    const bool closed = WaitFor([&] { return !IsWindow(search.found); }, bound);
    PrintUtf8(closed ? L"dialog: closed by button " + std::to_wstring(button) + L"\n"
                     : L"dialog: still open\n");
    std::fflush(stdout);
    return closed ? 0 : 1;
}
