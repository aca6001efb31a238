// The command line's arguments: options and operands, numbers in range, and path lists.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "Cli.h"
#include "platform/Utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/win32/WideString.h"
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

namespace {

constexpr std::size_t kChunk = 64 * 1024;

std::u16string ErrnoText() {
    return Utf8ToUtf16(std::strerror(errno != 0 ? errno : EIO));
}

std::u16string Decimal(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::FILE* BinaryStandardInput() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    return stdin;
}

}  // namespace

std::optional<std::string> ReadStandardInput(std::uint64_t limit, std::u16string& error) {
    std::FILE* in = BinaryStandardInput();
    std::string bytes;
    char chunk[kChunk];
    std::size_t got = 0;
    errno = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
        if (bytes.size() + got >= limit) {
            error = Utf8ToUtf16(std::strerror(EFBIG));
            return std::nullopt;
        }
        bytes.append(chunk, got);
    }
    if (std::ferror(in)) {
        error = ErrnoText();
        return std::nullopt;
    }
    return bytes;
}

PathList::PathList(const std::u16string& name, bool nulSeparated) : name_(name), nulSeparated_(nulSeparated) {
    errno = 0;
    if (name == u"-") {
        file_ = BinaryStandardInput();
        return;
    }
#ifdef _WIN32
    ownedFile_.Reset(_wfopen(platform::AsWide(name), L"rb"));
#else
    ownedFile_.Reset(std::fopen(Utf16ToUtf8EscapedBytes(name).c_str(), "rb"));
#endif
    if (!ownedFile_) {
        throw ReadFailure(u"cannot read " + name + u": " + ErrnoText());
    }
    file_ = ownedFile_.Get();
}

void PathList::Fail(const std::u16string& why) const {
    throw ReadFailure(u"cannot read " + (name_ == u"-" ? u"the list on standard input" : name_) + u": " +
                      why);
}

std::u16string PathList::EntryName(std::uint64_t entry) const {
    return (nulSeparated_ ? u"entry " : u"line ") + Decimal(entry);
}

bool PathList::Fill() {
    // What is written so far goes out before the list is waited on: a slow producer on a pipe sees
    // each line's result without waiting for the whole list.
    Out().Flush();
    char chunk[kChunk];
    errno = 0;
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file_);
    if (got == 0) {
        if (std::ferror(file_)) {
            Fail(ErrnoText());
        }
        ended_ = true;
        return false;
    }
    buffer_.append(chunk, got);
    return true;
}

std::u16string PathList::Decode(std::string_view entry) const {
    std::u16string path;
    if (unit_ == 2) {
        path.resize(entry.size() / 2);
        for (std::size_t i = 0; i < path.size(); ++i) {
            const auto first = static_cast<unsigned char>(entry[2 * i]);
            const auto second = static_cast<unsigned char>(entry[2 * i + 1]);
            path[i] = static_cast<char16_t>(bigEndian_ ? (first << 8) | second : (second << 8) | first);
        }
    } else {
#ifdef _WIN32
        path = Utf8ToUtf16(entry);
#else
        path = FromNative(entry);
#endif
    }
    if (!nulSeparated_ && path.ends_with(u'\r')) {
        path.pop_back();
    }
    if (!nulSeparated_ && path.find(u'\0') != std::u16string::npos) {
        Fail(EntryName(entry_) +
             u" holds a NUL character, which no path holds (a list of NUL-terminated paths, as find "
             u"-print0 writes, needs -0)");
    }
    return path;
}

std::optional<std::u16string> PathList::Next() {
    if (unit_ == 0) {
        while (buffer_.size() < 3 && Fill()) {
        }
        unit_ = 1;
        if (buffer_.starts_with("\xEF\xBB\xBF")) {
            start_ = 3;  // a list saved by a Windows editor
        } else if (buffer_.starts_with("\xFF\xFE") || buffer_.starts_with("\xFE\xFF")) {
            unit_ = 2;  // Windows PowerShell's "Out-File" and ">"
            bigEndian_ = buffer_[0] == '\xFE';
            start_ = 2;
        }
    }
    const char separator = nulSeparated_ ? '\0' : '\n';
    // The longest entry in bytes: every character in three UTF-8 bytes, or two UTF-16 ones, and a CR.
    const std::size_t longest = (kMaxListedPath + 1) * (unit_ == 2 ? 2 : 3);
    for (;;) {
        std::size_t end = std::string::npos;
        for (std::size_t at = start_ + scanned_; at + unit_ <= buffer_.size(); at += unit_) {
            // In UTF-16 the separator's other byte is 0, on either side.
            const std::size_t low = unit_ == 2 && bigEndian_ ? at + 1 : at;
            if (buffer_[low] == separator && (unit_ == 1 || buffer_[low ^ 1] == '\0')) {
                end = at;
                break;
            }
        }
        if (end == std::string::npos && !ended_) {
            scanned_ = (buffer_.size() - start_) / unit_ * unit_;
            if (scanned_ > longest) {
                Fail(EntryName(entry_ + 1) + u" is longer than the longest path (" + Decimal(kMaxListedPath) +
                     u" characters)");
            }
            buffer_.erase(0, start_);
            start_ = 0;
            Fill();
            continue;
        }
        if (end == std::string::npos) {
            end = buffer_.size();  // the last entry, without its separator
            if (start_ == end) {
                return std::nullopt;
            }
        }
        const std::string_view entry = std::string_view(buffer_).substr(start_, end - start_);
        start_ = std::min(end + unit_, buffer_.size());
        scanned_ = 0;
        ++entry_;
        if (entry.size() > longest) {
            Fail(EntryName(entry_) + u" is longer than the longest path (" + Decimal(kMaxListedPath) +
                 u" characters)");
        }
        std::u16string path = Decode(entry);
        if (!path.empty()) {
            return path;
        }
    }
}

}  // namespace quillet::cli
