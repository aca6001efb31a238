// quillet: the copy engine from the command line.
//   quillet format FORMAT PATH...   renders each path with an item format, one line per path
//   quillet check [FILE]            reads a command file as the shell extension does and reports
//   quillet copy ...                the copy of a context-menu command or of the Options dialog
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Cli.h"
#include "core/commands/CommandFile.h"
#include "core/copy/CopyOptions.h"
#include "core/format/ItemFormat.h"
#include "core/format/TextBuffer.h"
#include "core/menu/CommandMenu.h"
#include "core/messages/Messages.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Utf.h"

#ifndef QUILLET_VERSION
#error "the build defines QUILLET_VERSION"
#endif

namespace quillet::cli {

CommandFileReading ReadCommandFile(const std::u16string& path) {
    if (path == u"-") {
        std::u16string error;
        const std::optional<std::string> bytes = ReadStandardInput(kMaxCommandFileSize, error);
        if (!bytes) {
            throw ReadFailure(u"cannot read standard input: " + error);
        }
        CommandFileReading reading;
        reading.path = u"standard input";
        reading.status = CommandFileStatus::Read;
        ParseCommandFileBytes(*bytes, EscapeMode::FullEscapes, reading.list, reading.errorLog);
        return reading;
    }
    CommandFileReading reading = path.empty() ? ReadCommandFileInUse(CommandFiles(), EscapeMode::FullEscapes)
                                              : quillet::ReadCommandFile(path, EscapeMode::FullEscapes);
    if (reading.status != CommandFileStatus::Read) {
        throw ReadFailure(u"cannot read " + reading.path + u": " +
                          platform::SystemErrorText(reading.errorCode));
    }
    return reading;
}

int RunFormat(std::span<const std::u16string> args) {
    const ParsedArguments parsed = ParseArguments(args, kInputOptions, 0, u"format");
    InputOptions input;
    for (const ParsedOption& option : parsed.options) {
        TakeInputOption(option, input);
    }
    if (parsed.operands.empty()) {
        throw UsageError(u"format needs a FORMAT");
    }
    if (parsed.operands.size() == 1 && input.pathLists.empty()) {
        throw UsageError(u"format needs at least one PATH after its FORMAT, or --paths-from FILE");
    }
    // The whole argument is the item format: brackets are text, as in the editor's format field. A
    // format is one line of a command file, so a real line break would end it there.
    const std::u16string& formatText = parsed.operands[0];
    if (formatText.find_first_of(u"\r\n") != std::u16string::npos) {
        throw UsageError(u"the FORMAT holds a line break, where a format ends; write \\n for one");
    }
    ParsedItemFormat itemFormat =
        ParseItemFormat(FormatCursor(formatText), EscapeMode::FullEscapes, FormatPlacement::Alone);
    if (!itemFormat.Valid()) {
        throw UsageError(u"the FORMAT " + formatText + u": " + itemFormat.error);
    }
    CopyFormat format;
    format.parts = std::move(itemFormat.parts);
    PathSource paths(std::vector<std::u16string>(parsed.operands.begin() + 1, parsed.operands.end()), input);
    // Each path rendered and written as it comes, so that the first line is out at once and a list
    // of any length takes the memory of one item. One converter for the run: its time stamps are
    // converted with what one day's first file found.
    const std::u16string here = platform::AbsolutePath(u".");
    StampConverter stamps;
    int status = 0;
    TextBuffer line;
    PathLookups lookups;
    while (auto typed = paths.Next()) {
        std::u16string full = FullPathOf(*typed, here);
        platform::FolderEntry entry;
        if (full.empty() || !platform::QueryFileEntry(full, entry)) {
            if (!full.empty()) {
                Report(u"cannot read " + *typed + u": " + platform::LastErrorText());
            }
            status = 1;
            continue;
        }
        const std::unique_ptr<CFItem> item = MakeSelectedItem(std::move(full), entry, stamps);
        line.Clear();
        format.RenderItem(*item, line, lookups);
        status = std::max(status, CheckRecordBreaks(item->Path(), input.nulSeparated));
        if (input.nulSeparated) {
            line.AppendChar(u'\0');
        } else {
            line.AppendText(u"\n");
        }
        Out().Write(line.View());
    }
    return std::max(status, paths.Status());
}

namespace {

std::u16string Describe(const Command& command) {
    const CommandTypeInfo& info = InfoOf(command.type);
    if (info.keyword.empty()) {
        return u"user-defined copy";
    }
    return std::u16string(OpensSubMenu(info.type) ? u"sub-menu %" : u"built-in %") +
           std::u16string(info.keyword);
}

}  // namespace

int RunCheck(std::span<const std::u16string> args) {
    static constexpr OptionSpec kCheckOptions[] = {{u"--console-codepage"}};
    const ParsedArguments parsed = ParseArguments(args, kCheckOptions, 0, u"check");
    for (const ParsedOption& option : parsed.options) {
        InputOptions unused;
        TakeInputOption(option, unused);
    }
    if (parsed.operands.size() > 1) {
        throw UsageError(u"check reads one command file, FILE");
    }
    if (!parsed.operands.empty() && parsed.operands[0].empty()) {
        throw UsageError(u"the FILE is empty (\"\"), which names no file; - is standard input");
    }
    const CommandFileReading reading = ReadCommandFile(parsed.operands.empty() ? u"" : parsed.operands[0]);
    const CommandList& list = reading.list;
    const std::u16string& errorLog = reading.errorLog;
    Out().Write(reading.path + u": " + Utf8ToUtf16(std::to_string(list.size())) + u" commands\n");
    Out().Write(u"Encoding: " + EncodingName(list.form) + u"\n");
    if (const std::size_t leftOut = CommandsLeftOutOfMenu(list)) {
        Out().Write(FormatMessageText(
                        MessageId::MenuCommandsLeftOut,
                        {static_cast<std::int64_t>(kMaxMenuCommands), static_cast<std::int64_t>(leftOut)}) +
                    u"\n");
    }
    // The commands after a sub-menu line go into that sub-menu, up to the next one or the end.
    bool inSubMenu = false;
    for (const Command& command : list) {
        const bool opensSubMenu = OpensSubMenu(command.type);
        std::u16string line = (inSubMenu && !opensSubMenu) ? u"    " : u"  ";
        line += command.name;
        line.append(line.size() < 48 ? 48 - line.size() : 1, u' ');
        Out().Write(line + Describe(command) + u"\n");
        inSubMenu = inSubMenu || opensSubMenu;
    }
    if (errorLog.empty()) {
        return 0;
    }
    Out().Write(u"Lines with errors (numbered from 0):\n");
    std::size_t start = 0;
    while (start < errorLog.size()) {
        const std::size_t end = errorLog.find(u'\n', start);
        Out().Write(u"  " + errorLog.substr(start, end - start) + u"\n");
        start = end == std::u16string::npos ? errorLog.size() : end + 1;
    }
    return 1;
}

void PrintHelp() {
    std::u16string optionFlags;
    for (const CopyOptionField& field : CopyOptionFields()) {
        optionFlags += u"    " + FlagOf(field) + u" N";
        if (field.kind == CopyOptionKind::Boolean) {
            optionFlags += u"   (0 off, 1 on)";
        } else {
            for (std::size_t i = 0; i < field.entries.size(); ++i) {
                const std::string index = std::to_string(i);
                optionFlags += (i == 0 ? u"   (" : u", ") + std::u16string(index.begin(), index.end()) +
                               u" " + std::u16string(field.entries[i]);
            }
            optionFlags += u")";
        }
        optionFlags += u"\n";
    }
    Out().Write(
        u"usage: quillet format [INPUT...] [--] FORMAT PATH...\n"
        u"  Renders each path with an item format such as \"$name\", \"$path:forwardslash\",\n"
        u"  \"$size:auto\" or \"$moddate:shortdate\", one line per path, each written as soon as it is\n"
        u"  read. A FORMAT is one line: write \\n for a line break in it. Dates follow the locale's\n"
        u"  short and long date patterns with four-digit years (Linux: LC_ALL, LC_TIME or LANG, read\n"
        u"  with ICU); $credate is when the file was created (Linux: its birth time where the file\n"
        u"  system keeps one, else its last status change). A folder's $size is empty and sorts as 0.\n"
        u"usage: quillet check [--console-codepage] [--] [FILE | -]\n"
        u"  Reads a command file (default: yours, else the default list; - for standard input) as the\n"
        u"  Explorer extension does, lists its commands and the lines it drops; exits 1 if any.\n"
        u"usage: quillet copy [--clipboard] [INPUT...] --command NAME [--full-path] [--command-file FILE] "
        u"[--] PATH...\n"
        u"  Runs a copy command of your command file (else the default list) on the paths, as the\n"
        u"  context menu does; --full-path is the built-in copy with SHIFT held.\n"
        u"usage: quillet copy [--clipboard] [INPUT...] --options [OPTION...] [--] PATH...\n"
        u"  The customized copy of the Options dialog with the stored copy options; each flag below\n"
        u"  overrides one of them for this copy:\n" +
        optionFlags +
        u"  and the folder options, never stored:\n"
        u"    --expand       replace each folder by the files inside it\n"
        u"    --depth N      with --expand: read N folder levels (the selected folder is level 1; 0 or\n"
        u"                   less: all)\n"
        u"    --include P    with --expand: keep only files whose name matches the wildcard pattern P\n"
        u"    --exclude P    with --expand: drop files whose name matches P\n"
        u"  The text goes to standard output, or to the clipboard with --clipboard.\n"
        u"INPUT, for format and copy:\n"
        u"  --paths-from FILE    read more paths from FILE, one a line (- for standard input); given\n"
        u"                       again, each list is read in turn. UTF-8, or UTF-16 after its byte\n"
        u"                       order mark (what Windows PowerShell's \">\" writes)\n"
        u"  -0, --null           NUL-separated, as find -print0 writes and xargs -0 reads: the lists\n"
        u"                       hold NUL-terminated paths, and each line of format (the text of\n"
        u"                       copy) ends in a NUL instead of a line break\n"
        u"  --console-codepage   Windows: write redirected output in the console's code page, as\n"
        u"                       \"for /f\" in a batch file reads it, rather than in UTF-8\n"
        u"  --crlf               end lines in CR LF, as the clipboard does; on Linux they end in LF\n"
        u"Each path is made absolute as Explorer passes it: from the current folder, with \".\" and\n"
        u"\"..\" taken and separators made the system's. Output goes to a Windows console as Unicode\n"
        u"text; otherwise it is UTF-8 (Linux: names that are not UTF-8 keep their bytes). An empty\n"
        u"PATH or FILE (\"\") is a mistake, never the current folder (\".\").\n"
        u"Exit status: 0 done, 1 something could not be read or written (the rest is still done; a\n"
        u"list stops at a line that is no path: one holding a NUL without -0, or longer than 32,767\n"
        u"characters), or a name holding a line break split its line without -0; 2 a mistake in the\n"
        u"command line.\n"
        u"  quillet --help      this text\n"
        u"  quillet --version   the version\n");
}

int Run(std::span<const std::u16string> args) {
    const std::u16string_view command = args.empty() ? u"" : std::u16string_view(args[0]);
    const std::span<const std::u16string> rest = args.empty() ? args : args.subspan(1);
    bool wantsHelp = false;  // anywhere before "--"
    for (std::size_t i = 0; i < args.size() && args[i] != u"--"; ++i) {
        wantsHelp = wantsHelp || args[i] == u"--help";
    }
    try {
        if (command == u"--help" || command == u"-h" || command == u"help" || wantsHelp) {
            PrintHelp();
            return 0;
        }
        if (command == u"--version") {
            Out().Write(u"quillet " + Utf8ToUtf16(QUILLET_VERSION) + u"\n");
            return 0;
        }
        if (command == u"format") {
            return RunFormat(rest);
        }
        if (command == u"copy") {
            return RunCopy(rest);
        }
        if (command == u"check") {
            return RunCheck(rest);
        }
        throw UsageError(command.empty()
                             ? u"no command given: format, check or copy"
                             : u"unknown command " + std::u16string(command) + u": format, check or copy");
    } catch (const UsageError& error) {
        Report(error.message);
        Report(u"run \"quillet --help\" for the usage");
        return 2;
    } catch (const ReadFailure& failure) {
        Report(failure.message);
        return 1;
    }
}

// Ends the run: what is still buffered written, and a failed write reported.
int Finish(int status) {
    if (!Out().Flush()) {
        Report(u"cannot write to standard output: " + Out().Failure());
        return 1;
    }
    return status;
}

}  // namespace quillet::cli

#ifdef _WIN32
int wmain() {
    return quillet::cli::Finish(quillet::cli::Run(quillet::cli::CommandLineArguments()));
}
#else
int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(quillet::cli::FromNative(argv[i]));
    }
    return quillet::cli::Finish(quillet::cli::Run(args));
}
#endif
