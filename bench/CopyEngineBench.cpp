// The copy engine against the bare minimum the same work needs, measured in one run:
//   expanding 200,000 files in 20,000 folders against a bare C walk of the tree (opendir, readdir,
//   fstatat) and against find reading the same sizes and times;
//   the copy of 100,000 selected paths against a loop that only stats them;
//   sorting 1,000,000 items by name against std::sort of the same names with the same comparison;
//   sorting 200,000 names with numbers by value against sorting them by name;
//   the peak heap bytes per expanded file.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

#include "BenchTree.h"
#include "core/copy/CopyOptions.h"
#include "core/copy/CopyText.h"
#include "core/copy/FolderScan.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "platform/posix/Handles.h"

// Heap accounting for the memory figure: every allocation of the program passes through here.
namespace {
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

void* Allocate(std::size_t size) {
    void* block = std::malloc(size + 16);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(block) = size;
    const std::size_t live = liveBytes += size;
    std::size_t peak = peakBytes.load();
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(block) + 16;
}

void Release(void* pointer) {
    if (pointer != nullptr) {
        void* block = static_cast<char*>(pointer) - 16;
        liveBytes -= *static_cast<std::size_t*>(block);
        std::free(block);
    }
}
}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* pointer) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    Release(pointer);
}

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

const std::filesystem::path& TreeRoot() {
    static const std::filesystem::path root = [] {
        const char* given = std::getenv("QUILLET_BENCH_TREE");
        std::filesystem::path path = given ? given : "/tmp/quillet-bench-tree";
        bench::MakeTree(path);
        return path;
    }();
    return root;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The best wall-clock time and the best CPU time (user and system, of this thread) of several runs
// of one piece of work. On a machine shared with other work the CPU time is the steadier figure:
// it leaves out the time the thread waited for a processor.
class BestTime {
  public:
    template <typename Work>
    void Measure(Work work) {
        const auto wallStart = Clock::now();
        const double cpuStart = ThreadCpuSeconds();
        work();
        cpu_ = std::min(cpu_, ThreadCpuSeconds() - cpuStart);
        wall_ = std::min(wall_, Seconds(Clock::now() - wallStart));
    }
    double Wall() const { return wall_; }
    double Cpu() const { return cpu_; }

  private:
    double wall_ = 1e9;
    double cpu_ = 1e9;
};

class NoAbort final : public MAbortBase {
  public:
    void SetCurrentFolder(const std::u16string&) override {}
    bool CheckAbort() override { return false; }
};

// The best of three runs of find over the tree, printing what the expansion captures of each file.
double FindSeconds() {
    const std::string command =
        "find '" + (TreeRoot() / "Tree").string() + "' -type f -printf '%p\\t%s\\t%T@\\n' >/dev/null";
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            return 0;
        }
        best = std::min(best, Seconds(Clock::now() - start));
    }
    return best;
}

// The bare walk of the tree: what reading it costs without making a single item. Each folder is
// opened by its full path and each entry that is not a folder is stat'ed through the folder's
// descriptor, as the expansion does; hidden entries are skipped. Returns the number of files.
std::size_t BareWalk(char* path, std::size_t length, std::uint64_t& checksum) {
    const quillet::platform::FolderStream folder(opendir(path));
    if (!folder) {
        return 0;
    }
    DIR* const dir = folder.Get();
    std::size_t files = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        if (entry->d_type == DT_DIR) {
            const std::size_t name = std::strlen(entry->d_name);
            path[length] = '/';
            std::memcpy(path + length + 1, entry->d_name, name + 1);
            files += BareWalk(path, length + 1 + name, checksum);
            path[length] = 0;
            continue;
        }
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, 0) == 0) {
            checksum +=
                static_cast<std::uint64_t>(st.st_size) + static_cast<std::uint64_t>(st.st_mtim.tv_sec);
            ++files;
        }
    }
    return files;
}

void BM_ExpandTreeVsBareWalk(benchmark::State& state) {
    const std::string tree = (TreeRoot() / "Tree").string();
    const std::u16string folder = Utf8ToUtf16(tree);
    const double find = FindSeconds();
    ItemSelection selection;
    selection.AddPath(folder);
    auto& item = static_cast<FolderCFItem&>(*selection.Items()[0]);
    NoAbort never;
    BestTime expand;
    BestTime bare;
    std::size_t files = 0;
    std::size_t walked = 0;
    std::uint64_t checksum = 0;
    std::vector<char> path(4096);
    for (auto _ : state) {
        std::memcpy(path.data(), tree.c_str(), tree.size() + 1);
        bare.Measure([&] { walked = BareWalk(path.data(), tree.size(), checksum); });
        expand.Measure([&] { ExpandFolder(item, never, {-1, {}, {}}); });
        files = item.ExpandedFiles().size();
        state.PauseTiming();
        CollapseFolder(item);
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(checksum);
    if (walked != files) {
        state.SkipWithError("the bare walk and the expansion found different numbers of files");
    }
    state.counters["files"] = static_cast<double>(files);
    state.counters["find_ms"] = find * 1000;
    state.counters["bare_ms"] = bare.Wall() * 1000;
    state.counters["best_ms"] = expand.Wall() * 1000;
    state.counters["bare_cpu_ms"] = bare.Cpu() * 1000;
    state.counters["cpu_ms"] = expand.Cpu() * 1000;
    state.counters["ratio_vs_find"] = expand.Wall() / find;
    state.counters["ratio_vs_bare"] = expand.Wall() / bare.Wall();
    state.counters["cpu_ratio_vs_bare"] = expand.Cpu() / bare.Cpu();
}
BENCHMARK(BM_ExpandTreeVsBareWalk)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ExpandPeakHeapPerFile(benchmark::State& state) {
    const std::u16string folder = Utf8ToUtf16((TreeRoot() / "Tree").string());
    for (auto _ : state) {
        ItemSelection selection;
        selection.AddPath(folder);
        auto& item = static_cast<FolderCFItem&>(*selection.Items()[0]);
        NoAbort never;
        const std::size_t before = liveBytes.load();
        peakBytes = before;
        ExpandFolder(item, never, {-1, {}, {}});
        selection.expand = true;
        selection.Flatten();
        state.counters["peak_bytes_per_file"] =
            static_cast<double>(peakBytes.load() - before) / static_cast<double>(item.ExpandedFiles().size());
        state.counters["kept_bytes_per_file"] =
            static_cast<double>(liveBytes.load() - before) / static_cast<double>(item.ExpandedFiles().size());
    }
}
BENCHMARK(BM_ExpandPeakHeapPerFile)->Unit(benchmark::kMillisecond)->Iterations(1);

std::vector<std::u16string> SelectedPaths(std::size_t count) {
    std::vector<std::u16string> paths;
    for (int t = 0; t < bench::kTopFolders && paths.size() < count; ++t) {
        for (int s = 0; s < bench::kFoldersPerTop && paths.size() < count; ++s) {
            for (int f = 0; f < bench::kFilesPerFolder && paths.size() < count; ++f) {
                paths.push_back(Utf8ToUtf16(
                    (TreeRoot() / "Tree" / ("top" + std::to_string(t)) / ("sub" + std::to_string(s)) /
                     ("file" + std::to_string(f) + (f % 3 == 0 ? ".txt" : ".dat")))
                        .string()));
            }
        }
    }
    return paths;
}

void BM_CopySelectionVsStat(benchmark::State& state) {
    const std::vector<std::u16string> paths = SelectedPaths(100000);
    std::vector<std::string> narrow;
    for (const auto& path : paths) {
        narrow.push_back(Utf16ToUtf8(path));
    }
    const CopyFormat format = MakeDefaultCopyFormat(PathComponent::Path);
    BestTime stat;
    BestTime copy;
    for (auto _ : state) {
        stat.Measure([&] {
            std::uint64_t sizes = 0;
            for (const std::string& path : narrow) {
                struct stat st {};
                if (::stat(path.c_str(), &st) == 0) {
                    sizes += static_cast<std::uint64_t>(st.st_size);
                }
            }
            benchmark::DoNotOptimize(sizes);
        });
        // No clipboard program in the benchmark's environment: the copy text is built in full and
        // the clipboard step fails at once.
        copy.Measure([&] { benchmark::DoNotOptimize(CopySelection(paths, format)); });
    }
    state.counters["stat_ms"] = stat.Wall() * 1000;
    state.counters["copy_ms"] = copy.Wall() * 1000;
    state.counters["stat_cpu_ms"] = stat.Cpu() * 1000;
    state.counters["copy_cpu_ms"] = copy.Cpu() * 1000;
    state.counters["ratio_vs_stat"] = copy.Wall() / stat.Wall();
    state.counters["cpu_ratio_vs_stat"] = copy.Cpu() / stat.Cpu();
}
BENCHMARK(BM_CopySelectionVsStat)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SortByNameVsStdSort(benchmark::State& state) {
    constexpr std::size_t kItems = 1000000;
    std::mt19937 random(42);
    ItemSelection selection;
    for (std::size_t i = 0; i < kItems; ++i) {
        const std::string name = "Folder" + std::to_string(random() % 1000) + "/" +
                                 (random() % 2 ? "Photo_" : "photo-") + std::to_string(random() % 100000) +
                                 ".JPG";
        selection.Add(std::make_unique<FileCFItem>(Utf8ToUtf16("/data/" + name), ItemStamps{}, 0));
    }
    selection.Flatten();
    // The same names: views of the items' own names, where the selection's sort reads them too.
    std::vector<std::u16string_view> views;
    for (const CFItem* item : selection.Flat()) {
        views.push_back(item->Name());
    }
    selection.order = static_cast<std::uint32_t>(SortOrder::NameAscending);
    double bestOurs = 1e9;
    double bestStd = 1e9;
    for (auto _ : state) {
        std::vector<std::u16string_view> work = views;
        auto start = Clock::now();
        std::sort(work.begin(), work.end(),
                  [](std::u16string_view a, std::u16string_view b) { return CompareNames(a, b) < 0; });
        bestStd = std::min(bestStd, Seconds(Clock::now() - start));
        benchmark::DoNotOptimize(work.data());
        selection.Flatten();
        start = Clock::now();
        SortSelection(selection);
        bestOurs = std::min(bestOurs, Seconds(Clock::now() - start));
    }
    state.counters["std_sort_ms"] = bestStd * 1000;
    state.counters["sort_selection_ms"] = bestOurs * 1000;
    state.counters["ratio_vs_std_sort"] = bestOurs / bestStd;
}
BENCHMARK(BM_SortByNameVsStdSort)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_NaturalSortVsNameSort(benchmark::State& state) {
    constexpr std::size_t kItems = 200000;
    // Names as cameras, exports and people number them: most pairs meet at a digit run, where the
    // natural order reads numbers, some with leading zeros and several runs.
    const char* const stems[] = {"IMG_", "img_", "Scan ", "report-v", "file", "Chapter "};
    std::mt19937 random(7);
    ItemSelection selection;
    for (std::size_t i = 0; i < kItems; ++i) {
        const std::string number = std::to_string(random() % 100000);
        const std::string padded =
            random() % 4 == 0 ? std::string(5 - std::min<std::size_t>(5, number.size()), '0') + number
                              : number;
        const std::string name = stems[random() % std::size(stems)] + padded +
                                 (random() % 3 == 0 ? "-" + std::to_string(random() % 20) : "") + ".jpg";
        selection.Add(std::make_unique<FileCFItem>(Utf8ToUtf16("/data/" + name), ItemStamps{}, 0));
    }
    BestTime byName;
    BestTime byNumbers;
    for (auto _ : state) {
        selection.order = static_cast<std::uint32_t>(SortOrder::NameAscending);
        selection.Flatten();
        byName.Measure([&] { SortSelection(selection); });
        selection.order = static_cast<std::uint32_t>(SortOrder::NaturalNameAscending);
        selection.Flatten();
        byNumbers.Measure([&] { SortSelection(selection); });
    }
    state.counters["name_sort_ms"] = byName.Cpu() * 1000;
    state.counters["natural_sort_ms"] = byNumbers.Cpu() * 1000;
    state.counters["ratio_vs_name_sort"] = byNumbers.Cpu() / byName.Cpu();
}
BENCHMARK(BM_NaturalSortVsNameSort)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
