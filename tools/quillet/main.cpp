// quillet: the copy engine from the command line.
//   quillet format FORMAT PATH...   renders each path with an item format, one line per path
#include <cstdio>
#include <string>
#include <vector>

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

int Usage() {
    Print(stderr,
          u"usage: quillet format FORMAT PATH...\n"
          u"  Renders each path with an item format such as \"$name\", \"$path:forwardslash\",\n"
          u"  \"$size:auto\" or \"$moddate:shortdate\", one line per path.\n");
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

int Run(const std::vector<std::u16string>& args) {
    if (!args.empty() && args[0] == u"format") {
        return RunFormat(args);
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
