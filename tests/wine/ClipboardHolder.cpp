// Test helper: another program holding the clipboard open. Opens it, signals the event named by the
// first argument, and keeps it open until the event named by the second is set (at most 30 s). It
// opens it for a window of its own, as programs do: one process's open without a window does not
// keep another process's open without a window out under Wine.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return 2;
    }
    HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (held == nullptr || release == nullptr || window == nullptr || !OpenClipboard(window)) {
        return 1;
    }
    SetEvent(held);
    WaitForSingleObject(release, 30000);
    CloseClipboard();
    DestroyWindow(window);
    CloseHandle(held);
    CloseHandle(release);
    return 0;
}
