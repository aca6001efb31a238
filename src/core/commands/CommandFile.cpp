#include "core/commands/CommandFile.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <new>

#include "core/format/TextBuffer.h"
#include "core/messages/Messages.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

namespace quillet {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
}

std::u16string_view TrimBlanks(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

void AddToLog(std::u16string& errorLog, std::u16string_view message) {
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
    while (!message.empty() && (message.back() == u' ' || message.back() == u',' || message.back() == u'.')) {
        message.remove_suffix(1);
    }
    return std::u16string(message);
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

// Where the line that starts at `at` ends: its line feed, or the end of the text. Notes where the
// line's first carriage return is, if it has one. Eight or four characters are tested at a time for
// any below U+0010, the only ones that need a closer look.
std::size_t LineEnd(std::u16string_view text, std::size_t at, std::size_t& firstReturn) {
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
            if (chars[at] == u'\n') {
                return at;
            }
            if (chars[at] == u'\r' && firstReturn == std::u16string_view::npos) {
                firstReturn = at;
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

// The first field of a user-defined command that the reader would cut, or none.
std::optional<MessageId> FieldTooLong(const CopyFormat& format, TextBuffer& written) {
    const struct {
        const std::u16string& text;
        std::u16string_view stop;
        MessageId name;
    } fields[] = {
        {format.itemSeparator, u"]", MessageId::FieldItemSeparator},
        {format.startText, u"|", MessageId::FieldStartText},
        {format.endText, u"|", MessageId::FieldEndText},
    };
    for (const auto& field : fields) {
        if (!FieldFitsRun(field.text, field.stop, written)) {
            return field.name;
        }
    }
    return std::nullopt;
}

}  // namespace

namespace {

// The bytes that hold the text: after the byte order mark, up to the first zero byte.
std::string_view TextBytes(std::string_view bytes) {
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    return bytes.substr(0, bytes.find('\0'));
}

// Room for about as many commands as a text of typical lines holds, up to a bound; a list that needs
// more grows as usual.
void ReserveCommands(CommandList& list, std::size_t textLength) {
    constexpr std::size_t kTypicalLineLength = 32;
    constexpr std::size_t kReserveLimit = std::size_t{1} << 16;
    list.reserve(list.size() + std::min(textLength / kTypicalLineLength + 1, kReserveLimit));
}

// Parses one line without its line feed or trailing carriage returns, unless it is too long, empty
// or a comment.
void ParseKeptLine(std::u16string_view line, std::int64_t lineNumber, EscapeMode mode, CommandList& list,
                   std::u16string& errorLog) {
    const auto number = static_cast<std::int32_t>(std::min<std::int64_t>(lineNumber, INT32_MAX));
    if (line.size() >= kMaxCommandLineLength) {
        // Dropped all the same; the log says so, or a command would vanish from the menu unexplained.
        AddToLog(errorLog,
                 FormatMessageText(MessageId::LineIgnoredTooLong,
                                   {static_cast<std::int64_t>(number), static_cast<std::int64_t>(line.size()),
                                    static_cast<std::int64_t>(kMaxCommandLineLength)}));
    } else if (!line.empty() && line.front() != u';') {
        ParseCommandLine(line, number, mode, list, errorLog);
    }
}

}  // namespace

// The text is converted a line at a time into one reused string rather than all at once. The same
// text results: a line feed or carriage return byte is never part of a UTF-8 sequence, good or bad,
// so the lines and their carriage returns are where the whole text's conversion has them. A carriage
// return inside a line is removed after the conversion, since a sequence cut by one converts
// differently from the sequence without it.
void ParseCommandFileBytes(std::string_view fileBytes, EscapeMode mode, CommandList& list,
                           std::u16string& errorLog) {
    const std::string_view bytes = TextBytes(fileBytes);
    ReserveCommands(list, bytes.size());
    std::u16string line;
    std::int64_t lineNumber = 0;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const void* feed = std::memchr(bytes.data() + at, '\n', bytes.size() - at);
        const std::size_t end = feed == nullptr
                                    ? bytes.size()
                                    : static_cast<std::size_t>(static_cast<const char*>(feed) - bytes.data());
        std::string_view lineBytes = bytes.substr(at, end - at);
        at = end + 1;  // past the line feed
        while (!lineBytes.empty() && lineBytes.back() == '\r') {
            lineBytes.remove_suffix(1);
        }
        AssignUtf16(lineBytes, line);
        if (lineBytes.find('\r') != std::string_view::npos) {
            line.erase(std::remove(line.begin(), line.end(), u'\r'), line.end());
        }
        ParseKeptLine(line, lineNumber, mode, list, errorLog);
        ++lineNumber;
    }
}

std::u16string DecodeCommandFileBytes(std::string_view bytes) {
    return Utf8ToUtf16(TextBytes(bytes));
}

CommandList LoadCommandFile(const std::u16string& path, EscapeMode mode, std::u16string& errorLog) {
    CommandList list;
    try {
        const std::optional<std::string> bytes = platform::ReadWholeFile(path, kMaxCommandFileSize);
        if (!bytes) {
            return list;
        }
        ParseCommandFileBytes(*bytes, mode, list, errorLog);
    } catch (const std::bad_alloc&) {
        // A file too large for memory reads as no file at all.
        list.clear();
    }
    return list;
}

void ParseCommandText(std::u16string_view text, EscapeMode mode, CommandList& list,
                      std::u16string& errorLog) {
    ReserveCommands(list, text.size());
    // Only a line with a carriage return inside it (not just before its line feed) is copied.
    std::u16string copied;
    // Counted wide: a file just under 4 GiB can hold more lines than a 32-bit number.
    std::int64_t lineNumber = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t firstReturn = std::u16string_view::npos;
        const std::size_t end = LineEnd(text, at, firstReturn);
        std::u16string_view line = text.substr(at, end - at);
        while (!line.empty() && line.back() == u'\r') {
            line.remove_suffix(1);
        }
        if (firstReturn < at + line.size()) {
            copied.clear();
            std::copy_if(line.begin(), line.end(), std::back_inserter(copied),
                         [](char16_t c) { return c != u'\r'; });
            line = copied;
        }
        at = end + 1;  // past the line feed
        ParseKeptLine(line, lineNumber, mode, list, errorLog);
        ++lineNumber;
    }
}

void ParseCommandLine(std::u16string_view line, std::int32_t lineNumber, EscapeMode mode, CommandList& list,
                      std::u16string& errorLog) {
    FormatCursor cursor(line);
    std::u16string name = ReadRun(cursor, u":", EscapeMode::NameEscapes);
    if (cursor.Peek() != u':') {
        AddToLog(errorLog, FormatMessageText(MessageId::NoCommandOnLine, {lineNumber}));
        return;
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
        const std::u16string_view trimmed = TrimBlanks(ReadKeyword(cursor, decoded));
        if (const std::optional<CommandType> type = CommandTypeFromKeyword(trimmed)) {
            command.type = *type;
            placement.kept = true;
        } else {
            AddToLog(errorLog, FormatMessageText(MessageId::UnknownBuiltInCommand,
                                                 {command.name, lineNumber, trimmed}));
        }
        return;
    }

    const std::int32_t formatStart = cursor.Position();
    // Each "$" starts at most one attribute part and one text part after it: room for them all at once.
    const std::u16string_view rest =
        line.substr(std::min(line.size(), static_cast<std::size_t>(formatStart)));
    std::size_t attributes = 0;
    for (const char16_t c : rest) {
        attributes += c == u'$' ? 1 : 0;
    }
    command.format.parts.reserve(2 * attributes + 1);
    std::u16string error;
    ParseItemFormat(cursor, &command.format, mode, error);
    if (mode == EscapeMode::EditorEscapes) {
        if (cursor.Peek() == u']') {
            SkipToSeparator(cursor);
        }
        const auto start = static_cast<std::size_t>(formatStart);
        const auto end = std::min(static_cast<std::size_t>(cursor.Position()), line.size());
        command.format.formatText = EditorFormatText(line.substr(start, end > start ? end - start : 0));
    }
    if (!error.empty()) {
        if (mode == EscapeMode::FullEscapes) {
            AddToLog(errorLog, FormatMessageText(MessageId::ErrorReadingCommand,
                                                 {command.name, lineNumber, AsClause(error)}));
            return;
        }
        command.format.errorText = std::move(error);
    }

    // A "[" without its "]" keeps the command with empty texts; the log says why they are missing.
    if (cursor.Peek() == u'[' && !ReadTail(cursor, mode, command.format)) {
        AddToLog(errorLog, FormatMessageText(MessageId::ErrorReadingCommand,
                                             {command.name, lineNumber,
                                              AsClause(MessageText(MessageId::FailedToReadItemSeparator))}));
    }
    placement.kept = true;
}

std::u16string CommandFileText(const CommandList& list) {
    TextBuffer out;
    for (const Command& command : list) {
        AppendCommandLine(out, command);
        out.AppendText(u"\n");
    }
    return std::u16string(out.View());
}

bool CheckCommandList(const CommandList& list, std::u16string& error) {
    TextBuffer line;
    TextBuffer runs;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Command& command = list[i];
        const auto number = static_cast<std::int64_t>(i + 1);
        const auto nameLength = static_cast<std::size_t>(std::count_if(
            command.name.begin(), command.name.end(), [](char16_t c) { return c != u'\r' && c != u'\n'; }));
        if (nameLength > kMaxCommandNameLength) {
            error = FormatMessageText(MessageId::NameTooLong,
                                      {number, static_cast<std::int64_t>(kMaxCommandNameLength)});
            return false;
        }
        if (std::all_of(command.name.begin(), command.name.end(), IsBlank)) {
            error = FormatMessageText(MessageId::NameBlank, {number});
            return false;
        }
        line.Clear();
        AppendCommandLine(line, command);
        if (line.View().front() == u';') {
            error = FormatMessageText(MessageId::NameStartsComment, {number, command.name});
            return false;
        }
        if (const std::optional<MessageId> field = command.type == CommandType::UserDefined
                                                       ? FieldTooLong(command.format, runs)
                                                       : std::nullopt) {
            error = FormatMessageText(MessageId::FieldTooLong, {command.name, MessageText(*field),
                                                                static_cast<std::int64_t>(kMaxRunLength)});
            return false;
        }
        if (line.Count() >= kMaxCommandLineLength) {
            error = FormatMessageText(MessageId::LineTooLong,
                                      {command.name, static_cast<std::int64_t>(line.Count()),
                                       static_cast<std::int64_t>(kMaxCommandLineLength)});
            return false;
        }
    }
    return true;
}

std::string EncodeCommandFileText(std::u16string_view text) {
    std::string bytes(kByteOrderMark);
    bytes += Utf16ToUtf8(text);
    return bytes;
}

bool SaveCommandFile(const std::u16string& path, const CommandList& list, std::u16string& error) {
    if (!CheckCommandList(list, error)) {
        return false;
    }
    const std::string bytes = EncodeCommandFileText(CommandFileText(list));
    const platform::ReplaceResult result = platform::ReplaceFileContents(path, bytes);
    if (result.Succeeded()) {
        return true;
    }
    const MessageId id = result.failedStep == platform::ReplaceStep::Create ? MessageId::FailedToCreateFile
                                                                            : MessageId::FailedToWriteFile;
    error = FormatMessageText(id, {path, static_cast<std::int64_t>(result.errorCode)});
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
    path += u"Cmds.txt";
    return path;
}

std::u16string defaultCommandFile() {
    const std::u16string folder = platform::RunningModuleFolder();
    return folder.empty() ? std::u16string() : folder + u"Cmds.txt";
}

}  // namespace quillet
