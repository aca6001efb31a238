// The dialog tests run like Explorer, which is DPI-aware: the dialogs see the display's real DPI.
// With --screenshots the program shows the dialogs for scripts/screenshots instead of testing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "Screenshots.h"

int main(int argc, char** argv) {
    SetProcessDPIAware();
    if (argc == 2 && std::strcmp(argv[1], "--screenshots") == 0) {
        return quillet::test::RunScreenshots();
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
