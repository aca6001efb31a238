#include "prefs/FirstMenuPackage.h"

#include <windows.h>
#include <roapi.h>
#include <winstring.h>

#include <filesystem>
#include <string>
#include <thread>

#include "SharedIds.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/System.h"
#include "platform/win32/WideString.h"
#include "shellext/FirstMenuMark.h"
#include "winui/Handles.h"

namespace quillet::prefs {
namespace {

using firstmenu::Outcome;
using firstmenu::Request;
using firstmenu::Result;

// The running program's folder (the install folder, where the package and the module lie) as a path.
std::filesystem::path InstallFolder() {
    return std::filesystem::path(platform::AsWide(platform::RunningModulePath())).parent_path();
}

// Whether the system's package manager can be activated: Windows 10 and 11 have it; Wine does not.
bool PackageDeploymentAvailable() {
    const platform::ComApartment com = platform::EnterComApartment();
    static constexpr wchar_t kClass[] = L"Windows.Management.Deployment.PackageManager";
    HSTRING_HEADER header{};
    HSTRING name = nullptr;
    if (FAILED(WindowsCreateStringReference(kClass, static_cast<UINT32>(std::size(kClass) - 1), &header,
                                            &name))) {
        return false;
    }
    platform::ComPtr<IUnknown> factory;
    return SUCCEEDED(RoGetActivationFactory(name, IID_IUnknown, factory.ReceiveAny()));
}

// Whether the module beside this program serves the command class that the package names: a package
// naming a class the module lacks would take the classic commands away and give nothing instead.
bool ModuleServesFirstMenuCommand(const std::filesystem::path& folder) {
    const winui::UniqueModule module(
        LoadLibraryExW((folder / QUILLET_MODULE_FILE).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) {
        return false;
    }
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module.Get(), "DllGetClassObject")));
    CLSID clsid{};
    const platform::ComApartment com = platform::EnterComApartment();
    platform::ComPtr<IClassFactory> factory;  // released before COM and the module go
    return getClassObject && SUCCEEDED(CLSIDFromString(L"{" QUILLET_FIRST_MENU_CLSID "}", &clsid)) &&
           SUCCEEDED(getClassObject(clsid, IID_IClassFactory, factory.ReceiveAny()));
}

// Runs PowerShell on the script for at most the request's time limit.
CapturedRun RunPowerShell(const std::u16string& script) {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        CapturedRun failed;
        failed.error = GetLastError();
        return failed;
    }
    const std::wstring program = std::wstring(system) + L"\\WindowsPowerShell\\v1.0\\powershell.exe";
    const std::u16string encoded = firstmenu::EncodedScript(script);
    return RunCaptured(program,
                       L"\"" + program +
                           L"\" -NoLogo -NoProfile -NonInteractive -ExecutionPolicy Bypass -EncodedCommand " +
                           std::wstring(encoded.begin(), encoded.end()),
                       firstmenu::kTimeLimitSeconds * 1000);
}

Result Run(Request request, std::uint32_t build, const std::filesystem::path& folder,
           const std::filesystem::path& package) {
    if (!PackageDeploymentAvailable()) {
        return {Outcome::DeploymentUnavailable, {}};
    }
    if (build < firstmenu::kFirstWindows11Build) {
        return {Outcome::NotWindows11, {}};
    }
    if (request == Request::Register) {
        if (!std::filesystem::is_regular_file(package)) {
            return {Outcome::PackageFileMissing, {}};
        }
        if (!ModuleServesFirstMenuCommand(folder)) {
            return {Outcome::ModuleLacksCommand, {}};
        }
    }
    const std::u16string name = u"" QUILLET_PACKAGE_NAME;
    const CapturedRun run =
        RunPowerShell(firstmenu::Script(request, name, package.u16string(), folder.u16string()));
    if (!run.started) {
        return {Outcome::Failed,
                FormatMessageText(MessageId::FirstMenuNoPowerShell, {static_cast<std::int64_t>(run.error)})};
    }
    if (run.timedOut) {
        return {Outcome::TimedOut, {}};
    }
    Result result = firstmenu::ReadOutput(request, name, Utf8ToUtf16(run.output));
    if (result.outcome != Outcome::Done) {
        return result;
    }
    // Registered: the mark names the package; removed: it goes.
    const LSTATUS status = shellext::WriteFirstMenuMark(request == Request::Register ? result.detail : u"");
    if (status != ERROR_SUCCESS) {
        return {Outcome::Failed,
                FormatMessageText(MessageId::FirstMenuMarkNotWritten, {static_cast<std::int64_t>(status)})};
    }
    return result;
}

}  // namespace

CapturedRun RunCaptured(const std::wstring& program, std::wstring commandLine,
                        std::uint32_t timeLimitMilliseconds) {
    CapturedRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        run.error = GetLastError();
        return run;
    }
    const winui::UniqueKernelObject reader(readEnd);
    winui::UniqueKernelObject writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    // Whatever the program starts ends with it at the time limit: a job that kills them all.
    const winui::UniqueKernelObject job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job) {
        SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &process)) {
        run.error = GetLastError();
        return run;
    }
    run.started = true;
    const winui::UniqueKernelObject processHandle(process.hProcess);
    const winui::UniqueKernelObject threadHandle(process.hThread);
    const bool inJob = job && AssignProcessToJobObject(job.Get(), process.hProcess);
    ResumeThread(process.hThread);
    writer.Reset();  // the pipe ends when the program's copy of it closes
    std::thread readOutput([&run, readEnd] {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            run.output.append(buffer, read);
        }
    });
    if (WaitForSingleObject(process.hProcess, timeLimitMilliseconds) != WAIT_OBJECT_0) {
        run.timedOut = true;
        if (!inJob || !TerminateJobObject(job.Get(), 1)) {
            TerminateProcess(process.hProcess, 1);
        }
    }
    readOutput.join();
    return run;
}

firstmenu::CheckBoxState FirstMenuCheckBox() {
    const std::uint32_t build = platform::WindowsBuild();
    if (build < firstmenu::kFirstWindows11Build) {
        return {};  // no first menu: nothing else to ask the system
    }
    const std::filesystem::path folder = InstallFolder();
    const bool registered = shellext::FirstMenuPackageRegistered();
    const bool packageReady =
        std::filesystem::is_regular_file(folder / std::u16string(firstmenu::kPackageFile)) &&
        ModuleServesFirstMenuCommand(folder);
    return firstmenu::CheckBox(build, registered, PackageDeploymentAvailable(), packageReady);
}

FirstMenuReport RunFirstMenuRequest(Request request) {
    const std::uint32_t build = platform::WindowsBuild();
    const std::filesystem::path folder = InstallFolder();
    const std::filesystem::path package = folder / std::u16string(firstmenu::kPackageFile);
    FirstMenuReport report;
    report.result = Run(request, build, folder, package);
    report.message = firstmenu::Describe(request, report.result, package.u16string(), build);
    return report;
}

}  // namespace quillet::prefs
