// Folder expansion on Windows (run under Wine) against a bare FindFirstFileW walk of the same tree
// that reads each entry's attributes, size and times, best of three runs each.
//   quillet_scan_bench.exe TREE_FOLDER
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/copy/FolderScan.h"
#include "platform/win32/Handles.h"

namespace {

using Clock = std::chrono::steady_clock;

class NoAbort final : public quillet::MAbortBase {
  public:
    void SetCurrentFolder(const std::u16string&) override {}
    bool CheckAbort() override { return false; }
};

// Walks the tree breadth-first; returns the number of files, summing sizes and times as it goes.
std::size_t Walk(const std::wstring& root, bool extended, unsigned long long& checksum) {
    std::vector<std::wstring> folders{root};
    std::size_t files = 0;
    while (!folders.empty()) {
        const std::wstring folder = folders.back();
        folders.pop_back();
        WIN32_FIND_DATAW data;
        const std::wstring search = folder + L"\\*";
        const quillet::platform::FolderSearchHandle find(
            extended ? FindFirstFileExW(search.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                        nullptr, FIND_FIRST_EX_LARGE_FETCH)
                     : FindFirstFileW(search.c_str(), &data));
        if (!find) {
            continue;
        }
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0) {
                    folders.push_back(folder + L"\\" + data.cFileName);
                }
            } else {
                ++files;
                checksum += data.nFileSizeLow + data.ftLastWriteTime.dwLowDateTime;
            }
        } while (FindNextFileW(find.Get(), &data));
    }
    return files;
}

template <typename Work>
double BestOfThree(Work work) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillet_scan_bench TREE_FOLDER\n");
        return 2;
    }
    const std::wstring root = argv[1];
    unsigned long long checksum = 0;
    std::size_t walked = 0;
    const double bare = BestOfThree([&] { walked = Walk(root, false, checksum); });
    const double bareEx = BestOfThree([&] { Walk(root, true, checksum); });

    quillet::ItemSelection selection;
    selection.AddPath(std::u16string(reinterpret_cast<const char16_t*>(root.c_str())));
    auto& folder = static_cast<quillet::FolderCFItem&>(*selection.Items().at(0));
    NoAbort never;
    std::size_t expanded = 0;
    const double expand = BestOfThree([&] {
        quillet::ExpandFolder(folder, never, {-1, {}, {}});
        expanded = folder.ExpandedFiles().size();
    });
    std::printf("files: walk %zu, expansion %zu (checksum %llu)\n", walked, expanded, checksum);
    std::printf("bare FindFirstFileW walk:        %8.1f ms\n", bare * 1000);
    std::printf("bare FindFirstFileExW walk:      %8.1f ms (basic information, large fetch)\n",
                bareEx * 1000);
    std::printf("ExpandFolder:                    %8.1f ms\n", expand * 1000);
    std::printf("ratio ExpandFolder / FindFirstFileW walk: %.2f\n", expand / bare);
    return walked == expanded ? 0 : 1;
}
