// ScrivelPrefs.exe: the configuration program. It has no command-line options; it shows the
// configuration dialog on the per-user command list (or the default one) and ends when it closes.
// Its help file is "QuilletPro.chm" beside the program (winui::ModuleHelpFile).
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "core/editor/CommandEditor.h"
#include "prefs/ScrivelPrefsDlg.h"

namespace quillet::prefs {

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

    CommandFileStorage storage;
    CScrivelPrefsDlg dialog(LoadEditorCommands(), storage);
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
