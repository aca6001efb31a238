// The command line's arguments: options and operands, numbers in range, and path lists.
#include <cerrno>
#include <cstring>
#include <memory>

#include "Cli.h"
#include "platform/Utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace quillet::cli {

ParsedArguments ParseArguments(std::span<const std::u16string> args, std::span<const OptionSpec> rules,
                               int mode, std::u16string_view modeName) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (arg == u"--") {
            parsed.operands.insert(parsed.operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != u'-') {
            parsed.operands.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.starts_with(u"--") ? arg.find(u'=') : std::u16string::npos;
        const std::u16string_view name = std::u16string_view(arg).substr(0, equals);
        // The option of this mode first: one name may mean different things in two modes.
        const OptionSpec* rule = nullptr;
        for (const OptionSpec& candidate : rules) {
            if (candidate.name == name &&
                (rule == nullptr || candidate.mode == 0 || candidate.mode == mode)) {
                rule = &candidate;
            }
        }
        if (rule == nullptr) {
            throw UsageError(u"unknown option " + std::u16string(name) +
                             u" (a path that begins with \"-\" goes after \"--\")");
        }
        if (rule->mode != 0 && mode != 0 && rule->mode != mode) {
            throw UsageError(std::u16string(name) + u" does not apply to " + std::u16string(modeName));
        }
        ParsedOption option{rule->name, {}};
        if (rule->takesValue) {
            if (equals != std::u16string::npos) {
                option.value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                option.value = args[++i];
            } else {
                throw UsageError(std::u16string(name) + u" needs a value");
            }
        } else if (equals != std::u16string::npos) {
            throw UsageError(std::u16string(name) + u" takes no value");
        }
        parsed.options.push_back(std::move(option));
    }
    return parsed;
}

int ParseNumber(std::u16string_view option, std::u16string_view text, int low, int high) {
    long long value = 0;
    bool valid = !text.empty() && text.size() <= 12;
    for (std::size_t i = 0; valid && i < text.size(); ++i) {
        if (i == 0 && text[i] == u'-' && text.size() > 1) {
            continue;
        }
        valid = text[i] >= u'0' && text[i] <= u'9';
        value = value * 10 + (text[i] - u'0');
    }
    value = !text.empty() && text[0] == u'-' ? -value : value;
    if (!valid || value < low || value > high) {
        const std::string range = std::to_string(low) + " to " + std::to_string(high);
        throw UsageError(std::u16string(option) + u" takes a whole number from " +
                         std::u16string(range.begin(), range.end()) + u", not \"" + std::u16string(text) +
                         u"\"");
    }
    return static_cast<int>(value);
}

std::optional<std::string> ReadInput(const std::u16string& path, std::u16string& error) {
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> opened;
    std::FILE* file = stdin;
    errno = 0;
    if (path != u"-") {
#ifdef _WIN32
        opened.reset(_wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"rb"));
#else
        opened.reset(std::fopen(Utf16ToUtf8EscapedBytes(path).c_str(), "rb"));
#endif
        file = opened.get();
    } else {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY);
#endif
    }
    std::string bytes;
    if (file != nullptr) {
        char chunk[65536];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            bytes.append(chunk, got);
        }
        if (!std::ferror(file)) {
            return bytes;
        }
    }
    error = Utf8ToUtf16(std::strerror(errno != 0 ? errno : EIO));
    return std::nullopt;
}

std::vector<std::u16string> SplitPathList(std::string_view bytes, bool nulSeparated) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);  // a list saved by a Windows editor
    }
    std::vector<std::u16string> paths;
    const char separator = nulSeparated ? '\0' : '\n';
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find(separator, start);
        end = end == std::string_view::npos ? bytes.size() : end;
        std::string_view entry = bytes.substr(start, end - start);
        if (!nulSeparated && entry.ends_with('\r')) {
            entry.remove_suffix(1);
        }
        if (!entry.empty()) {
#ifdef _WIN32
            paths.push_back(Utf8ToUtf16(entry));
#else
            paths.push_back(FromNative(entry));
#endif
        }
        start = end + 1;
    }
    return paths;
}

}  // namespace quillet::cli
