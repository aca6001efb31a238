// quillet copy: the copy of a context-menu command, or the Options dialog's customized copy.
#include <algorithm>

#include "Cli.h"
#include "core/commands/CommandFile.h"
#include "core/copy/CopyOptions.h"
#include "core/copy/CopyText.h"
#include "core/copy/FolderScan.h"
#include "core/format/TextBuffer.h"
#include "core/menu/CommandMenu.h"
#include "platform/Files.h"
#include "platform/Profile.h"

namespace quillet::cli {
namespace {

enum CopyMode { kCommandMode = 1, kOptionsMode = 2 };

const std::vector<std::u16string>& OptionFlags() {
    static const std::vector<std::u16string> flags = [] {
        std::vector<std::u16string> all;
        for (const CopyOptionField& field : CopyOptionFields()) {
            all.push_back(FlagOf(field));
        }
        return all;
    }();
    return flags;
}

const std::vector<OptionSpec>& CopySpecs() {
    static const std::vector<OptionSpec> rules = [] {
        std::vector<OptionSpec> all(std::begin(kInputOptions), std::end(kInputOptions));
        all.insert(all.end(), {{u"--clipboard"},
                               {u"--command", true, kCommandMode},
                               {u"--command-file", true, kCommandMode},
                               {u"--full-path", false, kCommandMode},
                               {u"--options", false, kOptionsMode},
                               {u"--expand", false, kOptionsMode},
                               {u"--depth", true, kOptionsMode},
                               {u"--include", true, kOptionsMode},
                               {u"--exclude", true, kOptionsMode}});
        for (const std::u16string& flag : OptionFlags()) {
            all.push_back({flag, true, kOptionsMode});
        }
        return all;
    }();
    return rules;
}

// The mode named before "--": "--command NAME" or "--options". Values are skipped, so that a value
// or a path spelled like either never decides it.
int CopyModeOf(std::span<const std::u16string> args) {
    bool command = false;
    bool options = false;
    for (std::size_t i = 0; i < args.size() && args[i] != u"--"; ++i) {
        const std::u16string& arg = args[i];
        command = command || arg == u"--command" || arg.starts_with(u"--command=");
        options = options || arg == u"--options";
        for (const OptionSpec& rule : CopySpecs()) {
            // --full-path takes a value only as an option of the customized copy.
            if (rule.takesValue && rule.name == arg && (arg != u"--full-path" || !command)) {
                ++i;
                break;
            }
        }
    }
    if (command && options) {
        throw UsageError(u"--command and --options cannot be used together");
    }
    if (!command && !options) {
        throw UsageError(u"copy needs --command NAME or --options");
    }
    return command ? kCommandMode : kOptionsMode;
}

// Never stops a scan (the command line has no Cancel button) and reports the folders it cannot read.
class CommandLineScan final : public MAbortBase {
  public:
    void SetCurrentFolder(const std::u16string&) override {}
    bool CheckAbort() override { return false; }
    void FolderUnreadable(const std::u16string& folderPath, const std::u16string& reason) override {
        Report(u"cannot read " + folderPath + u": " + reason);
        failed = true;
    }
    bool failed = false;
};

// Writes the copy text to standard output (ending in a line break, or with -0 in a NUL, so that runs
// can be joined), or puts it on the clipboard.
int Deliver(const TextBuffer& text, bool toClipboard, bool nulSeparated) {
    if (!toClipboard) {
        if (text.Count() > 0) {
            Out().Write(text.View());
            if (nulSeparated) {
                Out().Write(std::u16string_view(u"\0", 1));
            } else if (text.View().back() != u'\n') {
                Out().Write(u"\r\n");
            }
        }
        return 0;
    }
    if (!CopyTextToClipboard(text)) {
        Report(u"the clipboard could not be written (held by another program, or no clipboard)");
        return 1;
    }
    return 0;
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

const Command* FindCommand(const CommandList& commands, std::u16string_view name) {
    for (const Command& command : commands) {
        if (command.name == name) {
            return &command;
        }
    }
    // Else without access-key marks: as written, or as the menu shows it for several items or one.
    for (const Command& command : commands) {
        const std::u16string plain = WithoutAccelerators(command.name);
        if (plain == name || MenuItemText(plain, false) == name || MenuItemText(plain, true) == name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

std::u16string FlagOf(const CopyOptionField& field) {
    std::u16string flag = u"--";
    for (const char16_t c : LowerAsciiLetters(field.profileName)) {
        flag += c == u' ' ? u'-' : c;
    }
    return flag;
}

int RunCopy(std::span<const std::u16string> args) {
    const int mode = CopyModeOf(args);
    const ParsedArguments parsed =
        ParseArguments(args, CopySpecs(), mode, mode == kCommandMode ? u"--command" : u"--options");
    InputOptions input;
    bool toClipboard = false;
    std::u16string commandName;
    std::u16string commandFile;
    bool shift = false;
    bool expand = false;
    ExpansionSettings settings;
    std::u16string_view folderOption;  // one of the folder options, which need --expand
    CopyOptions options;
    int status = 0;
    if (mode == kOptionsMode) {
        const std::u16string stored = CopyOptionsFile();
        // A stored file that cannot be read (a folder in its place, no access) reads as the
        // defaults, as the Options dialog reads it; the command line says so.
        const platform::FileContents contents = platform::ReadFileContents(stored, platform::kMaxProfileSize);
        if (!stored.empty() && !contents.bytes && !contents.missing) {
            Report(u"cannot read the stored copy options " + stored + u": " +
                   platform::SystemErrorText(contents.errorCode) + u"; the defaults are used");
            status = 1;
        }
        LoadCopyOptions(options, stored);
    }
    for (const ParsedOption& option : parsed.options) {
        const std::u16string_view name = option.name;
        if (TakeInputOption(option, input)) {
        } else if (name == u"--clipboard") {
            toClipboard = true;
        } else if (name == u"--command") {
            commandName = option.value;
        } else if (name == u"--command-file") {
            if (option.value.empty()) {
                throw UsageError(u"--command-file needs a FILE: \"\" names none (- is standard input)");
            }
            commandFile = option.value;
        } else if (name == u"--full-path" && mode == kCommandMode) {
            shift = true;
        } else if (name == u"--expand") {
            expand = true;
        } else if (name == u"--depth") {
            settings.depthLimit = ParseNumber(name, option.value, INT32_MIN, INT32_MAX);
            folderOption = name;
        } else if (name == u"--include" || name == u"--exclude") {
            // Lowered as the Options dialog lowers what the user types: A-Z only.
            (name == u"--include" ? settings.includePattern : settings.excludePattern) =
                LowerAsciiLetters(option.value);
            folderOption = name;
        } else {
            for (std::size_t i = 0; i < CopyOptionFields().size(); ++i) {
                const CopyOptionField& field = CopyOptionFields()[i];
                if (name == OptionFlags()[i]) {
                    const int last = field.kind == CopyOptionKind::Boolean
                                         ? 1
                                         : static_cast<int>(field.entries.size()) - 1;
                    field.store(options, ParseNumber(name, option.value, 0, last));
                }
            }
        }
    }
    if (!folderOption.empty() && !expand) {
        throw UsageError(std::u16string(folderOption) + u" applies only with --expand");
    }
    if (parsed.operands.empty() && input.pathLists.empty()) {
        throw UsageError(u"copy needs at least one PATH, or --paths-from FILE");
    }
    if (commandFile == u"-" && std::ranges::find(input.pathLists, u"-") != input.pathLists.end()) {
        throw UsageError(u"standard input cannot be both the command file and a list of paths");
    }
    PathSource paths(parsed.operands, input);

    CopyFormat commandFormat;
    const CopyFormat* format = &commandFormat;
    if (mode == kCommandMode) {
        const CommandFileReading commands = ReadCommandFile(commandFile);
        const Command* found = FindCommand(commands.list, commandName);
        if (found == nullptr) {
            throw ReadFailure(u"no command named \"" + commandName + u"\" in " + commands.path);
        }
        format = ClickCopyFormat(*found, ClickAction(found->type, {.shift = shift}), commandFormat);
        if (format == nullptr) {
            throw ReadFailure(u"\"" + commandName + u"\" is not a copy command (%" +
                              std::u16string(KeywordOf(found->type)) + u")");
        }
        ItemSelection selection;
        status = std::max(status, SelectPaths(paths, selection));
        selection.Flatten();
        TextBuffer text;
        RenderSelection(selection, *format, text);
        return std::max(status, Deliver(text, toClipboard, input.nulSeparated));
    }

    ItemSelection selection;
    status = std::max(status, SelectPaths(paths, selection));
    selection.order = static_cast<std::uint32_t>(options.sortOption);
    if (expand) {
        CommandLineScan scan;
        ExpandSelection(selection, settings, scan);
        status = scan.failed ? 1 : status;
    } else {
        ArrangeSelection(selection);
    }
    commandFormat = BuildOptionsCopyFormat(options);
    TextBuffer text;
    RenderSelection(selection, commandFormat, text);
    return std::max(status, Deliver(text, toClipboard, input.nulSeparated));
}

}  // namespace quillet::cli
