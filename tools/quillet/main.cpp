// quillet: the copy engine from the command line.
//   quillet format FORMAT PATH...   renders each path with an item format, one line per path
//   quillet check [FILE]            reads a command file as the shell extension does and reports
#include <cstdio>
#include <string>
#include <vector>

#include "core/CommandFile.h"
#include "core/ItemFormat.h"
#include "core/Items.h"
#include "core/TextBuffer.h"
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

int Usage() {
    Print(stderr,
          u"usage: quillet format FORMAT PATH...\n"
          u"  Renders each path with an item format such as \"$name\", \"$path:forwardslash\",\n"
          u"  \"$size:auto\" or \"$moddate:shortdate\", one line per path.\n"
          u"usage: quillet check [FILE]\n"
          u"  Reads a command file (default: yours, else the default list) as the Explorer\n"
          u"  extension does, lists its commands and the lines it cannot read; exits 1 if any.\n");
    return 2;
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
