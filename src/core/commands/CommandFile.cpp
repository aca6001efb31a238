#include "core/commands/CommandFile.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <new>

#include "SharedIds.h"
#include "core/failure/Failure.h"
#include "core/format/TextBuffer.h"
#include "core/messages/Messages.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/Trim.h"
#include "platform/Utf.h"

namespace quillet {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
}

void AddToLog(CommandList& list, std::u16string& errorLog, MessageId reason, std::int64_t line,
              std::u16string_view message) {
    list.rejections.push_back({line, reason});
    errorLog += message;
    errorLog += u'\n';
}

// The item format as the configuration program shows it: the bracket and bar escapes undone, other
// pairs kept as typed. A lone backslash at the very end is kept too: the shell extension reads it as
// a backslash, and dropping it would change what the command copies once the list is saved.
std::u16string EditorFormatText(std::u16string_view typed) {
    std::u16string text;
    text.reserve(typed.size());
    for (std::size_t i = 0; i < typed.size(); ++i) {
        if (typed[i] != u'\\') {
            text.push_back(typed[i]);
        } else if (i + 1 == typed.size()) {
            text.push_back(u'\\');
        } else {
            const char16_t next = typed[++i];
            if (next != u'[' && next != u']' && next != u'|') {
                text.push_back(u'\\');
            }
            text.push_back(next);
        }
    }
    return text;
}

// An unescaped "]" ends a format with an error. The configuration program, where "]" is text in the
// Item Format field, keeps the rest of the format up to the separator's "[" and the texts after it,
// so that saving the faulty command loses nothing of its line.
void SkipToSeparator(FormatCursor& cursor) {
    for (char16_t c = cursor.Peek(); c != u'\0' && c != u'\n' && c != u'['; c = cursor.Peek()) {
        const char16_t next = cursor.Peek(1);
        cursor.Advance(c == u'\\' && next != u'\0' && next != u'\n' ? 2 : 1);
    }
}

// A message inserted into a log line that ends with its own full stop: without its closing full stop
// or the trailing ", " of the separator message.
std::u16string AsClause(std::u16string_view message) {
    return std::u16string(TrimmedEnd(message, u" ,."));
}

// The keyword after "%": the rest of the line as ReadRun with no stop characters reads it. Without a
// backslash in it that is the text itself, up to its end or a zero character; only a keyword with
// escapes is decoded into `decoded`.
std::u16string_view ReadKeyword(FormatCursor& cursor, std::u16string& decoded) {
    const std::u16string_view text = cursor.Text();
    const auto position = static_cast<std::size_t>(std::max(cursor.Position(), 0));
    const std::u16string_view rest = position < text.size() ? text.substr(position) : std::u16string_view();
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != u'\0' && rest[end] != u'\\' && rest[end] != u'\n') {
        ++end;
    }
    if (end <= kMaxRunLength && (end == rest.size() || rest[end] == u'\0')) {
        cursor.Advance(static_cast<std::int32_t>(end));
        return rest.substr(0, end);
    }
    decoded = ReadRun(cursor, u"", EscapeMode::NameEscapes);
    return decoded;
}

// Reads "[separator]start|end|flag" after the item format, the cursor on the "[".
bool ReadTail(FormatCursor& cursor, EscapeMode mode, CopyFormat& format) {
    cursor.Advance();  // the "["
    std::u16string separator = ReadRun(cursor, u"]", mode);
    if (cursor.Peek() != u']') {
        return false;
    }
    cursor.Advance();
    format.itemSeparator = std::move(separator);
    format.startText = ReadRun(cursor, u"|", mode);
    if (cursor.Peek() == u'|') {
        cursor.Advance();
        format.endText = ReadRun(cursor, u"|", mode);
        if (cursor.Peek() == u'|') {
            cursor.Advance();
            format.newlineAtEnd = ReadRun(cursor, u"", mode) == u"1";
        }
    }
    return true;
}

void AppendEscapedName(TextBuffer& out, std::u16string_view name) {
    for (const char16_t c : name) {
        if (c == u'\r' || c == u'\n') {
            continue;  // a name has no escape for a line break, and one would split the line
        }
        if (c == u':' || c == u'\\') {
            out.AppendChar(u'\\');
        }
        out.AppendChar(c);
    }
}

// The field rule: brackets and bars escaped; a backslash that starts a pair the shell extension
// decodes is kept with its pair, any other backslash doubled. Line breaks are written as their
// escapes so that a field can never split its line.
void AppendEscapedField(TextBuffer& out, std::u16string_view field) {
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char16_t c = field[i];
        switch (c) {
            case u'[':
            case u']':
            case u'|':
                out.AppendChar(u'\\');
                out.AppendChar(c);
                break;
            case u'\n':
                out.AppendRaw(u"\\n");
                break;
            case u'\r':
                out.AppendRaw(u"\\r");
                break;
            case u'\\':
                out.AppendChar(u'\\');
                if (i + 1 < field.size() && DecodeEscape(field[i + 1], EscapeMode::FullEscapes) != u'\0') {
                    out.AppendChar(field[++i]);
                } else {
                    out.AppendChar(u'\\');
                }
                break;
            default:
                out.AppendChar(c);
        }
    }
}

// One command's line, without its line end.
void AppendCommandLine(TextBuffer& out, const Command& command) {
    AppendEscapedName(out, command.name);
    out.AppendChar(u':');
    if (command.type != CommandType::UserDefined) {
        out.AppendChar(u'%');
        out.AppendRaw(KeywordOf(command.type));
        return;
    }
    const CopyFormat& format = command.format;
    AppendEscapedField(out, format.formatText);
    out.AppendChar(u'[');
    AppendEscapedField(out, format.itemSeparator);
    out.AppendChar(u']');
    AppendEscapedField(out, format.startText);
    if (!format.endText.empty() || format.newlineAtEnd) {
        out.AppendChar(u'|');
        AppendEscapedField(out, format.endText);
    }
    if (format.newlineAtEnd) {
        out.AppendRaw(u"|1");
    }
}

// Where the line that starts at `at` ends: its line feed or carriage return, or the end of the text.
// Eight or four characters are tested at a time for any below U+0010, the only ones that need a
// closer look.
std::size_t LineEnd(std::u16string_view text, std::size_t at) {
    constexpr std::uint64_t kOnes = 0x0001000100010001ULL;
    constexpr std::uint64_t kHigh = 0x8000800080008000ULL;
    const char16_t* const chars = text.data();
    const auto plain = [](std::uint64_t word) { return (((word - kOnes * 0x10) & ~word) & kHigh) == 0; };
    while (at < text.size()) {
        if (text.size() - at >= 8) {
            std::uint64_t words[2];
            std::memcpy(words, chars + at, sizeof words);
            if (plain(words[0]) && plain(words[1])) {
                at += 8;
                continue;
            }
        }
        if (text.size() - at >= 4) {
            std::uint64_t word;
            std::memcpy(&word, chars + at, sizeof word);
            if (plain(word)) {
                at += 4;
                continue;
            }
        }
        const std::size_t stop = std::min(text.size(), at + 4);
        for (; at < stop; ++at) {
            if (chars[at] == u'\n' || chars[at] == u'\r') {
                return at;
            }
        }
    }
    return text.size();
}

// Whether the shell extension reads a separator, start or end text whole: its run, as written and
// read back up to the stop character that follows it, must reach that character.
bool FieldFitsRun(std::u16string_view field, std::u16string_view stop, TextBuffer& written) {
    written.Clear();
    AppendEscapedField(written, field);
    FormatCursor cursor(written.View());
    ReadRun(cursor, stop, EscapeMode::FullEscapes);
    return static_cast<std::size_t>(cursor.Position()) >= written.Count();
}

// The fields of a user-defined command that the reader reads as runs, each with the character that
// ends its run and its name for messages.
struct RunField {
    CommandField field;
    std::u16string CopyFormat::*member;
    std::u16string_view stop;
    MessageId name;
};
constexpr RunField kRunFields[] = {
    {CommandField::ItemSeparator, &CopyFormat::itemSeparator, u"]", MessageId::FieldItemSeparator},
    {CommandField::StartText, &CopyFormat::startText, u"|", MessageId::FieldStartText},
    {CommandField::EndText, &CopyFormat::endText, u"|", MessageId::FieldEndText},
};

// The first field of a user-defined command that the reader would cut, or none.
const RunField* FieldTooLong(const CopyFormat& format, TextBuffer& written) {
    for (const RunField& field : kRunFields) {
        if (!FieldFitsRun(format.*field.member, field.stop, written)) {
            return &field;
        }
    }
    return nullptr;
}

// The field whose text makes most of a command's line: where a user shortens a line that is too long.
CommandField LongestField(const Command& command) {
    CommandField longest = CommandField::Name;
    if (command.type != CommandType::UserDefined) {
        return longest;
    }
    std::size_t length = command.name.size();
    const auto consider = [&](CommandField field, const std::u16string& text) {
        if (text.size() > length) {
            length = text.size();
            longest = field;
        }
    };
    consider(CommandField::ItemFormat, command.format.formatText);
    for (const RunField& field : kRunFields) {
        consider(field.field, command.format.*field.member);
    }
    return longest;
}

}  // namespace

namespace {

constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

// UTF-16 bytes in either order as text. An odd last byte and an unpaired surrogate become U+FFFD,
// which is what a save in UTF-8 could write for them anyway.
std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian, bool& replaced) {
    std::u16string text(bytes.size() / 2, u'\0');
    const auto* const in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned first = in[2 * i];
        const unsigned second = in[2 * i + 1];
        text[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || (c >= 0xDC00 && c <= 0xDFFF)) {
            text[i] = 0xFFFD;
            replaced = true;
        }
    }
    if (bytes.size() % 2 != 0) {
        text.push_back(0xFFFD);
        replaced = true;
    }
    return text;
}

// Room for about as many commands as a text of typical lines holds, up to a bound; a list that needs
// more grows as usual.
void ReserveCommands(CommandList& list, std::size_t textLength) {
    constexpr std::size_t kTypicalLineLength = 32;
    constexpr std::size_t kReserveLimit = std::size_t{1} << 16;
    list.reserve(list.size() + std::min(textLength / kTypicalLineLength + 1, kReserveLimit));
}

bool IsHiddenLine(std::u16string_view line) {
    return line.empty() || line.front() == u';';
}

// Why ParseLine appended no command: none, or the message for the log.
struct Rejection {
    bool rejected = false;
    MessageId id = MessageId::NoCommandOnLine;
    std::u16string keyword;  // UnknownBuiltInCommand's
};

Rejection ParseLine(std::u16string_view line, std::int32_t lineNumber, EscapeMode mode, CommandList& list,
                    std::u16string& errorLog);

// The configuration program's entry for a line that is no command: the line's text, kept as it stands.
Command& AppendUnreadable(CommandList& list, std::u16string_view line, std::u16string reason) {
    Command entry{std::u16string(line)};
    entry.unreadable = std::move(reason);
    list.push_back(std::move(entry));
    return list.back();
}

// The configuration program's entry for a line that is neither empty nor a comment: its command, or
// the line kept with why it is none. Line numbers in the reasons count from 0, as the reader's log does.
Command& AppendEditorEntry(std::u16string_view line, std::int32_t lineNumber, CommandList& list,
                           std::u16string& errorLog) {
    if (line.size() >= kMaxCommandLineLength) {
        return AppendUnreadable(list, line,
                                FormatMessageText(MessageId::LineTooLongToRead,
                                                  {static_cast<std::int64_t>(line.size()),
                                                   static_cast<std::int64_t>(kMaxCommandLineLength)}));
    }
    const Rejection rejection = ParseLine(line, lineNumber, EscapeMode::EditorEscapes, list, errorLog);
    if (!rejection.rejected) {
        return list.back();
    }
    if (rejection.id == MessageId::UnknownBuiltInCommand) {
        FormatCursor cursor(line);
        const std::u16string name = ReadRun(cursor, u":", EscapeMode::NameEscapes);
        return AppendUnreadable(list, line,
                                FormatMessageText(rejection.id, {name, lineNumber, rejection.keyword}));
    }
    return AppendUnreadable(list, line, FormatMessageText(rejection.id, {lineNumber}));
}

// Parses one line without its line end, unless it is too long, empty or a comment.
void ParseKeptLine(std::u16string_view line, std::int64_t lineNumber, EscapeMode mode, CommandList& list,
                   std::u16string& errorLog) {
    const auto number = static_cast<std::int32_t>(std::min<std::int64_t>(lineNumber, INT32_MAX));
    if (line.size() >= kMaxCommandLineLength) {
        // Dropped all the same; the log says so, or a command would vanish from the menu unexplained.
        AddToLog(list, errorLog, MessageId::LineIgnoredTooLong, number,
                 FormatMessageText(MessageId::LineIgnoredTooLong,
                                   {static_cast<std::int64_t>(number), static_cast<std::int64_t>(line.size()),
                                    static_cast<std::int64_t>(kMaxCommandLineLength)}));
    } else if (!IsHiddenLine(line)) {
        ParseLine(line, number, mode, list, errorLog);
    }
}

// The fields that the configuration program edits, compared.
bool SameFields(const Command& a, const Command& b) {
    const CopyFormat& f = a.format;
    const CopyFormat& g = b.format;
    return a.name == b.name && a.type == b.type && f.formatText == g.formatText &&
           f.itemSeparator == g.itemSeparator && f.startText == g.startText && f.endText == g.endText &&
           f.newlineAtEnd == g.newlineAtEnd;
}

// True when the entry's line as read still says what the entry holds, so that the save writes that
// line unchanged.
bool WrittenAsRead(const Command& entry) {
    if (entry.readLine.empty()) {
        return false;
    }
    if (!entry.unreadable.empty()) {
        return entry.name == entry.readLine;
    }
    CommandList again;
    std::u16string log;
    return !ParseLine(entry.readLine, 0, EscapeMode::EditorEscapes, again, log).rejected &&
           SameFields(again.front(), entry);
}

// ParseCommandFileBytes once the bytes are text.
void ParseCommandFileText(std::u16string_view text, EscapeMode mode, CommandList& list,
                          std::u16string& errorLog) {
    ReserveCommands(list, text.size());
    const bool keepLines = mode == EscapeMode::EditorEscapes;
    std::u16string hidden;  // the comment and empty lines since the last entry, kept by the editor
    // Counted wide: a file just under 4 GiB can hold more lines than a 32-bit number.
    std::int64_t lineNumber = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = LineEnd(text, at);
        const std::u16string_view line = text.substr(at, end - at);
        // A carriage return, a line feed, or the two together end a line.
        std::size_t next = end;
        if (next < text.size()) {
            next += text[next] == u'\r' && next + 1 < text.size() && text[next + 1] == u'\n' ? 2 : 1;
        }
        const std::u16string_view lineEnd = text.substr(end, next - end);
        at = next;
        if (!keepLines) {
            ParseKeptLine(line, lineNumber, mode, list, errorLog);
        } else if (IsHiddenLine(line)) {
            hidden += line;
            hidden += lineEnd;
        } else {
            const auto number = static_cast<std::int32_t>(std::min<std::int64_t>(lineNumber, INT32_MAX));
            Command& entry = AppendEditorEntry(line, number, list, errorLog);
            entry.linesBefore.swap(hidden);
            hidden.clear();
            entry.readLine = line;
            entry.lineEnd = lineEnd;
        }
        ++lineNumber;
    }
    if (keepLines) {
        list.form.linesAtEnd = std::move(hidden);
    }
}

}  // namespace

void ParseCommandFileBytes(std::string_view bytes, EscapeMode mode, CommandList& list,
                           std::u16string& errorLog) {
    CommandFileForm form;
    const std::u16string text = DecodeCommandFileBytes(bytes, form);
    ParseCommandFileText(text, mode, list, errorLog);
    form.linesAtEnd = std::move(list.form.linesAtEnd);
    list.form = std::move(form);
}

std::u16string DecodeCommandFileBytes(std::string_view bytes, CommandFileForm& form) {
    form = CommandFileForm();
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
        form.replacedBytes = !IsValidUtf8(bytes);
        return Utf8ToUtf16(bytes);
    }
    if (bytes.starts_with(kUtf16LittleEndianMark) || bytes.starts_with(kUtf16BigEndianMark)) {
        const bool bigEndian = bytes.starts_with(kUtf16BigEndianMark);
        form.encoding = bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
        return DecodeUtf16(bytes.substr(2), bigEndian, form.replacedBytes);
    }
    form.byteOrderMark = false;
    if (IsValidUtf8(bytes)) {
        return Utf8ToUtf16(bytes);
    }
    form.encoding = TextEncoding::Ansi;
    return platform::AnsiToUtf16(bytes);
}

CommandFileReading ReadCommandFile(const std::u16string& path, EscapeMode mode) {
    CommandFileReading reading;
    reading.path = path;
    if (path.empty()) {
        return reading;  // no folder for it: missing, and a save reports why
    }
    try {
        platform::FileContents contents = platform::ReadFileContents(path, kMaxCommandFileSize);
        if (!contents.bytes) {
            reading.status = contents.missing ? CommandFileStatus::Missing : CommandFileStatus::Unreadable;
            reading.errorCode = contents.errorCode;
            return reading;
        }
        reading.bytes = std::move(*contents.bytes);
        ParseCommandFileBytes(reading.bytes, mode, reading.list, reading.errorLog);
        reading.status = CommandFileStatus::Read;
    } catch (const std::bad_alloc&) {
        // A file too large for memory cannot be read; nothing of it is kept.
        reading = CommandFileReading();
        reading.path = path;
        reading.status = CommandFileStatus::Unreadable;
    }
    return reading;
}

CommandFilePaths CommandFiles() {
    return {userCommandFile(), defaultCommandFile()};
}

CommandFileReading ReadCommandFileInUse(const CommandFilePaths& files, EscapeMode mode) {
    return ReadFileInUse(files, [mode](const std::u16string& path) { return ReadCommandFile(path, mode); });
}

Command ReadEditorLine(std::u16string_view line, std::int32_t lineNumber) {
    CommandList list;
    std::u16string log;
    if (IsHiddenLine(line)) {
        AppendUnreadable(list, line, std::u16string(MessageText(MessageId::LineIsComment)));
    } else {
        AppendEditorEntry(line, lineNumber, list, log);
    }
    list.back().readLine = line;
    return std::move(list.back());
}

namespace {

Rejection ParseLine(std::u16string_view line, std::int32_t lineNumber, EscapeMode mode, CommandList& list,
                    std::u16string& errorLog) {
    FormatCursor cursor(line);
    std::u16string name = ReadRun(cursor, u":", EscapeMode::NameEscapes);
    if (cursor.Peek() != u':') {
        AddToLog(list, errorLog, MessageId::NoCommandOnLine, lineNumber,
                 FormatMessageText(MessageId::NoCommandOnLine, {lineNumber}));
        return {true, MessageId::NoCommandOnLine, {}};
    }
    cursor.Advance();
    // The command is made in its place at the end of the list, and taken out again when the line is
    // rejected (or reading it fails), rather than made aside and moved in.
    Command& command = list.emplace_back(std::u16string());
    command.name.swap(name);
    struct Placement {
        CommandList& list;
        bool kept = false;
        ~Placement() {
            if (!kept) {
                list.pop_back();
            }
        }
    } placement{list};

    if (cursor.Peek() == u'%') {
        cursor.Advance();
        std::u16string decoded;
        const std::u16string_view trimmed = Trimmed(ReadKeyword(cursor, decoded), u" \t\v\f");
        if (const std::optional<CommandType> type = CommandTypeFromKeyword(trimmed)) {
            command.type = *type;
            placement.kept = true;
            return {};
        }
        AddToLog(list, errorLog, MessageId::UnknownBuiltInCommand, lineNumber,
                 FormatMessageText(MessageId::UnknownBuiltInCommand, {command.name, lineNumber, trimmed}));
        return {true, MessageId::UnknownBuiltInCommand, std::u16string(trimmed)};
    }

    const std::int32_t formatStart = cursor.Position();
    ParsedItemFormat parsed = ParseItemFormat(cursor, mode, FormatPlacement::InCommandLine);
    command.format.parts = std::move(parsed.parts);
    cursor = FormatCursor(line, parsed.end);
    if (mode == EscapeMode::EditorEscapes) {
        if (cursor.Peek() == u']') {
            SkipToSeparator(cursor);
        }
        const auto start = static_cast<std::size_t>(formatStart);
        const auto end = std::min(static_cast<std::size_t>(cursor.Position()), line.size());
        command.format.formatText = EditorFormatText(line.substr(start, end > start ? end - start : 0));
    }
    if (!parsed.Valid()) {
        if (mode == EscapeMode::FullEscapes) {
            AddToLog(list, errorLog, MessageId::ErrorReadingCommand, lineNumber,
                     FormatMessageText(MessageId::ErrorReadingCommand,
                                       {command.name, lineNumber, AsClause(parsed.error)}));
            return {true, MessageId::ErrorReadingCommand, {}};
        }
        command.format.errorText = std::move(parsed.error);
    }

    // A "[" without its "]" keeps the command with empty texts; the log says why they are missing.
    if (cursor.Peek() == u'[' && !ReadTail(cursor, mode, command.format)) {
        AddToLog(list, errorLog, MessageId::FailedToReadItemSeparator, lineNumber,
                 FormatMessageText(MessageId::ErrorReadingCommand,
                                   {command.name, lineNumber,
                                    AsClause(MessageText(MessageId::FailedToReadItemSeparator))}));
    }
    placement.kept = true;
    return {};
}

}  // namespace

std::u16string CommandFileText(const CommandList& list) {
    std::u16string text;
    TextBuffer line;
    // A line read last in a file without a final line end, until something follows it.
    bool lineOpen = false;
    const auto closeLine = [&] {
        if (lineOpen) {
            text += u"\r\n";
            lineOpen = false;
        }
    };
    for (const Command& entry : list) {
        if (!entry.linesBefore.empty()) {
            closeLine();
            text += entry.linesBefore;
        }
        closeLine();
        if (WrittenAsRead(entry)) {
            text += entry.readLine;
        } else if (!entry.unreadable.empty()) {
            std::copy_if(entry.name.begin(), entry.name.end(), std::back_inserter(text),
                         [](char16_t c) { return c != u'\r' && c != u'\n'; });
        } else {
            line.Clear();
            AppendCommandLine(line, entry);
            text += line.View();
        }
        // A new entry ends as the writer ends lines; one read from the file as its line ended.
        text += entry.readLine.empty() ? std::u16string_view(u"\r\n") : entry.lineEnd;
        lineOpen = !entry.readLine.empty() && entry.lineEnd.empty();
    }
    if (!list.form.linesAtEnd.empty()) {
        closeLine();
        text += list.form.linesAtEnd;
    }
    return text;
}

std::optional<CommandListFault> CheckCommandList(const CommandList& list) {
    TextBuffer line;
    TextBuffer runs;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Command& command = list[i];
        if (!command.unreadable.empty() || WrittenAsRead(command)) {
            continue;  // written as it stands, which the reader reads as it did
        }
        const auto fault = [i](CommandField field, std::u16string message) {
            return CommandListFault{i, field, std::move(message)};
        };
        const auto number = static_cast<std::int64_t>(i + 1);
        const auto nameLength = static_cast<std::size_t>(std::count_if(
            command.name.begin(), command.name.end(), [](char16_t c) { return c != u'\r' && c != u'\n'; }));
        if (nameLength > kMaxCommandNameLength) {
            return fault(CommandField::Name,
                         FormatMessageText(MessageId::NameTooLong,
                                           {number, static_cast<std::int64_t>(kMaxCommandNameLength)}));
        }
        if (std::all_of(command.name.begin(), command.name.end(), IsBlank)) {
            return fault(CommandField::Name, FormatMessageText(MessageId::NameBlank, {number}));
        }
        line.Clear();
        AppendCommandLine(line, command);
        if (line.View().front() == u';') {
            return fault(CommandField::Name,
                         FormatMessageText(MessageId::NameStartsComment, {number, command.name}));
        }
        if (const RunField* field =
                command.type == CommandType::UserDefined ? FieldTooLong(command.format, runs) : nullptr) {
            return fault(field->field, FormatMessageText(MessageId::FieldTooLong,
                                                         {command.name, MessageText(field->name),
                                                          static_cast<std::int64_t>(kMaxRunLength)}));
        }
        if (line.Count() >= kMaxCommandLineLength) {
            return fault(LongestField(command),
                         FormatMessageText(MessageId::LineTooLong,
                                           {command.name, static_cast<std::int64_t>(line.Count()),
                                            static_cast<std::int64_t>(kMaxCommandLineLength)}));
        }
    }
    return std::nullopt;
}

std::string EncodeCommandFileText(std::u16string_view text, const CommandFileForm& form) {
    std::string bytes(form.encoding == TextEncoding::Utf8 && !form.byteOrderMark ? "" : kByteOrderMark);
    bytes += Utf16ToUtf8(text);
    return bytes;
}

std::u16string EncodingName(const CommandFileForm& form) {
    std::u16string name;
    switch (form.encoding) {
        case TextEncoding::Utf8:
            name =
                MessageText(form.byteOrderMark ? MessageId::EncodingUtf8WithMark : MessageId::EncodingUtf8);
            break;
        case TextEncoding::Utf16LE:
            name = MessageText(MessageId::EncodingUtf16LE);
            break;
        case TextEncoding::Utf16BE:
            name = MessageText(MessageId::EncodingUtf16BE);
            break;
        case TextEncoding::Ansi:
            name = FormatMessageText(MessageId::EncodingAnsi,
                                     {static_cast<std::int64_t>(platform::AnsiCodePage())});
            break;
    }
    return form.replacedBytes ? FormatMessageText(MessageId::EncodingWithReplacements, {name}) : name;
}

bool SaveCommandFile(const std::u16string& path, const CommandList& list, std::u16string& error) {
    if (std::optional<CommandListFault> fault = CheckCommandList(list)) {
        error = std::move(fault->message);
        return false;
    }
    const std::string bytes = EncodeCommandFileText(CommandFileText(list), list.form);
    const platform::ReplaceResult result = platform::ReplaceFileContents(path, bytes);
    if (result.Succeeded()) {
        return true;
    }
    const bool created = result.failedStep != platform::ReplaceStep::Create;
    QUILLET_LOG_FAILURE_IN(FailureFromSystemError(result.errorCode),
                           created ? "writing the command file" : "creating the command file", path, -1);
    const MessageId id = created ? MessageId::FailedToWriteFile : MessageId::FailedToCreateFile;
    error = FormatMessageText(
        id, {path, static_cast<std::int64_t>(result.errorCode), platform::SystemErrorText(result.errorCode)});
    return false;
}

std::u16string userCommandFile(bool createFolders) {
    std::u16string path = platform::ApplicationDataFolder();
    if (path.empty()) {
        return {};
    }
    if (createFolders) {
        platform::CreateFolder(path);  // POSIX: ~/.config may not exist yet
    }
    for (const std::u16string_view folder : {u"Brantwell", u"Quillet"}) {
        path += platform::kPathSeparator;
        path += folder;
        if (createFolders) {
            platform::CreateFolder(path);
        }
    }
    path += platform::kPathSeparator;
    path += u"" QUILLET_COMMAND_FILE;
    return path;
}

std::u16string defaultCommandFile() {
    const std::u16string folder = platform::RunningModuleFolder();
    return folder.empty() ? std::u16string() : folder + u"" QUILLET_COMMAND_FILE;
}

}  // namespace quillet
