// Stands in for the configuration program in the file command tests: appends its own path and the
// number of arguments it received to the file named by QUILLET_FAKE_PREFS_MARKER (UTF-16), one line
// per start.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "platform/win32/Handles.h"

int wmain() {
    wchar_t marker[MAX_PATH];
    if (GetEnvironmentVariableW(L"QUILLET_FAKE_PREFS_MARKER", marker, MAX_PATH) == 0) {
        return 1;
    }
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    int count = 0;
    const quillet::platform::LocalMemory arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    const std::wstring line = std::wstring(self, length) + L"|" + std::to_wstring(count - 1) + L"\n";
    const quillet::platform::FileHandle file(CreateFileW(marker, FILE_APPEND_DATA,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return 1;
    }
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    return 0;
}
