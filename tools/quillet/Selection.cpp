// The paths a run works on: from the command line and --paths-from, made absolute as Explorer would
// pass them, and read into a selection with a message for each one that cannot be read.
#include <algorithm>

#include "Cli.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace quillet::cli {

bool TakeInputOption(const ParsedOption& option, InputOptions& input) {
    if (option.name == u"--paths-from") {
        if (option.value.empty()) {
            throw UsageError(u"--paths-from needs a FILE: \"\" names none (- is standard input)");
        }
        input.pathLists.push_back(option.value);
    } else if (option.name == u"-0" || option.name == u"--null") {
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

PathSource::PathSource(std::vector<std::u16string> operands, const InputOptions& input)
    : operands_(std::move(operands)), input_(input) {
    for (const std::u16string& operand : operands_) {
        if (operand.empty()) {
            // An unset shell variable, most likely: never the current folder by surprise.
            throw UsageError(u"a PATH is empty (\"\"), which names no file; the current folder is \".\"");
        }
    }
#ifdef _WIN32
    operands_ = ExpandWildcards(std::move(operands_), status_);
#endif
}

std::optional<std::u16string> PathSource::Next() {
    if (nextOperand_ < operands_.size()) {
        return std::move(operands_[nextOperand_++]);
    }
    for (;;) {
        if (list_) {
            if (auto path = list_->Next()) {
                return path;
            }
            list_.reset();
        }
        if (nextList_ == input_.pathLists.size()) {
            return std::nullopt;
        }
        list_ = std::make_unique<PathList>(input_.pathLists[nextList_++], input_.nulSeparated);
    }
}

std::u16string FullPathOf(const std::u16string& typed, const std::u16string& here) {
    // Windows' "\dir" and "D:dir" start elsewhere than here and are left to AbsolutePath.
    const bool fromHere = !here.empty() && platform::PathRootLength(typed) == 0 &&
                          (typed.size() < 2 || typed[1] != u':') && !typed.starts_with(u'\\');
    std::u16string full = fromHere ? platform::ResolveAgainst(here, typed) : platform::AbsolutePath(typed);
    if (full.empty()) {
        Report(u"cannot read the current folder for " + typed + u": " + platform::LastErrorText());
    }
    return full;
}

int SelectPaths(PathSource& paths, ItemSelection& selection) {
    const std::u16string here = platform::AbsolutePath(u".");  // once for the run, not once a path
    int status = paths.Status();
    while (const auto typed = paths.Next()) {
        std::u16string full = FullPathOf(*typed, here);
        if (full.empty()) {
            status = 1;
        } else if (selection.AddPath(std::move(full)) == 0) {
            Report(u"cannot read " + *typed + u": " + platform::LastErrorText());
            status = 1;
        }
    }
    return std::max(status, paths.Status());
}

int CheckRecordBreaks(std::u16string_view path, bool nulSeparated) {
    if (nulSeparated || path.find_first_of(u"\r\n") == std::u16string_view::npos) {
        return 0;
    }
    Report(u"the name " + std::u16string(path) +
           u" holds a line break, so its record takes more than one line (-0 ends records in NUL)");
    return 1;
}

}  // namespace quillet::cli
