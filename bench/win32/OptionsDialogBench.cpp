// How the Options dialog answers while it lists a large folder: the dialog opened on one folder,
// "Add files from folders" clicked, and the dialog's thread asked every few milliseconds to answer a
// message until the list is shown. Prints the time to the list and the longest wait for an answer.
// Then each option change a user makes on that list, dates included (Add date, each date format,
// each sort order in turn, as arrowing through the list does), with how long each keeps the dialog
// from answering, and the longest of them. Run it under Wine or Windows, on a display:
//   quillet_options_dialog_bench FOLDER
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "OptionsDialogIds.h"
#include "platform/win32/Handles.h"
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

    // Each change sent as the control sends it: the call returns once the dialog has handled it.
    const auto choose = [dialog](int id, int index) {
        const HWND list = GetDlgItem(dialog, id);
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    };
    struct Change {
        const char* name;
        std::function<void()> make;
    };
    std::vector<Change> changes = {
        {"Add date", [dialog] { SendMessageW(GetDlgItem(dialog, IDC_ADD_DATE), BM_CLICK, 0, 0); }},
        {"Add size", [dialog] { SendMessageW(GetDlgItem(dialog, IDC_ADD_SIZE), BM_CLICK, 0, 0); }},
    };
    for (int format = 1; format < 4; ++format) {
        changes.push_back({"date format", [choose, format] { choose(IDC_DATE_FORMAT, format); }});
    }
    const int sorts = static_cast<int>(SendDlgItemMessageW(dialog, IDC_SORT, CB_GETCOUNT, 0, 0));
    for (int order = 1; order < sorts; ++order) {
        changes.push_back({"sort order", [choose, order] { choose(IDC_SORT, order); }});
    }
    changes.push_back({"sort as selected", [choose] { choose(IDC_SORT, 0); }});
    // The dialog thread's own processor time beside the wall time: on a machine shared with other
    // work the wall time also counts the turns the thread waited for.
    const quillet::platform::UniqueKernelObject dialogThreadOwner(
        OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId));
    const HANDLE dialogThreadHandle = dialogThreadOwner.Get();
    const auto threadMilliseconds = [dialogThreadHandle] {
        FILETIME created{}, exited{}, kernel{}, user{};
        GetThreadTimes(dialogThreadHandle, &created, &exited, &kernel, &user);
        const auto ticks = [](const FILETIME& time) {
            return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
        };
        return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
    };
    double longestChange = 0;
    double longestChangeCpu = 0;
    for (const Change& change : changes) {
        const Clock::time_point asked = Clock::now();
        const double cpuBefore = threadMilliseconds();
        change.make();
        const double took = Milliseconds(Clock::now() - asked);
        const double cpu = threadMilliseconds() - cpuBefore;
        longestChange = std::max(longestChange, took);
        longestChangeCpu = std::max(longestChangeCpu, cpu);
        std::printf("  %-18s %8.0f ms (dialog thread's processor time %.0f ms)\n", change.name, took, cpu);
    }
    std::printf(
        "longest block of an option change with dates %8.0f ms, processor time %.0f ms (goal: at most "
        "500 ms)\n",
        longestChange, longestChangeCpu);
    const Clock::time_point ok = Clock::now();
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    dialogThread.join();
    std::printf("OK, the whole text made and copied %8.0f ms\n", Milliseconds(Clock::now() - ok));
    return 0;
}
