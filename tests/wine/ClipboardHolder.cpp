// Test helper: another program holding the clipboard open. Opens it, signals the event named by the
// first argument, and keeps it open until the event named by the second is set (at most 30 s). It
// opens it for a window of its own, as programs do: one process's open without a window does not
// keep another process's open without a window out under Wine.
#include <windows.h>

#include "platform/win32/Handles.h"

using namespace quillet::platform;

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return 2;
    }
    const UniqueKernelObject held(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]));
    const UniqueKernelObject release(OpenEventW(SYNCHRONIZE, FALSE, argv[2]));
    const UniqueWindow window(
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    if (!held || !release || !window) {
        return 1;
    }
    const OpenClipboardScope clipboard(1, window.Get());
    if (!clipboard.IsOpen()) {
        return 1;
    }
    SetEvent(held.Get());
    WaitForSingleObject(release.Get(), 30000);
    return 0;
}
