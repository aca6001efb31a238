// Quillet's entry in Windows 11's first context menu, apart from how Windows registers packages:
// which builds have that menu, the configuration program's switches, the PowerShell commands that
// register and remove the package for the user, how their output is read, and what the user is told.
// The configuration program (prefs/FirstMenuPackage.cpp) runs them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "SharedIds.h"
#include "core/messages/Messages.h"

namespace quillet::firstmenu {

// The first Windows build with the first menu (Windows 11); earlier ones ignore packaged commands.
inline constexpr std::uint32_t kFirstWindows11Build = 22000;
// The package as the installers put it into the install folder, beside the module.
inline constexpr std::u16string_view kPackageFile = u"" QUILLET_FIRST_MENU_PACKAGE_FILE;
// How long a request may take before it is given up: registration runs at a user's sign-in (before
// Explorer starts) and inside installations, neither of which may hang on a package manager that does
// not answer. Registering takes seconds.
inline constexpr std::uint32_t kTimeLimitSeconds = 120;

enum class Request { Register, Remove };

// The configuration program's switch that runs a request instead of showing its window.
std::optional<Request> RequestOfSwitch(std::u16string_view argument);

// How a request ended. Every value but Done and NotWindows11 leaves the menu as it was.
enum class Outcome {
    Done,
    NotWindows11,           // nothing to do: the first menu does not exist
    DeploymentUnavailable,  // the system has no package manager (Wine, or a stripped Windows)
    PackageFileMissing,
    ModuleLacksCommand,  // the module in the install folder serves no first-menu command
    CertificateNotTrusted,
    Failed,        // the package manager reported an error
    NotConfirmed,  // no error reported, yet the package is not (or still) registered
    TimedOut,      // the package manager did not answer within kTimeLimitSeconds
};

struct Result {
    Outcome outcome = Outcome::Failed;
    std::u16string detail;  // the package manager's error text, or the package's full name
};

// The program's exit code for an outcome: 0 when the menu is as asked or nothing is to be done.
int ExitCode(Outcome outcome);

// What the user reads; packagePath names the package file, build the Windows build.
std::u16string Describe(Request request, const Result& result, std::u16string_view packagePath,
                        std::uint32_t build);

// The PowerShell script for a request. It prints "error: <text>" for a failure and then always
// "registered: <full name>", the name empty when the package is not registered for the user. An
// update refused because the package is in use (Explorer's first-menu helper holds the older version)
// is tried once more, shutting that helper down; Explorer starts it again when it needs it.
std::u16string Script(Request request, std::u16string_view packageName, std::u16string_view packagePath,
                      std::u16string_view installFolder);

// The script as PowerShell's -EncodedCommand takes it: base64 of its UTF-16LE bytes, which no
// command-line quoting can change.
std::u16string EncodedScript(std::u16string_view script);

// Reads the script's output. Its exit code counts for nothing: only a package that the script saw
// registered (or no longer registered) is a success.
Result ReadOutput(Request request, std::u16string_view packageName, std::u16string_view output);

// The configuration program's check box: shown only where the first menu exists and a click can do
// what it asks: the system has a package manager, and, to add the package, its file and a module that
// serves its command are there (packageReady). It acts at once, apart from OK and Cancel.
struct CheckBoxState {
    bool visible = false;
    bool checked = false;
    friend bool operator==(const CheckBoxState&, const CheckBoxState&) = default;
};
CheckBoxState CheckBox(std::uint32_t build, bool registered, bool deploymentAvailable, bool packageReady);
// What a click on the check box asks for, given its new state.
Request RequestOfCheck(bool checked);

// The per-user mark by which the classic handler knows, cheaply on every right-click, that the package
// is registered for the user: Windows then lists the package's command under "Show more options" too,
// and the classic handler adds nothing of its own there. The configuration program writes the mark
// (the package's full name) when it registers the package and deletes it when it removes it.
inline constexpr std::u16string_view kMarkKey = u"Software\\Brantwell\\Quillet";
inline constexpr std::u16string_view kMarkValue = u"FirstMenuPackage";

// The user's registry key under which Windows lists the package the mark names; empty when the mark
// cannot name one. A mark counts only while that key exists, so that a package removed some other way
// never hides the classic commands.
std::u16string ListedPackageKey(std::u16string_view mark);

}  // namespace quillet::firstmenu
