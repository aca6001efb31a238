// The dialog tests run like Explorer, which is DPI-aware: the dialogs see the display's real DPI.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    SetProcessDPIAware();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
