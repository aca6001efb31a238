// ScrivelPrefs.exe: the configuration program. It has no command-line options; it shows the
// configuration dialog on the per-user command list (or the default one) and ends when it closes.
// One runs at a time in a session: a second start (Configure clicked twice) brings the running one
// to the front and ends. Its help file is "QuilletPro.chm" beside the program (winui::ModuleHelpFile).
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "core/editor/CommandEditor.h"
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
        quillet::prefs::CScrivelPrefsApp app;
        return app.InitInstance();
    } catch (const std::exception&) {
        return 1;
    }
}
