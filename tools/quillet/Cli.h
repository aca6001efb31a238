// The pieces of the quillet command line: its output, its arguments and the paths it reads.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/commands/CommandFile.h"
#include "core/copy/CopyOptions.h"
#include "core/format/Items.h"
#include "platform/UniqueHandle.h"

namespace quillet::cli {

// A mistake in the command line: reported with its message and exit status 2.
class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::u16string& message);
    std::u16string message;
};

// Input that a run cannot do without (a path list, a command file): reported, exit status 1.
class ReadFailure : public std::runtime_error {
  public:
    explicit ReadFailure(const std::u16string& message);
    std::u16string message;
};

// How text reaches a stream that is not a console. Windows writes UTF-16 to a console itself.
enum class OutputEncoding {
    Utf8,             // UTF-8; on POSIX the bytes of names that are not UTF-8 come out unchanged
    ConsoleCodePage,  // Windows: the console's output code page (for "for /f" in batch files)
};

// Standard output or standard error, buffered. A failed write is remembered (with the system's
// reason) and nothing more is written; Finish reports it.
class Output {
  public:
    explicit Output(std::FILE* stream);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void SetEncoding(OutputEncoding encoding) { encoding_ = encoding; }
    // The copy text's line ends are CR LF, the clipboard's; on POSIX they are written as LF, what
    // terminals and pipes there expect, unless this asks for CR LF. Windows always writes CR LF, every
    // line of every text (the help, messages) alike.
    void KeepCrLf() { keepCrLf_ = true; }
    void Write(std::u16string_view text);
    // Writes what is buffered; false when any write failed.
    bool Flush();
    const std::u16string& Failure() const { return failure_; }

  private:
    void WriteBytes(std::string_view bytes);

    std::FILE* stream_;
    [[maybe_unused]] bool console_ = false;  // read only where a console can be written to (Windows)
    OutputEncoding encoding_ = OutputEncoding::Utf8;
#ifdef _WIN32
    bool keepCrLf_ = true;
#else
    bool keepCrLf_ = false;
#endif
    std::u16string pending_;
    char16_t last_ = 0;  // the last character written, with CR LF line ends
    std::u16string failure_;
};

Output& Out();
Output& Err();
// "quillet: " + text + line break on standard error.
void Report(std::u16string_view text);

// The options of a subcommand: each name with whether it takes a value, and the mode it belongs to
// (0 for every mode of the subcommand), so that an option of another mode is refused by name.
struct OptionSpec {
    std::u16string_view name;
    bool takesValue = false;
    int mode = 0;
};

struct ParsedOption {
    std::u16string_view name;
    std::u16string value;
};

struct ParsedArguments {
    std::vector<ParsedOption> options;  // in the order given
    std::vector<std::u16string> operands;
};

// Splits the arguments after the subcommand into options and operands: options may come anywhere
// before "--", "--name=value" is "--name value", and everything after "--" is an operand, as is "-".
// Throws UsageError for an unknown option, one of another mode than `mode` (0: every mode), or a
// value missing.
ParsedArguments ParseArguments(std::span<const std::u16string> args, std::span<const OptionSpec> rules,
                               int mode, std::u16string_view modeName);

// The decimal integer of text within [low, high]; UsageError naming the option otherwise.
int ParseNumber(std::u16string_view option, std::u16string_view text, int low, int high);

// Standard input's bytes, at most limit of them; empty with the system's reason in error when it
// cannot be read or holds more.
std::optional<std::string> ReadStandardInput(std::uint64_t limit, std::u16string& error);

// The longest path a list line may hold, in characters: Windows' longest path.
inline constexpr std::size_t kMaxListedPath = 32767;

// One --paths-from list (a file, or standard input for "-"), read a piece at a time so that a list of
// any length takes the memory of one line. One path a line (a carriage return before the line feed
// dropped) or, with nulSeparated, one per NUL-terminated run; empty entries are skipped. UTF-8 (a
// byte order mark skipped; on POSIX other bytes kept as they are) or, after its byte order mark,
// UTF-16 as Windows PowerShell writes it.
class PathList {
  public:
    // ReadFailure when the list cannot be opened.
    PathList(const std::u16string& name, bool nulSeparated);
    PathList(const PathList&) = delete;
    PathList& operator=(const PathList&) = delete;

    // The next path, or empty at the end of the list. ReadFailure when the list cannot be read, or
    // holds an entry that no path could be: one longer than kMaxListedPath, or a line holding a NUL
    // (a NUL-terminated list read without -0), which would name one file and open another.
    std::optional<std::u16string> Next();

  private:
    bool Fill();
    std::u16string Decode(std::string_view entry) const;
    std::u16string EntryName(std::uint64_t entry) const;
    [[noreturn]] void Fail(const std::u16string& why) const;

    std::u16string name_;
    platform::UniqueStdioFile ownedFile_;  // the list's file, unless it is standard input
    std::FILE* file_ = nullptr;
    bool nulSeparated_;
    bool ended_ = false;
    int unit_ = 0;  // bytes a character takes: 1 (UTF-8) or 2 (UTF-16); 0 until the start is read
    bool bigEndian_ = false;
    std::string buffer_;
    std::size_t start_ = 0;    // where the next entry begins in buffer_
    std::size_t scanned_ = 0;  // how far past start_ no separator was found
    std::uint64_t entry_ = 0;  // entries read, counted from 1 in messages
};

// An argument's text as the program received it (POSIX: bytes decoded losslessly).
std::u16string FromNative(std::string_view bytes);

#ifdef _WIN32
// The arguments after the program's name, split as the C runtime splits the command line; the ones
// typed without quotes that hold "*" or "?" are remembered for ExpandWildcards.
std::vector<std::u16string> CommandLineArguments();
// Each such path replaced by the names it matches (in name order), as the runtime expands the
// arguments of the programs that ask it to. One that matches nothing is reported and left out, and
// status set to 1.
std::vector<std::u16string> ExpandWildcards(std::vector<std::u16string> paths, int& status);
#endif

// The options every subcommand that reads paths takes, and what they say.
inline constexpr OptionSpec kInputOptions[] = {
    {u"--paths-from", true}, {u"-0"}, {u"--null"}, {u"--console-codepage"}, {u"--crlf"}};
struct InputOptions {
    std::vector<std::u16string> pathLists;  // each --paths-from, in the order given
    bool nulSeparated = false;              // -0: lists read and records written end in NUL
};
// Takes one of kInputOptions into input (--console-codepage and --crlf go to the output); false for
// another. UsageError for an empty list name.
bool TakeInputOption(const ParsedOption& option, InputOptions& input);

// The paths of a run as they come: the operands (Windows: wildcards expanded), then each list in
// turn. UsageError at once for an empty operand, which names no file.
class PathSource {
  public:
    PathSource(std::vector<std::u16string> operands, const InputOptions& input);
    std::optional<std::u16string> Next();
    // 1 when a wildcard matched nothing (reported), else 0.
    int Status() const { return status_; }

  private:
    std::vector<std::u16string> operands_;
    std::size_t nextOperand_ = 0;
    const InputOptions& input_;
    std::size_t nextList_ = 0;
    std::unique_ptr<PathList> list_;
    int status_ = 0;
};

// The full path of a path as typed, as Explorer passes it: made absolute from here (the current
// folder, read once per run) and normalised. Empty, reported, when the current folder is unknown.
std::u16string FullPathOf(const std::u16string& typed, const std::u16string& here);
// Adds each path, made absolute, to selection; reports each one that cannot be read. 1 when any
// could not (or the source's wildcards failed), else 0.
int SelectPaths(PathSource& paths, ItemSelection& selection);
// Reports a path whose name holds a line break, which splits its record unless records end in NUL.
// 1 when it does, else 0.
int CheckRecordBreaks(std::u16string_view path, bool nulSeparated);

// A command file as the Explorer extension reads it: the file at path, standard input for "-", the
// file in use (ReadFileInUse) for an empty path; the reading's path names it. ReadFailure with the
// system's reason when it cannot be read.
CommandFileReading ReadCommandFile(const std::u16string& path);

// The command-line flag of a stored copy option: its profile name in lower case with dashes.
std::u16string FlagOf(const CopyOptionField& field);

// The help text, on standard output.
void PrintHelp();

// The subcommands: each returns the exit status, or throws UsageError or ReadFailure.
int RunFormat(std::span<const std::u16string> args);
int RunCopy(std::span<const std::u16string> args);
int RunCheck(std::span<const std::u16string> args);

}  // namespace quillet::cli
