// How the Options dialog answers while it lists a large folder: the dialog opened on one folder,
// "Add files from folders" clicked, and the dialog's thread asked every few milliseconds to answer a
// message until the list is shown. Prints the time to the list and the longest wait for an answer.
// Run it under Wine or Windows:
//   quillet_options_dialog_bench FOLDER
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "OptionsDialogIds.h"
#include "shellext/ui/OptionsDlg.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

struct Found {
    DWORD thread;
    const wchar_t* title;
    HWND window;
};

// The visible dialog window of the thread with this title, or null.
HWND FindDialog(DWORD thread, const wchar_t* title) {
    Found found{thread, title, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM param) -> BOOL {
            auto* wanted = reinterpret_cast<Found*>(param);
            wchar_t text[64] = {};
            GetWindowTextW(window, text, 64);
            if (IsWindowVisible(window) && wcscmp(text, wanted->title) == 0) {
                wanted->window = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.window;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillet_options_dialog_bench FOLDER\n");
        return 2;
    }
    const std::u16string folder(reinterpret_cast<const char16_t*>(argv[1]));
    DWORD threadId = 0;
    std::thread dialogThread([&folder, &threadId] {
        threadId = GetCurrentThreadId();
        const std::u16string paths[] = {folder};
        quillet::shellext::ShowOptionsDialog(paths, GetActiveWindow());
    });
    HWND dialog = nullptr;
    for (int attempt = 0; attempt < 1000 && !dialog; ++attempt) {
        Sleep(10);
        dialog = threadId ? FindDialog(threadId, L"Quillet") : nullptr;
    }
    if (!dialog) {
        std::fprintf(stderr, "the dialog did not appear\n");
        dialogThread.detach();
        return 1;
    }

    const Clock::time_point start = Clock::now();
    PostMessageW(GetDlgItem(dialog, IDC_ADD_FOLDER_FILES), BM_CLICK, 0, 0);
    double longest = 0;
    double readingClosed = 0;
    bool sawReading = false;
    for (;;) {
        const Clock::time_point asked = Clock::now();
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &ignored);
        longest = std::max(longest, Milliseconds(Clock::now() - asked));
        const bool reading = FindDialog(threadId, L"Reading folders") != nullptr;
        sawReading = sawReading || reading;
        if (sawReading && !reading && readingClosed == 0) {
            readingClosed = Milliseconds(Clock::now() - start);
        }
        if (sawReading && !reading && IsWindowEnabled(dialog)) {
            break;
        }
        Sleep(20);
    }
    const double listed = Milliseconds(Clock::now() - start);
    wchar_t summary[128] = {};
    GetDlgItemTextW(dialog, IDC_SUMMARY, summary, 128);
    std::printf("%ls\n", summary);
    std::printf("list shown after %8.0f ms (reading window closed after %.0f ms)\n", listed, readingClosed);
    std::printf("longest wait for an answer %8.0f ms (goal: at most 500 ms)\n", longest);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    dialogThread.join();
    return 0;
}
