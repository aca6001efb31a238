// How long the shell extension takes to read a large command file while Explorer opens its menu, and
// the configuration program to read and save it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/commands/CommandFile.h"

namespace {

using namespace quillet;

constexpr int kLines = 10000;

// A command file of kLines lines: comments, built-in commands, sub-menus and user-defined copies of
// every kind, the way a long list written by hand or by the configuration program looks.
std::string MakeCommandFile() {
    const char* const kinds[] = {
        "Copy &Names:%QUILLET",
        "; copies of paths",
        "Full &Path(s) %d:$path[\\n]",
        "Forward %d:$path:forwardslash[\\n]",
        "Quoted %d:\"$path\"[ ]",
        "Table %d:$name\\t$size:auto\\t$moddate:shortdatetime[\\n]Name\\tSize\\tModified\\n|\\nEnd|1",
        "Escapes %d:\\[$namenoext\\] \\$ $ext;x[, ]<|>|1",
        "More %d:%SUBFOLDER",
        "",
        "Rename:%PASTEFILENAME",
    };
    std::string text = "\xEF\xBB\xBF";
    for (int i = 0; i < kLines; ++i) {
        std::string line = kinds[i % std::size(kinds)];
        if (const std::size_t at = line.find("%d"); at != std::string::npos) {
            line.replace(at, 2, std::to_string(i));
        }
        text += line + "\r\n";
    }
    return text;
}

class CommandFileFixture {
  public:
    CommandFileFixture() : path_(std::filesystem::temp_directory_path() / "quillet-bench-Cmds.txt") {
        std::ofstream(path_, std::ios::binary) << MakeCommandFile();
    }
    ~CommandFileFixture() { std::filesystem::remove(path_); }
    std::u16string Path() const { return path_.u16string(); }
    std::uintmax_t Size() const { return std::filesystem::file_size(path_); }

  private:
    std::filesystem::path path_;
};

void Load(benchmark::State& state, EscapeMode mode) {
    const CommandFileFixture file;
    std::size_t commands = 0;
    for (auto _ : state) {
        const CommandList list = ReadCommandFile(file.Path(), mode).list;
        commands = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["commands"] = static_cast<double>(commands);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Size()));
}

void BM_LoadShellExtension(benchmark::State& state) {
    Load(state, EscapeMode::FullEscapes);
}
void BM_LoadConfigurationProgram(benchmark::State& state) {
    Load(state, EscapeMode::EditorEscapes);
}

void BM_Save(benchmark::State& state) {
    const CommandFileFixture file;
    const CommandList list = ReadCommandFile(file.Path(), EscapeMode::EditorEscapes).list;
    for (auto _ : state) {
        std::u16string error;
        if (!SaveCommandFile(file.Path(), list, error)) {
            state.SkipWithError("save failed");
        }
    }
}

BENCHMARK(BM_LoadShellExtension)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadConfigurationProgram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

}  // namespace
