// The dialog tests run like Explorer, which is DPI-aware: the dialogs see the display's real DPI.
// With --screenshots (and --high-contrast) the program shows the dialogs for scripts/screenshots
// instead of testing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "Screenshots.h"
#include "platform/win32/Handles.h"

namespace {

// Wine opens no windows without an X display.
bool CanOpenWindows() {
    return quillet::platform::UniqueWindow(
               CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr))
        .Valid();
}

}  // namespace

int main(int argc, char** argv) {
    SetProcessDPIAware();
    if (!CanOpenWindows()) {
        std::fprintf(stderr,
                     "The dialog tests need a display: run them under xvfb-run (scripts/test does).\n");
        return 1;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--screenshots") == 0) {
        return quillet::test::RunScreenshots(argc == 3 && std::strcmp(argv[2], "--high-contrast") == 0);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
