// POSIX side of the profile: the initialization-file format read and written by our own code.
#include <optional>
#include <vector>

#include "platform/AsciiCase.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Trim.h"
#include "platform/Utf.h"

namespace quillet::platform {
namespace {

// The blanks around a profile's names, values and section names.
constexpr std::u16string_view kBlanks = u" \t\r";

std::vector<std::u16string> ReadProfileLines(const std::u16string& file) {
    std::vector<std::u16string> lines;
    // Read as the platform reads files: a folder in the file's place, or a file that cannot be read,
    // reads as an empty profile (the stream reader would throw on the folder's failed read).
    FileContents read = ReadFileContents(file, kMaxProfileSize);
    if (!read.bytes) {
        return lines;
    }
    std::string contents = std::move(*read.bytes);
    if (contents.starts_with("\xEF\xBB\xBF")) {
        contents.erase(0, 3);
    }
    std::u16string text = Utf8ToUtf16(contents);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) {
            end = text.size();
        }
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// The section a line opens, or empty when it opens none.
std::optional<std::u16string_view> SectionOf(std::u16string_view line) {
    line = Trimmed(line, kBlanks);
    if (line.size() >= 2 && line.front() == u'[') {
        const std::size_t close = line.find(u']');
        if (close != std::u16string_view::npos) {
            return Trimmed(line.substr(1, close - 1), kBlanks);
        }
    }
    return std::nullopt;
}

// The value of a "name=value" line whose name is the given one.
std::optional<std::u16string_view> ValueIfNamed(std::u16string_view line, std::u16string_view name) {
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos ||
        !EqualsIgnoringAsciiCase(Trimmed(line.substr(0, equals), kBlanks), name)) {
        return std::nullopt;
    }
    return Trimmed(line.substr(equals + 1), kBlanks);
}

}  // namespace

int ReadProfileInt(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                   int defaultValue) {
    bool inSection = false;
    for (const std::u16string& line : ReadProfileLines(file)) {
        if (const auto opened = SectionOf(line)) {
            inSection = EqualsIgnoringAsciiCase(*opened, section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        const auto value = ValueIfNamed(line, name);
        if (!value) {
            continue;
        }
        if (value->empty()) {
            return defaultValue;
        }
        // The leading integer, as Windows reads it: sign, digits, anything after them ignored.
        std::size_t at = 0;
        const bool negative = (*value)[0] == u'-';
        if ((*value)[0] == u'-' || (*value)[0] == u'+') {
            at = 1;
        }
        std::uint32_t result = 0;
        for (; at < value->size() && (*value)[at] >= u'0' && (*value)[at] <= u'9'; ++at) {
            result = result * 10 + static_cast<std::uint32_t>((*value)[at] - u'0');
        }
        return static_cast<int>(negative ? 0u - result : result);
    }
    return defaultValue;
}

bool WriteProfileValue(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                       std::u16string_view value) {
    std::vector<std::u16string> lines = ReadProfileLines(file);
    while (!lines.empty() && Trimmed(lines.back(), kBlanks).empty()) {
        lines.pop_back();
    }
    const std::u16string newLine = std::u16string(name) + u"=" + std::u16string(value);
    bool inSection = false;
    std::optional<std::size_t> sectionEnd;  // where a new value of the section goes
    bool replaced = false;
    for (std::size_t i = 0; i < lines.size() && !replaced; ++i) {
        if (const auto opened = SectionOf(lines[i])) {
            inSection = EqualsIgnoringAsciiCase(*opened, section);
            if (inSection) {
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (ValueIfNamed(lines[i], name)) {
            lines[i] = newLine;
            replaced = true;
        } else if (!Trimmed(lines[i], kBlanks).empty()) {
            sectionEnd = i + 1;
        }
    }
    if (!replaced) {
        if (sectionEnd) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), newLine);
        } else {
            lines.push_back(u"[" + std::u16string(section) + u"]");
            lines.push_back(newLine);
        }
    }
    std::u16string text;
    for (const std::u16string& line : lines) {
        text += line;
        text += u"\r\n";
    }
    // Replaced as every file is: a failed write never loses the old file.
    return ReplaceFileContents(file, Utf16ToUtf8(text)).Succeeded();
}

}  // namespace quillet::platform
