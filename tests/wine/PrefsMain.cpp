// The configuration dialog's tests run DPI-aware, like the program (its manifest says so).
// With --screenshots (and --high-contrast) the program shows the dialogs for scripts/screenshots
// instead of testing.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "PrefsScreenshots.h"

int main(int argc, char** argv) {
    SetProcessDPIAware();
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (argc >= 2 && std::strcmp(argv[1], "--screenshots") == 0) {
        return quillet::test::RunPrefsScreenshots(argc == 3 && std::strcmp(argv[2], "--high-contrast") == 0);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
