// How the configuration program runs PowerShell for the first menu, with any program: the output is
// read, and a program that does not end within the time limit is stopped (a registration that hangs
// must not hang a user's sign-in or an installation).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "platform/Paths.h"
#include "platform/win32/WideString.h"
#include "prefs/FirstMenuPackage.h"

namespace quillet::test {
namespace {

TEST(CapturedRun, ReadsTheOutputAndStopsAProgramAtTheTimeLimit) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const prefs::CapturedRun done =
        prefs::RunCaptured(std::wstring(system) + L"\\cmd.exe", L"cmd.exe /c echo registered: x", 60000);
    EXPECT_TRUE(done.started && !done.timedOut);
    EXPECT_EQ(done.output, "registered: x\r\n");

    // The configuration program waits for its user for ever.
    std::wstring program = platform::AsWide(platform::RunningModuleFolder() + QUILLET_PREFS_PROGRAM);
    std::replace(program.begin(), program.end(), L'/', L'\\');
    const prefs::CapturedRun hung = prefs::RunCaptured(program, L"ScrivelPrefs.exe", 1000);
    EXPECT_TRUE(hung.started);
    EXPECT_TRUE(hung.timedOut);
}

}  // namespace
}  // namespace quillet::test
