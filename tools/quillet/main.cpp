// quillet: the copy engine from the command line.
//   quillet format FORMAT PATH...   renders each path with an item format, one line per path
//   quillet copy ...                the copy of a context-menu command or of the Options dialog
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/CopyOptions.h"
#include "core/CopyText.h"
#include "core/FolderScan.h"
#include "core/ItemFormat.h"
#include "core/Items.h"
#include "core/TextBuffer.h"
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
    Print(stderr,
          u"usage: quillet format FORMAT PATH...\n"
          u"  Renders each path with an item format such as \"$name\", \"$path:forwardslash\",\n"
          u"  \"$size:auto\" or \"$moddate:shortdate\", one line per path.\n"
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

int RunCopy(const std::vector<std::u16string>& args) {
    bool toClipboard = false;
    bool useOptions = false;
    bool expand = false;
    quillet::ExpansionSettings settings;
    quillet::CopyOptions options;
    quillet::LoadCopyOptions(options, quillet::CopyOptionsFile());
    std::vector<std::u16string> paths;
    bool flagsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (flagsEnded || !arg.starts_with(u"--")) {
            paths.push_back(arg);
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
    if (!useOptions || paths.empty()) {
        return Usage();
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
    quillet::ParseItemFormat(cursor, &format, quillet::EscapeMode::FullEscapes, error);
    if (!error.empty()) {
        Print(stderr, u"quillet: " + error + u"\n");
        return 1;
    }
    int status = 0;
    for (std::size_t i = 2; i < args.size(); ++i) {
        quillet::ItemSelection selection;
        if (selection.AddPath(args[i]) == 0) {
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

int Run(const std::vector<std::u16string>& args) {
    if (!args.empty() && args[0] == u"format") {
        return RunFormat(args);
    }
    if (!args.empty() && args[0] == u"copy") {
        return RunCopy(args);
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
