// The pieces of the quillet command line: its output, its arguments and the paths it reads.
#pragma once

#include <cstdio>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/commands/Command.h"
#include "core/copy/CopyOptions.h"
#include "core/format/Items.h"

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
    // terminals and pipes there expect, unless this asks for CR LF. Windows always writes CR LF.
    void KeepCrLf() { keepCrLf_ = true; }
    void Write(std::u16string_view text);
    // Writes what is buffered; false when any write failed.
    bool Flush();
    const std::u16string& Failure() const { return failure_; }

  private:
    void WriteBytes(std::string_view bytes);

    std::FILE* stream_;
    bool console_ = false;
    OutputEncoding encoding_ = OutputEncoding::Utf8;
#ifdef _WIN32
    bool keepCrLf_ = true;
#else
    bool keepCrLf_ = false;
#endif
    std::u16string pending_;
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

// The whole contents of a file, or of standard input for "-"; pipes and other streams included.
// Empty with the system's reason in error when it cannot be opened or read.
std::optional<std::string> ReadInput(const std::u16string& path, std::u16string& error);

// The paths of a --paths-from file's bytes: one a line (a carriage return before the line feed
// dropped) or, with nulSeparated, one per NUL-terminated run; empty entries are skipped.
std::vector<std::u16string> SplitPathList(std::string_view bytes, bool nulSeparated);

// An argument's text as the program received it (POSIX: bytes decoded losslessly).
std::u16string FromNative(std::string_view bytes);

#ifdef _WIN32
// The arguments after the program's name, split as the C runtime splits the command line; the ones
// typed without quotes that hold "*" or "?" are remembered for ExpandWildcards.
std::vector<std::u16string> CommandLineArguments();
// Each such path replaced by the names it matches (in name order; itself when none), as the runtime
// expands the arguments of the programs that ask it to.
std::vector<std::u16string> ExpandWildcards(std::vector<std::u16string> paths);
#endif

// The options every subcommand that reads paths takes, and what they say.
inline constexpr OptionSpec kInputOptions[] = {
    {u"--paths-from", true}, {u"-0"}, {u"--console-codepage"}, {u"--crlf"}};
struct InputOptions {
    std::optional<std::u16string> pathsFrom;
    bool nulSeparated = false;
};
// Takes one of kInputOptions into input (--console-codepage and --crlf go to the output); false for
// another.
bool TakeInputOption(const ParsedOption& option, InputOptions& input);
// The operands followed by the paths of the --paths-from list. ReadFailure when the list cannot be read.
std::vector<std::u16string> GatherPaths(std::vector<std::u16string> operands, const InputOptions& input);
// Adds each path, made absolute, to selection; reports each one that cannot be read. 1 when any
// could not, else 0.
int SelectPaths(const std::vector<std::u16string>& paths, ItemSelection& selection);

// The commands of a command file as the Explorer extension reads it, each rejected line in errorLog.
// ReadFailure with the system's reason when the file cannot be read.
CommandList ReadCommandFile(const std::u16string& path, std::u16string& errorLog);

// The command-line flag of a stored copy option: its profile name in lower case with dashes.
std::u16string FlagOf(const CopyOptionField& field);

// The help text, on standard output.
void PrintHelp();

// The subcommands: each returns the exit status, or throws UsageError or ReadFailure.
int RunFormat(std::span<const std::u16string> args);
int RunCopy(std::span<const std::u16string> args);
int RunCheck(std::span<const std::u16string> args);

}  // namespace quillet::cli
