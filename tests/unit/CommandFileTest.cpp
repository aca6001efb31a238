#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "core/commands/CommandFile.h"
#include "core/messages/Messages.h"
#include "platform/Utf.h"

namespace quillet {
namespace {

constexpr EscapeMode kShell = EscapeMode::FullEscapes;
constexpr EscapeMode kEditor = EscapeMode::EditorEscapes;

// One command as "name|KEYWORD" or "name|format|separator|start|end|flag|error", a line kept as no
// command as "!text", the texts in UTF-8 with line feeds and tabs shown as "<LF>" and "<TAB>".
std::string Describe(const Command& command) {
    auto show = [](std::u16string_view text) {
        std::string out;
        for (const char c : test::Printable(text)) {
            out += c == '\n' ? std::string("<LF>") : c == '\t' ? std::string("<TAB>") : std::string(1, c);
        }
        return out;
    };
    if (!command.unreadable.empty()) {
        return "!" + show(command.name);
    }
    if (command.type != CommandType::UserDefined) {
        return show(command.name) + "|" + test::Printable(KeywordOf(command.type));
    }
    const CopyFormat& f = command.format;
    return show(command.name) + "|" + show(f.formatText) + "|" + show(f.itemSeparator) + "|" +
           show(f.startText) + "|" + show(f.endText) + "|" + (f.newlineAtEnd ? "1" : "0") + "|" +
           show(f.errorText);
}

std::string Describe(const CommandList& list) {
    std::string out;
    for (const Command& command : list) {
        out += (out.empty() ? "" : "\n") + Describe(command);
    }
    return out;
}

struct Parsed {
    CommandList list;
    std::u16string log;
};

Parsed Parse(std::u16string_view text, EscapeMode mode) {
    Parsed parsed;
    ParseCommandFileBytes(Utf16ToUtf8(text), mode, parsed.list, parsed.log);
    return parsed;
}

std::u16string Message(MessageId id, std::initializer_list<MessageArg> args = {}) {
    return FormatMessageText(id, args) + u"\n";
}

// A line read by both programs: what each keeps and what each logs.
struct LineRow {
    std::u16string_view line;
    std::string shell;  // Describe() of the shell extension's list
    std::u16string shellLog;
    std::string editor;  // Describe() of the configuration program's list
    std::u16string editorLog;
};

void ExpectRow(const LineRow& row) {
    const Parsed shell = Parse(row.line, kShell);
    const Parsed editor = Parse(row.line, kEditor);
    const std::string where = "line: " + test::Printable(row.line);
    EXPECT_EQ(Describe(shell.list), row.shell) << where;
    EXPECT_EQ(test::Printable(shell.log), test::Printable(row.shellLog)) << where;
    EXPECT_EQ(Describe(editor.list), row.editor) << where;
    EXPECT_EQ(test::Printable(editor.log), test::Printable(row.editorLog)) << where;
}

TEST(CommandFile, ReadsEachKindOfLine) {
    const std::u16string badFormat = FormatMessageText(MessageId::NoSuchAttribute, {u"nope"});
    const std::u16string noVariables = FormatMessageText(MessageId::NoItemVariables);
    const std::u16string separator = u"Failed to read item separator";
    const std::u16string closeBracket = FormatMessageText(MessageId::UnexpectedCloseBracket);
    // The log line ends with its own full stop, so an inserted message loses its own.
    auto clause = [](const std::u16string& message) { return message.substr(0, message.size() - 1); };
    const LineRow rows[] = {
        {u"; my commands", "", u"", "", u""},
        {u"", "", u"", "", u""},
        {u"Copy &Names:%QUILLET", "Copy &Names|QUILLET", u"", "Copy &Names|QUILLET", u""},
        {u"A\\:B:%OPTIONS", "A:B|OPTIONS", u"", "A:B|OPTIONS", u""},
        {u"Name:% OPTIONS\t", "Name|OPTIONS", u"", "Name|OPTIONS", u""},
        {u"More:%SUBFOLDER", "More|SUBFOLDER", u"", "More|SUBFOLDER", u""},
        // The shell extension drops a line that is no command; the editor keeps it as it stands.
        {u"Name:%options", "", Message(MessageId::UnknownBuiltInCommand, {u"Name", 0, u"options"}),
         "!Name:%options", Message(MessageId::UnknownBuiltInCommand, {u"Name", 0, u"options"})},
        {u"Pct:%$name", "", Message(MessageId::UnknownBuiltInCommand, {u"Pct", 0, u"$name"}), "!Pct:%$name",
         Message(MessageId::UnknownBuiltInCommand, {u"Pct", 0, u"$name"})},
        {u"  ;x", "", Message(MessageId::NoCommandOnLine, {0}), "!  ;x",
         Message(MessageId::NoCommandOnLine, {0})},
        {u"No colon\\: here", "", Message(MessageId::NoCommandOnLine, {0}), "!No colon\\: here",
         Message(MessageId::NoCommandOnLine, {0})},
        {u"Name:$name", "Name|||||0|", u"", "Name|$name||||0|", u""},
        {u"Name:$name[, ]", "Name||, |||0|", u"", "Name|$name|, |||0|", u""},
        {u"Name:$name[]|End", "Name||||End|0|", u"", "Name|$name|||End|0|", u""},
        {u"Name:$name[]S|E|1", "Name|||S|E|1|", u"", "Name|$name||S|E|1|", u""},
        {u"Name:$name[]S|E|1 ", "Name|||S|E|0|", u"", "Name|$name||S|E|0|", u""},
        {u"Name:$name[]S|E|2", "Name|||S|E|0|", u"", "Name|$name||S|E|0|", u""},
        {u"Name:$name[]||1", "Name|||||1|", u"", "Name|$name||||1|", u""},
        // Escapes: the shell extension decodes them all, the editor only the brackets and the bar.
        {u"Lines:$name\\t$size[\\n]Name\\tSize\\n|\\nEnd|1", "Lines||<LF>|Name<TAB>Size<LF>|<LF>End|1|", u"",
         "Lines|$name\\t$size|\\n|Name\\tSize\\n|\\nEnd|1|", u""},
        {u"Esc:\\[$name\\]\\|\\$x[\\]\\[]a\\|b|c", "Esc||][|a|b|c|0|", u"", "Esc|[$name]|\\$x|][|a|b|c|0|",
         u""},
        {u"Lone:$name\\", "Lone|||||0|", u"", "Lone|$name\\||||0|", u""},
        {u"Other:$name\\q[\\x]", "Other||\\x|||0|", u"", "Other|$name\\q|\\x|||0|", u""},
        // A "%" after the start of a format is text; "$" and "[" are text in the separator.
        {u"Percent:$name%[$[|x]", "Percent||$[|x|||0|", u"", "Percent|$name%|$[|x|||0|", u""},
        // A "[" without its "]": the command stays with empty texts, and the log says why.
        {u"Open:$name[, |end", "Open|||||0|",
         Message(MessageId::ErrorReadingCommand, {u"Open", 0, separator}), "Open|$name||||0|",
         Message(MessageId::ErrorReadingCommand, {u"Open", 0, separator})},
        {u"Open:$name[", "Open|||||0|", Message(MessageId::ErrorReadingCommand, {u"Open", 0, separator}),
         "Open|$name||||0|", Message(MessageId::ErrorReadingCommand, {u"Open", 0, separator})},
        // A faulty format: the shell extension drops the command, the editor keeps it with the message.
        {u"Name:$nope[]", "", Message(MessageId::ErrorReadingCommand, {u"Name", 0, badFormat}),
         "Name|$nope||||0|" + test::Printable(badFormat), u""},
        {u"Empty:[x]", "", Message(MessageId::ErrorReadingCommand, {u"Empty", 0, clause(noVariables)}),
         "Empty||x|||0|" + test::Printable(noVariables), u""},
        {u"Bracket:$name]x[y]", "",
         Message(MessageId::ErrorReadingCommand, {u"Bracket", 0, clause(closeBracket)}),
         "Bracket|$name]x|y|||0|" + test::Printable(closeBracket), u""},
        // With EditorEscapes "\$name" is text, so the format has no attribute.
        {u"Text:\\$name", "", Message(MessageId::ErrorReadingCommand, {u"Text", 0, clause(noVariables)}),
         "Text|\\$name||||0|" + test::Printable(noVariables), u""},
    };
    for (const LineRow& row : rows) {
        ExpectRow(row);
    }
}

TEST(CommandFile, NumbersLinesFromZeroCountingSkippedOnes) {
    const Parsed parsed = Parse(u"; comment\r\n\r\nbad line\r\nA:%QUILLET\r\nalso bad\n", kShell);
    EXPECT_EQ(Describe(parsed.list), "A|QUILLET");
    EXPECT_EQ(test::Printable(parsed.log), test::Printable(Message(MessageId::NoCommandOnLine, {2}) +
                                                           Message(MessageId::NoCommandOnLine, {4})));
}

TEST(CommandFile, KeepsEachLoggedLineWithItsNumberAndReason) {
    const Parsed parsed = Parse(u"no colon\n; c\nU:%NOPE\nF:$nope\nT:$name[, \nA:%QUILLET\n", kShell);
    std::string rejections;
    for (const LineRejection& r : parsed.list.rejections) {
        rejections += std::to_string(r.line) + ":" + std::to_string(static_cast<int>(r.reason)) + " ";
    }
    EXPECT_EQ(rejections, "0:2006 2:2008 3:2007 4:2005 ");
}

TEST(CommandFile, EndsLinesAtLineFeedsCarriageReturnsOrBoth) {
    struct Row {
        std::u16string_view text;
        std::string shell;
        std::u16string shellLog;
    };
    const Row rows[] = {
        {u"A:%QUILLET\rB:%OPTIONS\r", "A|QUILLET\nB|OPTIONS", u""},
        {u"A:%QUILLET\r\nB:%OPTIONS", "A|QUILLET\nB|OPTIONS", u""},
        {u"A:%QUILLET\n\rB:%OPTIONS\n", "A|QUILLET\nB|OPTIONS", u""},
        // CR CR LF: a line end and an empty line; line 2 is the third.
        {u"A:%QUILLET\r\r\nbad\rB:%OPTIONS", "A|QUILLET\nB|OPTIONS",
         Message(MessageId::NoCommandOnLine, {2})},
        {u"N\rame:$name[, ]\r\n", "ame||, |||0|", Message(MessageId::NoCommandOnLine, {0})},
    };
    for (const Row& row : rows) {
        const Parsed shell = Parse(row.text, kShell);
        EXPECT_EQ(Describe(shell.list), row.shell) << test::Printable(row.text);
        EXPECT_EQ(test::Printable(shell.log), test::Printable(row.shellLog)) << test::Printable(row.text);
    }
}

TEST(CommandFile, IgnoresLinesOf8192CharactersOrMore) {
    for (const std::size_t length : {8190, 8191, 8192, 9000}) {
        std::u16string line = u"Long:$name[]";
        line.append(length - line.size(), u'x');
        // Carriage returns do not count.
        const Parsed parsed = Parse(line + u"\r\r\nB:%OPTIONS\n", kShell);
        const bool kept = length < kMaxCommandLineLength;
        ASSERT_EQ(parsed.list.size(), kept ? 2u : 1u) << length;
        EXPECT_EQ(Describe(parsed.list.back()), "B|OPTIONS");
        // A dropped line is named in the log, for "quillet check" to list.
        EXPECT_EQ(test::Printable(parsed.log),
                  kept ? ""
                       : test::Printable(Message(MessageId::LineIgnoredTooLong,
                                                 {0, static_cast<std::int64_t>(length), 8192})))
            << length;
    }
}

TEST(CommandFile, StopsAtTheEndOfTextAndAtZeroCharacters) {
    const std::u16string text(u"A:$name\0[x]\nB:%QUI\0LLET\nC:\0%OPTIONS", 35);
    const Parsed parsed = Parse(text, kEditor);
    EXPECT_EQ(Describe(parsed.list), "A|$name||||0|\n!" +
                                         test::Printable(std::u16string(u"B:%QUI\0LLET", 11)) + "\nC|||||0|" +
                                         test::Printable(FormatMessageText(MessageId::NoItemVariables)));
    EXPECT_EQ(test::Printable(parsed.log),
              test::Printable(Message(MessageId::UnknownBuiltInCommand, {u"B", 1, u"QUI"})));
}

}  // namespace
}  // namespace quillet
