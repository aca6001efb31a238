// How much the folder scan pays for keeping its window responsive: a tree of many files expanded with
// no message handling, with a message loop run after every entry, and with the loop run only when
// the queue holds something (what the "Reading folders" window does). Run it under Wine or Windows:
//   quillet_scan_progress_bench [folders] [files per folder]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/copy/FolderScan.h"
#include "core/format/Items.h"

namespace {

using quillet::MAbortBase;

class NoDispatch final : public MAbortBase {
  public:
    void SetCurrentFolder(const std::u16string&) override {}
    bool CheckAbort() override { return false; }
};

class DispatchAlways final : public MAbortBase {
  public:
    void SetCurrentFolder(const std::u16string&) override {}
    bool CheckAbort() override {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return false;
    }
};

class DispatchWhenWaiting final : public MAbortBase {
  public:
    void SetCurrentFolder(const std::u16string&) override {}
    bool CheckAbort() override {
        if (HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        return false;
    }
};

class DispatchWhenWaitingEvery10Ms final : public MAbortBase {
  public:
    void SetCurrentFolder(const std::u16string&) override {}
    bool CheckAbort() override {
        const ULONGLONG now = GetTickCount64();
        if (now - lastLook_ < 10) {
            return false;
        }
        lastLook_ = now;
        if (HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        return false;
    }

  private:
    ULONGLONG lastLook_ = 0;
};

// The median time of a few expansions of the folder, in milliseconds.
double MedianMilliseconds(const std::u16string& folder, MAbortBase& abort, std::size_t& files) {
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        quillet::ItemSelection selection;
        selection.AddPath(folder);
        selection.Flatten();
        const auto start = std::chrono::steady_clock::now();
        quillet::ExpandSelection(selection, quillet::ExpansionSettings{}, abort);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        files = selection.Flat().size();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int folders = argc > 1 ? std::atoi(argv[1]) : 20;
    const int filesPerFolder = argc > 2 ? std::atoi(argv[2]) : 500;
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "quillet-scan-bench";
    std::filesystem::remove_all(root);
    for (int f = 0; f < folders; ++f) {
        const std::filesystem::path folder = root / ("folder" + std::to_string(f));
        std::filesystem::create_directories(folder);
        for (int i = 0; i < filesPerFolder; ++i) {
            std::ofstream(folder / ("file" + std::to_string(i) + ".txt")) << 'x';
        }
    }

    NoDispatch none;
    DispatchAlways always;
    DispatchWhenWaiting whenWaiting;
    DispatchWhenWaitingEvery10Ms throttled;
    const std::pair<const char*, MAbortBase*> variants[] = {
        {"no message handling", &none},
        {"message loop after every entry", &always},
        {"message loop only when messages wait", &whenWaiting},
        {"the same, looking at most every 10 ms", &throttled},
    };
    for (const auto& [name, abort] : variants) {
        std::size_t files = 0;
        const double ms = MedianMilliseconds(root.u16string(), *abort, files);
        std::printf("%-40s %8.1f ms for %zu files (%.2f us per file)\n", name, ms, files,
                    ms * 1000.0 / files);
    }
    std::filesystem::remove_all(root);
    return 0;
}
