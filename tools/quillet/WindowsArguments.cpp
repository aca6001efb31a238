// Windows: the command line split as the C runtime splits it, and the unquoted arguments with
// wildcards expanded to the names they match, as the runtime does for the programs that ask it to.
// Done here rather than by the runtime so that only paths are expanded: an --include pattern or a
// FORMAT holding "*" or "?" stays as typed.
#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <set>
#include <vector>

#include "Cli.h"
#include "core/copy/CopyOptions.h"
#include "platform/Files.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace quillet::cli {
namespace {

// The arguments typed without quotes that hold a wildcard.
std::set<std::u16string>& Wildcards() {
    static std::set<std::u16string> wildcards;
    return wildcards;
}

}  // namespace

std::vector<std::u16string> CommandLineArguments() {
    const std::u16string_view line = platform::AsUtf16(GetCommandLineW());
    std::vector<std::u16string> args;
    std::size_t i = 0;
    // The program's name: up to the first blank outside quotes, backslashes as they are.
    for (bool quoted = false; i < line.size() && (quoted || (line[i] != u' ' && line[i] != u'\t')); ++i) {
        quoted = line[i] == u'"' ? !quoted : quoted;
    }
    for (;;) {
        while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        std::u16string arg;
        bool inQuotes = false;
        bool hadQuote = false;
        for (; i < line.size() && (inQuotes || (line[i] != u' ' && line[i] != u'\t')); ++i) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == u'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == u'"') {
                // 2n backslashes and a quote: n backslashes and a quote mark; 2n + 1: a literal quote.
                arg.append(backslashes / 2, u'\\');
                hadQuote = true;
                if (backslashes % 2 == 1) {
                    arg += u'"';
                } else if (inQuotes && i + 1 < line.size() && line[i + 1] == u'"') {
                    arg += u'"';  // "" inside quotes
                    ++i;
                } else {
                    inQuotes = !inQuotes;
                }
            } else {
                arg.append(backslashes, u'\\');
                if (i >= line.size() || (!inQuotes && (line[i] == u' ' || line[i] == u'\t'))) {
                    break;
                }
                arg += line[i];
            }
        }
        if (!hadQuote && arg.find_first_of(u"*?") != std::u16string::npos) {
            Wildcards().insert(arg);
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::vector<std::u16string> ExpandWildcards(std::vector<std::u16string> paths, int& status) {
    std::vector<std::u16string> expanded;
    for (std::u16string& path : paths) {
        if (!Wildcards().contains(path)) {
            expanded.push_back(std::move(path));
            continue;
        }
        const std::size_t folderEnd = path.find_last_of(u"\\/:");
        const std::u16string folder = folderEnd == std::u16string::npos ? u"" : path.substr(0, folderEnd + 1);
        std::vector<std::u16string> names;
        WIN32_FIND_DATAW data{};
        const platform::FolderSearchHandle find(FindFirstFileExW(platform::AsWide(path), FindExInfoBasic,
                                                                 &data, FindExSearchNameMatch, nullptr, 0));
        const DWORD findError = find ? ERROR_SUCCESS : GetLastError();
        if (find) {
            do {
                const std::u16string name = platform::FromWide(data.cFileName);
                if (name != u"." && name != u"..") {
                    names.push_back(folder + name);
                }
            } while (FindNextFileW(find.Get(), &data));
        }
        if (names.empty()) {
            // Not passed on as a name: the system would call the pattern an invalid name.
            Report(findError == ERROR_SUCCESS || findError == ERROR_FILE_NOT_FOUND
                       ? u"no file or folder matches " + path
                       : u"cannot read " + path + u": " + platform::SystemErrorText(findError));
            status = 1;
            continue;
        }
        // NTFS's order, whatever the file system.
        std::sort(names.begin(), names.end(),
                  [](const std::u16string& a, const std::u16string& b) { return CompareNames(a, b) < 0; });
        expanded.insert(expanded.end(), names.begin(), names.end());
    }
    return expanded;
}

}  // namespace quillet::cli
#endif
