// quillet: the copy engine from the command line.
//   quillet format FORMAT PATH...   renders each path with an item format, one line per path
//   quillet check [FILE]            reads a command file as the shell extension does and reports
//   quillet copy ...                the copy of a context-menu command or of the Options dialog
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/commands/CommandFile.h"
#include "core/copy/CopyOptions.h"
#include "core/copy/CopyText.h"
#include "core/copy/FolderScan.h"
#include "core/format/ItemFormat.h"
#include "core/format/Items.h"
#include "core/format/TextBuffer.h"
#include "core/menu/CommandMenu.h"
#include "core/messages/Messages.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using quillet::Utf16ToUtf8;

void Print(FILE* stream, std::u16string_view text) {
    const std::string utf8 = Utf16ToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

// The command-line flag of a stored option: its profile name in lower case with dashes.
std::u16string FlagOf(const quillet::CopyOptionField& field) {
    std::u16string flag = u"--";
    for (const char16_t c : quillet::LowerAsciiLetters(field.profileName)) {
        flag += c == u' ' ? u'-' : c;
    }
    return flag;
}

int Usage() {
    std::u16string optionFlags;
    for (const quillet::CopyOptionField& field : quillet::CopyOptionFields()) {
        optionFlags += u"    " + FlagOf(field) + u" N";
        if (field.kind == quillet::CopyOptionKind::Boolean) {
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
    Print(
        stderr,
        u"usage: quillet format FORMAT PATH...\n"
        u"  Renders each path with an item format such as \"$name\", \"$path:forwardslash\",\n"
        u"  \"$size:auto\" or \"$moddate:shortdate\", one line per path.\n"
        u"usage: quillet check [FILE]\n"
        u"  Reads a command file (default: yours, else the default list) as the Explorer\n"
        u"  extension does, lists its commands and the lines it cannot read; exits 1 if any.\n"
        u"usage: quillet copy [--clipboard] --command NAME [--full-path] [--command-file FILE] [--] PATH...\n"
        u"  Runs a copy command of your command file (else the default list) on the paths, as the\n"
        u"  context menu does; --full-path is the built-in copy with SHIFT held.\n"
        u"usage: quillet copy [--clipboard] --options [OPTION...] [--] PATH...\n"
        u"  The customized copy of the Options dialog with the stored copy options; each flag below\n"
        u"  overrides one of them for this copy:\n" +
            optionFlags +
            u"  and the folder options, never stored:\n"
            u"    --expand       replace each folder by the files inside it\n"
            u"    --depth N      read N folder levels (the selected folder is level 1; 0 or less: all)\n"
            u"    --include P    keep only files whose name matches the wildcard pattern P\n"
            u"    --exclude P    drop files whose name matches P\n"
            u"  The text goes to standard output, or to the clipboard with --clipboard.\n");
    return 2;
}

std::optional<int> ParseInt(std::u16string_view text) {
    const std::string narrow = quillet::Utf16ToUtf8(text);
    try {
        std::size_t used = 0;
        const int value = std::stoi(narrow, &used);
        if (used == narrow.size()) {
            return value;
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// Never stops a scan: the command line has no Cancel button.
class NoAbort final : public quillet::MAbortBase {
  public:
    void SetCurrentFolder(const std::u16string&) override {}
    bool CheckAbort() override { return false; }
};

// Writes the copy text to standard output, or puts it on the clipboard.
int Deliver(const quillet::TextBuffer& text, bool toClipboard) {
    if (!toClipboard) {
        Print(stdout, text.View());
        return 0;
    }
    if (!quillet::CopyTextToClipboard(text)) {
        Print(stderr,
              u"quillet: the clipboard could not be written (held by another program, or no clipboard)\n");
        return 1;
    }
    return 0;
}

bool Exists(const std::u16string& path) {
    quillet::platform::FileStatus status;
    return !path.empty() && quillet::platform::QueryFileStatus(path, status);
}

// A menu name as the user reads it: "&" accelerator marks removed, "&&" kept as one "&".
std::u16string WithoutAccelerators(std::u16string_view name) {
    std::u16string plain;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == u'&' && i + 1 < name.size()) {
            ++i;
        }
        plain += name[i];
    }
    return plain;
}

// The copy command of the context menu: the built-in copy (full paths when shift is set) or a
// user-defined command with its own format.
int RunCommandCopy(const std::u16string& name, bool shift, std::u16string commandFile,
                   const std::vector<std::u16string>& paths, bool toClipboard) {
    if (commandFile.empty()) {
        const std::u16string user = quillet::userCommandFile();
        commandFile = Exists(user) ? user : quillet::defaultCommandFile();
    }
    std::u16string errorLog;
    const quillet::CommandList commands =
        quillet::LoadCommandFile(commandFile, quillet::EscapeMode::FullEscapes, errorLog);
    const quillet::Command* found = nullptr;
    for (const quillet::Command& command : commands) {
        if (command.name == name) {
            found = &command;
            break;
        }
    }
    // Else as the menu shows it: without access-key marks, "(s)" read as "s" or as nothing.
    for (const quillet::Command& command : commands) {
        const std::u16string plain = WithoutAccelerators(command.name);
        for (const std::u16string_view plural : {u"(s)", u"s", u""}) {
            std::u16string shown = plain;
            if (const std::size_t at = shown.find(u"(s)"); at != std::u16string::npos) {
                shown.replace(at, 3, plural);
            }
            if (found == nullptr && shown == name) {
                found = &command;
            }
        }
    }
    if (found == nullptr) {
        Print(stderr, u"quillet: no command named \"" + name + u"\" in " + commandFile + u"\n");
        return 1;
    }
    quillet::TextBuffer text;
    if (found->type == quillet::CommandType::Quillet) {
        const auto format = quillet::MakeDefaultCopyFormat(shift ? quillet::PathComponent::Path
                                                                 : quillet::PathComponent::Name);
        quillet::RenderPaths(paths, format, text);
    } else if (found->type == quillet::CommandType::UserDefined) {
        quillet::RenderPaths(paths, found->format, text);
    } else {
        Print(stderr, u"quillet: \"" + name + u"\" is not a copy command (%" +
                          std::u16string(quillet::KeywordOf(found->type)) + u")\n");
        return 1;
    }
    return Deliver(text, toClipboard);
}

int RunCopy(const std::vector<std::u16string>& args) {
    bool toClipboard = false;
    bool useOptions = false;
    std::optional<std::u16string> commandName;
    std::u16string commandFile;
    bool shift = false;
    // "--full-path" is SHIFT for a command and an option's value for the customized copy.
    const bool commandMode = std::find(args.begin(), args.end(), u"--command") != args.end();
    bool expand = false;
    quillet::ExpansionSettings settings;
    quillet::CopyOptions options;
    quillet::LoadCopyOptions(options, quillet::CopyOptionsFile());
    std::vector<std::u16string> paths;
    bool flagsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (flagsEnded || !arg.starts_with(u"--")) {
            // As Explorer would pass it: the core takes "$path" and the folders to expand from it.
            paths.push_back(quillet::platform::AbsolutePath(arg));
            if (paths.back().empty()) {
                Print(stderr, u"quillet: cannot read the current folder for " + arg + u"\n");
                return 1;
            }
            continue;
        }
        const auto value = [&]() -> std::optional<std::u16string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == u"--") {
            flagsEnded = true;
        } else if (arg == u"--clipboard") {
            toClipboard = true;
        } else if (arg == u"--options") {
            useOptions = true;
        } else if (arg == u"--command" || arg == u"--command-file") {
            const auto text = value();
            if (!text) {
                return Usage();
            }
            if (arg == u"--command") {
                commandName = *text;
            } else {
                commandFile = *text;
            }
        } else if (arg == u"--full-path" && commandMode) {
            shift = true;
        } else if (arg == u"--expand") {
            expand = true;
        } else if (arg == u"--depth" || arg == u"--include" || arg == u"--exclude") {
            const auto text = value();
            if (!text) {
                return Usage();
            }
            if (arg == u"--depth") {
                const auto depth = ParseInt(*text);
                if (!depth) {
                    return Usage();
                }
                settings.depthLimit = *depth;
            } else {
                // Lowered as the Options dialog lowers what the user types: A-Z only.
                (arg == u"--include" ? settings.includePattern : settings.excludePattern) =
                    quillet::LowerAsciiLetters(*text);
            }
        } else {
            bool known = false;
            for (const quillet::CopyOptionField& field : quillet::CopyOptionFields()) {
                if (arg == FlagOf(field)) {
                    const auto text = value();
                    const auto number = text ? ParseInt(*text) : std::nullopt;
                    if (!number) {
                        return Usage();
                    }
                    options.*field.value = *number;
                    known = true;
                }
            }
            if (!known) {
                Print(stderr, u"quillet: unknown flag " + arg + u"\n");
                return Usage();
            }
        }
    }
    if (useOptions == commandName.has_value() || paths.empty()) {
        return Usage();
    }
    if (commandName) {
        int status = 0;
        for (const std::u16string& path : paths) {
            if (!Exists(path)) {
                Print(stderr, u"quillet: cannot read " + path + u"\n");
                status = 1;
            }
        }
        const int copied = RunCommandCopy(*commandName, shift, commandFile, paths, toClipboard);
        return copied != 0 ? copied : status;
    }

    int status = 0;
    quillet::ItemSelection selection;
    for (const std::u16string& path : paths) {
        if (selection.AddPath(path) == 0) {
            Print(stderr, u"quillet: cannot read " + path + u"\n");
            status = 1;
        }
    }
    selection.order = static_cast<std::uint32_t>(options.sortOption);
    if (expand) {
        NoAbort never;
        quillet::ExpandSelection(selection, settings, never);
    } else {
        selection.Flatten();
        quillet::SortSelection(selection);
    }
    quillet::TextBuffer text;
    quillet::RenderSelection(selection, quillet::BuildOptionsCopyFormat(options), text);
    const int delivered = Deliver(text, toClipboard);
    return delivered != 0 ? delivered : status;
}

int RunFormat(const std::vector<std::u16string>& args) {
    if (args.size() < 3) {
        return Usage();
    }
    quillet::CopyFormat format;
    std::u16string error;
    quillet::FormatCursor cursor(args[1]);
    // The whole argument is the item format: brackets are text, as in the editor's format field.
    quillet::ParseItemFormat(cursor, &format, quillet::EscapeMode::FullEscapes, error,
                             quillet::FormatPlacement::Alone);
    if (!error.empty()) {
        Print(stderr, u"quillet: " + error + u"\n");
        return 1;
    }
    int status = 0;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::u16string path = quillet::platform::AbsolutePath(args[i]);  // outlives the item
        quillet::ItemSelection selection;
        if (selection.AddPath(path) == 0) {
            Print(stderr, u"quillet: cannot read " + args[i] + u"\n");
            status = 1;
            continue;
        }
        quillet::TextBuffer line;
        format.RenderItem(*selection.Items().front(), line);
        line.AppendText(u"\n");
        Print(stdout, line.View());
    }
    return status;
}

std::u16string Describe(const quillet::Command& command) {
    if (command.type == quillet::CommandType::UserDefined) {
        return u"user-defined copy";
    }
    return std::u16string(command.type == quillet::CommandType::SubFolder ? u"sub-menu %" : u"built-in %") +
           std::u16string(quillet::KeywordOf(command.type));
}

int RunCheck(const std::vector<std::u16string>& args) {
    if (args.size() > 2) {
        return Usage();
    }
    std::u16string path;
    if (args.size() == 2) {
        path = args[1];
    } else {
        path = quillet::userCommandFile();
        if (path.empty() || !quillet::platform::LastWriteTime(path)) {
            path = quillet::defaultCommandFile();
        }
    }
    if (quillet::platform::FileStatus status;
        !quillet::platform::QueryFileStatus(path, status) || status.isDirectory) {
        Print(stderr, u"quillet: cannot read " + path + u"\n");
        return 1;
    }
    std::u16string errorLog;
    const quillet::CommandList list =
        quillet::LoadCommandFile(path, quillet::EscapeMode::FullEscapes, errorLog);
    Print(stdout, path + u": " + quillet::Utf8ToUtf16(std::to_string(list.size())) + u" commands\n");
    if (const std::size_t leftOut = quillet::CommandsLeftOutOfMenu(list)) {
        Print(stdout, quillet::FormatMessageText(quillet::MessageId::MenuCommandsLeftOut,
                                                 {static_cast<std::int64_t>(quillet::kMaxMenuCommands),
                                                  static_cast<std::int64_t>(leftOut)}) +
                          u"\n");
    }
    // The commands after a sub-menu line go into that sub-menu, up to the next one or the end.
    bool inSubMenu = false;
    for (const quillet::Command& command : list) {
        const bool opensSubMenu = command.type == quillet::CommandType::SubFolder;
        std::u16string line = (inSubMenu && !opensSubMenu) ? u"    " : u"  ";
        line += command.name;
        line.append(line.size() < 48 ? 48 - line.size() : 1, u' ');
        Print(stdout, line + Describe(command) + u"\n");
        inSubMenu = inSubMenu || opensSubMenu;
    }
    if (errorLog.empty()) {
        return 0;
    }
    Print(stdout, u"Lines with errors (numbered from 0):\n");
    std::size_t start = 0;
    while (start < errorLog.size()) {
        const std::size_t end = errorLog.find(u'\n', start);
        Print(stdout, u"  " + errorLog.substr(start, end - start) + u"\n");
        start = end == std::u16string::npos ? errorLog.size() : end + 1;
    }
    return 1;
}

int Run(const std::vector<std::u16string>& args) {
    if (!args.empty() && args[0] == u"format") {
        return RunFormat(args);
    }
    if (!args.empty() && args[0] == u"copy") {
        return RunCopy(args);
    }
    if (!args.empty() && args[0] == u"check") {
        return RunCheck(args);
    }
    return Usage();
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    }
    return Run(args);
}
#else
int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(quillet::Utf8ToUtf16(argv[i]));
    }
    return Run(args);
}
#endif
