// Start-up of the configuration program under Wine (or on Windows): from the process start to its
// dialog waiting for input (WaitForInputIdle), with a 1,000-command list as the user's file, against
// a bare program that shows the same template empty. Both are measured in the same run, alternately.
// Usage: quillet_prefs_startup_bench SCRIVELPREFS_EXE BARE_EXE [ROUNDS [COMMANDS]]
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "SharedIds.h"
#include "platform/win32/Handles.h"

namespace {

namespace fs = std::filesystem;

// Starts the program, waits until it waits for input, then closes its windows; the milliseconds to idle.
double TimeToIdle(const std::wstring& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"";
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    const quillet::platform::UniqueKernelObject processOwner(process.hProcess);
    const quillet::platform::UniqueKernelObject threadOwner(process.hThread);
    const DWORD idle = WaitForInputIdle(process.hProcess, 30000);
    const auto ready = std::chrono::steady_clock::now();
    EnumThreadWindows(
        process.dwThreadId,
        [](HWND window, LPARAM) -> BOOL {
            PostMessageW(window, WM_CLOSE, 0, 0);
            return TRUE;
        },
        0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    return idle == 0 ? std::chrono::duration<double, std::milli>(ready - start).count() : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: quillet_prefs_startup_bench SCRIVELPREFS_EXE BARE_EXE [ROUNDS [COMMANDS]]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 7;
    const int commands = argc > 4 ? std::max(0, _wtoi(argv[4])) : 1000;
    wchar_t appData[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData))) {
        return 1;
    }
    // The user's list is replaced for the run and put back afterwards.
    const fs::path folder = fs::path(appData) / L"Brantwell" / L"Quillet";
    const fs::path list = folder / (L"" QUILLET_COMMAND_FILE);
    const fs::path saved = folder / (L"" QUILLET_COMMAND_FILE ".bench-saved");
    fs::create_directories(folder);
    const bool hadList = fs::exists(list);
    if (hadList) {
        fs::rename(list, saved);
    }
    {
        std::ofstream out(list, std::ios::binary);
        out << "\xEF\xBB\xBF";
        for (int i = 0; i < commands; ++i) {
            if (i % 100 == 50) {
                out << "Group " << i << ":%SUBFOLDER\r\n";
            }
            out << "Command " << i << ":\"$path\"\\t$size:auto[, ]<[>]1\r\n";
        }
    }
    std::vector<double> program;
    std::vector<double> bare;
    TimeToIdle(argv[1]);  // warm the file cache and Wine's loader once
    for (int i = 0; i < rounds; ++i) {
        program.push_back(TimeToIdle(argv[1]));
        bare.push_back(TimeToIdle(argv[2]));
    }
    fs::remove(list);
    if (hadList) {
        fs::rename(saved, list);
    }
    if (std::find(program.begin(), program.end(), -1.0) != program.end() ||
        std::find(bare.begin(), bare.end(), -1.0) != bare.end()) {
        std::fprintf(stderr, "a program did not start or never waited for input\n");
        return 1;
    }
    const double ratio = Median(program) / Median(bare);
    std::printf("start-up to input idle, median of %d (%d commands)\n", rounds, commands);
    std::printf(
        "  ScrivelPrefs.exe   %8.1f ms\n  bare dialog        %8.1f ms\n  ratio              %8.2fx "
        "(goal at most 1.5x: %s)\n",
        Median(program), Median(bare), ratio, ratio <= 1.5 ? "met" : "NOT met");
    return 0;
}
