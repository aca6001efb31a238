// The paths a run works on: from the command line and --paths-from, made absolute as Explorer would
// pass them, and read into a selection with a message for each one that cannot be read.
#include "Cli.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace quillet::cli {

bool TakeInputOption(const ParsedOption& option, InputOptions& input) {
    if (option.name == u"--paths-from") {
        input.pathsFrom = option.value;
    } else if (option.name == u"-0") {
        input.nulSeparated = true;
    } else if (option.name == u"--console-codepage") {
        Out().SetEncoding(OutputEncoding::ConsoleCodePage);
    } else if (option.name == u"--crlf") {
        Out().KeepCrLf();
    } else {
        return false;
    }
    return true;
}

std::vector<std::u16string> GatherPaths(std::vector<std::u16string> operands, const InputOptions& input) {
    if (input.nulSeparated && !input.pathsFrom) {
        throw UsageError(u"-0 applies only with --paths-from");
    }
#ifdef _WIN32
    operands = ExpandWildcards(std::move(operands));
#endif
    if (input.pathsFrom) {
        std::u16string error;
        const auto bytes = ReadInput(*input.pathsFrom, error);
        if (!bytes) {
            throw ReadFailure(u"cannot read " + *input.pathsFrom + u": " + error);
        }
        for (std::u16string& path : SplitPathList(*bytes, input.nulSeparated)) {
            operands.push_back(std::move(path));
        }
    }
    return operands;
}

int SelectPaths(const std::vector<std::u16string>& paths, ItemSelection& selection) {
    // The current folder read once for the run rather than once a path. Windows' "\dir" and "D:dir"
    // start elsewhere and are left to AbsolutePath.
    const std::u16string here = platform::AbsolutePath(u".");
    int status = 0;
    for (const std::u16string& typed : paths) {
        const bool fromHere = !here.empty() && platform::PathRootLength(typed) == 0 &&
                              (typed.size() < 2 || typed[1] != u':') && !typed.starts_with(u'\\');
        std::u16string full =
            fromHere ? platform::ResolveAgainst(here, typed) : platform::AbsolutePath(typed);
        if (full.empty()) {
            Report(u"cannot read the current folder for " + typed + u": " + platform::LastErrorText());
            status = 1;
        } else if (selection.AddPath(std::move(full)) == 0) {
            Report(u"cannot read " + typed + u": " + platform::LastErrorText());
            status = 1;
        }
    }
    return status;
}

}  // namespace quillet::cli
