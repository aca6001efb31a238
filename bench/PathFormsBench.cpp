// The path forms against the plain path, each rendering 100,000 items as a copy does (one item
// format, one lookup object for the copy), best of the runs:
//   $path:url and $path:wsl of Windows paths (the Windows forms, worked out here on Linux) against
//   $path of the same paths;
//   $repopath of 100,000 files in 100 folders of one working tree on disk (the lookup of each folder's
//   tree included, made afresh for every copy) against $path of the same files.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/format/ItemFormat.h"
#include "platform/Utf.h"

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kItems = 100000;

std::vector<std::unique_ptr<CFItem>> Items(const std::vector<std::u16string>& paths) {
    std::vector<std::unique_ptr<CFItem>> items;
    for (const std::u16string& path : paths) {
        items.push_back(std::make_unique<FileCFItem>(path, ItemStamps{}, 0));
    }
    return items;
}

// The best time of rendering every item with the format, one lookup object per run as one copy has.
double BestRender(const std::vector<std::unique_ptr<CFItem>>& items, std::u16string_view text,
                  PathStyle style, int runs) {
    CopyFormat format;
    format.parts = ParseItemFormat(FormatCursor(text), EscapeMode::FullEscapes, FormatPlacement::Alone).parts;
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        TextBuffer buffer;
        const auto start = Clock::now();
        PathLookups lookups(style);
        for (const auto& item : items) {
            format.RenderItem(*item, buffer, lookups);
            buffer.AppendText(u"\n");
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
        benchmark::DoNotOptimize(buffer.Data());
    }
    return best;
}

void BM_UrlAndWslVsPlainPath(benchmark::State& state) {
    std::vector<std::u16string> paths;
    for (std::size_t i = 0; i < kItems; ++i) {
        paths.push_back(u"C:\\Users\\Ana\\Documents\\Project Reports " +
                        Utf8ToUtf16(std::to_string(i % 100)) + u"\\Quarterly figures #" +
                        Utf8ToUtf16(std::to_string(i)) + u".final.xlsx");
    }
    const auto items = Items(paths);
    double plain = 0;
    double url = 0;
    double wsl = 0;
    for (auto _ : state) {
        plain = BestRender(items, u"$path", PathStyle::Windows, 5);
        url = BestRender(items, u"$path:url", PathStyle::Windows, 5);
        wsl = BestRender(items, u"$path:wsl", PathStyle::Windows, 5);
    }
    state.counters["path_ms"] = plain * 1000;
    state.counters["url_ms"] = url * 1000;
    state.counters["wsl_ms"] = wsl * 1000;
    state.counters["url_ratio_vs_path"] = url / plain;
    state.counters["wsl_ratio_vs_path"] = wsl / plain;
}
BENCHMARK(BM_UrlAndWslVsPlainPath)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RepositoryPathVsPlainPath(benchmark::State& state) {
    const char* given = std::getenv("QUILLET_BENCH_TREE");
    const std::filesystem::path root =
        std::filesystem::path(given ? given : "/tmp") / "quillet-bench-repository";
    std::filesystem::create_directories(root / ".git");
    std::vector<std::u16string> paths;
    for (std::size_t folder = 0; folder < 100; ++folder) {
        const std::filesystem::path sub = root / "src" / ("module" + std::to_string(folder)) / "core";
        std::filesystem::create_directories(sub);
        for (std::size_t file = 0; file < kItems / 100; ++file) {
            paths.push_back(Utf8ToUtf16((sub / ("Source" + std::to_string(file) + ".cpp")).string()));
        }
    }
    const auto items = Items(paths);
    double plain = 0;
    double repository = 0;
    for (auto _ : state) {
        plain = BestRender(items, u"$path", kPlatformPathStyle, 5);
        repository = BestRender(items, u"$repopath", kPlatformPathStyle, 5);
    }
    std::filesystem::remove_all(root);
    state.counters["path_ms"] = plain * 1000;
    state.counters["repopath_ms"] = repository * 1000;
    state.counters["repopath_ratio_vs_path"] = repository / plain;
}
BENCHMARK(BM_RepositoryPathVsPlainPath)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
