// The path forms against the plain path, on 100,000 files in 100 folders of one Git working tree
// (names with spaces and "#", so that a URL has something to encode), the best processor time of the
// runs (the steady figure on a machine shared with other work):
//   the copy: each file's status read, its item made and rendered with the format, one lookup object
//   for the copy (the working tree of each folder looked up afresh), as a copy does. $path:url and
//   $path:wsl are worked out for the Windows spelling of the same files (C:\Users\...), the form a
//   copy on Windows writes; $repopath walks the real tree;
//   the rendering alone, into a buffer that already has room: what the forms add to a copy at most.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/format/ItemFormat.h"
#include "platform/Files.h"
#include "platform/Utf.h"

namespace {

using namespace quillet;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The files of the working tree, by their real paths and spelled as on Windows.
struct Repository {
    std::vector<std::u16string> paths;
    std::vector<std::u16string> windowsPaths;
};

const Repository& TheRepository() {
    static const Repository repository = [] {
        const char* given = std::getenv("QUILLET_BENCH_TREE");
        const std::filesystem::path root =
            std::filesystem::path(given ? given : "/tmp") / "quillet-bench-repository";
        std::filesystem::create_directories(root / ".git");
        Repository made;
        for (int folder = 0; folder < kFolders; ++folder) {
            const std::string relative = "src/module " + std::to_string(folder) + "/core";
            std::filesystem::create_directories(root / relative);
            for (int file = 0; file < kFilesPerFolder; ++file) {
                const std::string name = relative + "/Source #" + std::to_string(file) + ".cpp";
                if (!std::filesystem::exists(root / name)) {
                    std::ofstream(root / name) << 'x';
                }
                made.paths.push_back(Utf8ToUtf16((root / name).string()));
                std::u16string windows = u"C:\\Users\\Ana\\Projects\\quillet\\" + Utf8ToUtf16(name);
                std::replace(windows.begin(), windows.end(), u'/', u'\\');
                made.windowsPaths.push_back(std::move(windows));
            }
        }
        return made;
    }();
    return repository;
}

struct Figures {
    double copy = 0;
    double render = 0;
};

// The best times of copies of the files with the format, each file's status read from its real path
// and its item spelled as given.
Figures Best(const std::vector<std::u16string>& spelled, std::u16string_view text, PathStyle style) {
    const std::vector<std::u16string>& real = TheRepository().paths;
    CopyFormat format;
    format.parts = ParseItemFormat(FormatCursor(text), EscapeMode::FullEscapes, FormatPlacement::Alone).parts;
    Figures best{1e9, 1e9};
    TextBuffer buffer;
    for (int run = 0; run < 10; ++run) {
        buffer.Clear();
        const double start = ThreadCpuSeconds();
        ItemSelection selection;
        StampConverter stamps;
        platform::FolderEntry entry;
        for (std::size_t i = 0; i < real.size(); ++i) {
            if (platform::QueryFileEntry(real[i], entry)) {
                selection.Add(MakeSelectedItem(BorrowedPath{spelled[i]}, entry, stamps));
            }
        }
        selection.Flatten();
        const double rendering = ThreadCpuSeconds();
        PathLookups lookups(style);
        for (const CFItem* item : selection.Flat()) {
            format.RenderItem(*item, buffer, lookups);
            buffer.AppendText(u"\n");
        }
        const double end = ThreadCpuSeconds();
        best.copy = std::min(best.copy, end - start);
        best.render = std::min(best.render, end - rendering);
        benchmark::DoNotOptimize(buffer.Data());
    }
    return best;
}

void Report(benchmark::State& state, const char* name, const Figures& form, const Figures& plain) {
    state.counters[std::string(name) + "_copy_ms"] = form.copy * 1000;
    state.counters[std::string(name) + "_copy_ratio"] = form.copy / plain.copy;
    state.counters[std::string(name) + "_render_ratio"] = form.render / plain.render;
}

void BM_PathFormsVsPlainPath(benchmark::State& state) {
    const Repository& repository = TheRepository();
    for (auto _ : state) {
        const Figures windowsPath = Best(repository.windowsPaths, u"$path", PathStyle::Windows);
        const Figures path = Best(repository.paths, u"$path", kPlatformPathStyle);
        state.counters["path_copy_ms"] = path.copy * 1000;
        Report(state, "url", Best(repository.windowsPaths, u"$path:url", PathStyle::Windows), windowsPath);
        Report(state, "wsl", Best(repository.windowsPaths, u"$path:wsl", PathStyle::Windows), windowsPath);
        Report(state, "repopath", Best(repository.paths, u"$repopath", kPlatformPathStyle), path);
    }
}
BENCHMARK(BM_PathFormsVsPlainPath)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
