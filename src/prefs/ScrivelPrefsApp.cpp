// ScrivelPrefs.exe: the configuration program. It shows the configuration dialog on the per-user
// command list (or the default one) and ends when it closes. With /register-first-menu or
// /remove-first-menu (as the installers run it) it registers or removes the Windows 11 package for
// the user instead, writes what happened to its standard error when it has one, and ends with the
// exit code of the outcome.
// One runs at a time in a session: a second start (Configure clicked twice) brings the running one
// to the front and ends. Its help file is "QuilletPro.chm" beside the program (winui::ModuleHelpFile).
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <new>
#include <string>

#include "core/editor/CommandEditor.h"
#include "core/failure/Failure.h"
#include "platform/Utf.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "prefs/FirstMenuPackage.h"
#include "prefs/ScrivelPrefsDlg.h"
#include "winui/Handles.h"

namespace quillet::prefs {
namespace {

constexpr wchar_t kInstanceMutex[] = L"Local\\Brantwell.Quillet.ScrivelPrefs";

// Brings the running program's dialog (or the window it has open over it) to the front, waiting a
// little for a program that is still opening it; false when none shows.
bool BringRunningProgramToFront() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        HWND found = nullptr;
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                if (GetPropW(window, kPrefsWindowProperty) == window) {
                    *reinterpret_cast<HWND*>(param) = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found) {
            if (IsIconic(found)) {
                ShowWindow(found, SW_RESTORE);
            }
            SetForegroundWindow(GetLastActivePopup(found));
            return true;
        }
        Sleep(50);
    }
    return false;
}

// Runs a switch's request; its exit code.
int RunRequest(firstmenu::Request request) {
    const FirstMenuReport report = RunFirstMenuRequest(request);
    const std::string text = Utf16ToUtf8(report.message) + "\r\n";
    DWORD written = 0;
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE) {
        WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    return firstmenu::ExitCode(report.result.outcome);
}

}  // namespace

class CScrivelPrefsApp {
  public:
    // Runs the program; the exit code.
    int InitInstance();
};

int CScrivelPrefsApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    const winui::UniqueKernelObject running(CreateMutexW(nullptr, FALSE, kInstanceMutex));
    // A program that has the mutex but shows no window is on its way out: this one opens.
    if (running && GetLastError() == ERROR_ALREADY_EXISTS && BringRunningProgramToFront()) {
        return 0;
    }
    CommandFileStorage storage;
    CScrivelPrefsDlg dialog(storage.Load(), storage);
    dialog.DoModal(nullptr);
    return 0;
}

}  // namespace quillet::prefs

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    try {
        if (__argc == 2) {
            const std::u16string argument = quillet::platform::FromWide(__wargv[1]);
            if (const auto request = quillet::firstmenu::RequestOfSwitch(argument)) {
                return quillet::prefs::RunRequest(*request);
            }
        }
        // COM on the windows' thread: it hands screen readers the controls' accessible objects.
        const quillet::platform::ComApartment com = quillet::platform::EnterComApartment();
        quillet::prefs::CScrivelPrefsApp app;
        return app.InitInstance();
    } catch (const std::bad_alloc&) {
        QUILLET_LOG_FAILURE(E_OUTOFMEMORY, "out of memory in the configuration program");
        return 1;
    } catch (const std::exception&) {
        // Its text is not recorded: a parser's may quote the command file.
        QUILLET_LOG_FAILURE(E_UNEXPECTED, "an exception ended the configuration program");
        return 1;
    }
}
