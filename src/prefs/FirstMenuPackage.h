// Registers and removes Quillet's Windows 11 package for the current user, with the folder of this
// program (the install folder) as its external location; the rules are the core's (core/package).
#pragma once

#include <cstdint>
#include <string>

#include "core/package/FirstMenu.h"

namespace quillet::prefs {

struct FirstMenuReport {
    firstmenu::Result result;
    std::u16string message;  // what the user reads
};

// Runs the request: nothing on Windows 10, a clear failure where packages cannot be registered.
FirstMenuReport RunFirstMenuRequest(firstmenu::Request request);

// What the check box shows, from what the system has and the install folder holds.
firstmenu::CheckBoxState FirstMenuCheckBox();

// What a program run by RunCaptured did.
struct CapturedRun {
    bool started = false;
    std::uint32_t error = 0;  // why it did not start
    bool timedOut = false;    // stopped at the time limit, with whatever it started
    std::string output;       // its standard output and error
};

// Runs the program without a window and waits for it for at most the time limit.
CapturedRun RunCaptured(const std::wstring& program, std::wstring commandLine,
                        std::uint32_t timeLimitMilliseconds);

}  // namespace quillet::prefs
