#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/format/ItemFormat.h"
#include "core/messages/Messages.h"

namespace quillet {
namespace {

// "text(..)", "path(component,separator)", "date(stamp,style)", "size(unit)", "type" joined by spaces.
std::string Describe(const CopyFormat& format) {
    std::string out;
    for (const auto& part : format.parts) {
        if (!out.empty()) {
            out += ' ';
        }
        if (const auto* text = dynamic_cast<const ItemPartText*>(part.get())) {
            out += "text(" + test::Printable(text->Text()) + ")";
        } else if (const auto* path = dynamic_cast<const ItemPartPath*>(part.get())) {
            out += "path(" + std::to_string(static_cast<int>(path->Component())) + "," +
                   std::to_string(static_cast<int>(path->Separator())) + ")";
        } else if (const auto* date = dynamic_cast<const ItemPartDate*>(part.get())) {
            out += "date(" + std::to_string(static_cast<int>(date->Stamp())) + "," +
                   std::to_string(static_cast<int>(date->Style())) + ")";
        } else if (const auto* size = dynamic_cast<const ItemPartSize*>(part.get())) {
            out += "size(" + std::to_string(static_cast<int>(size->Unit())) + ")";
        } else if (dynamic_cast<const ItemPartType*>(part.get())) {
            out += "type";
        }
    }
    return out;
}

struct ParseResult {
    std::string parts;
    std::string error;
    std::int32_t end;
};

ParseResult Parse(std::u16string_view text, EscapeMode mode = EscapeMode::FullEscapes,
                  FormatPlacement placement = FormatPlacement::InCommandLine) {
    CopyFormat format;
    ParsedItemFormat parsed = ParseItemFormat(FormatCursor(text), mode, placement);
    format.parts = std::move(parsed.parts);
    return {Describe(format), test::Printable(parsed.error), parsed.end};
}

std::string Message(MessageId id, std::initializer_list<MessageArg> args = {}) {
    return test::Printable(FormatMessageText(id, args));
}

TEST(ItemFormat, CompilesAttributesAndText) {
    struct Row {
        std::u16string_view format;
        std::string parts;
    };
    const Row rows[] = {
        {u"$name", "path(1,0)"},
        {u"File: $name;.txt", "text(File: ) path(1,0) text(.txt)"},
        {u"$name.txt", "path(1,0) text(.txt)"},
        {u"$name;2", "path(1,0) text(2)"},
        {u"$size:KB", "size(1)"},
        {u"$size:auto $size:b$size:mb$size:gb", "size(4) text( ) size(0) size(2) size(3)"},
        {u"$path:", "path(0,0)"},
        {u"$path:;", "path(0,0)"},
        {u"$path:forwardslash $folder:DoubleBackslash $ext:backslash $namenoext",
         "path(0,2) text( ) path(2,1) text( ) path(3,0) text( ) path(4,0)"},
        {u"$moddate $credate:shortdate $accdate:LONGDATE $moddate:shortdatetime $moddate:longdatetime",
         "date(0,0) text( ) date(1,2) text( ) date(2,3) text( ) date(0,0) text( ) date(0,1)"},
        {u"$type:anything", "type"},
        {u"'$path'", "text(') path(0,0) text(')"},
    };
    for (const Row& row : rows) {
        const ParseResult result = Parse(row.format);
        EXPECT_EQ(result.parts, row.parts) << test::Printable(row.format);
        EXPECT_EQ(result.error, "") << test::Printable(row.format);
    }
}

TEST(ItemFormat, ReportsTheLastFaultFound) {
    struct Row {
        std::u16string_view format;
        std::string error;
    };
    const Row rows[] = {
        {u"", Message(MessageId::NoItemVariables)},
        {u"plain text", Message(MessageId::NoItemVariables)},
        {u"$namex", Message(MessageId::NoSuchAttribute, {u"namex"})},
        {u"$Name", Message(MessageId::NoSuchAttribute, {u"Name"})},
        {u"$", Message(MessageId::DollarWithoutAttribute)},
        {u"$ ", Message(MessageId::DollarWithoutAttribute)},
        {u"$$", Message(MessageId::DollarWithoutAttribute)},
        {u"$size:tb", Message(MessageId::InvalidParameterTag, {u"tb", u"size"})},
        {u"$foo $name:bar", Message(MessageId::InvalidParameterTag, {u"bar", u"name"})},
        {u"$name]x", Message(MessageId::UnexpectedCloseBracket)},
        {u"abc]", Message(MessageId::NoItemVariables)},
        {u"]$name", Message(MessageId::NoItemVariables)},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Parse(row.format).error, row.error) << test::Printable(row.format);
    }
    // An error suppresses every later part; earlier parts stay.
    EXPECT_EQ(Parse(u"$name $foo $path").parts, "path(1,0) text( ) text( )");
}

TEST(ItemFormat, EscapesDependOnTheMode) {
    struct Row {
        std::u16string_view format;
        EscapeMode mode;
        std::string parts;
        std::string error;
    };
    const std::string none = Message(MessageId::NoItemVariables);
    const Row rows[] = {
        {u"\\$5 $name", EscapeMode::FullEscapes, "text($5 ) path(1,0)", ""},
        {u"a\\]b$name", EscapeMode::FullEscapes, "text(a]b) path(1,0)", ""},
        {u"\\q$name", EscapeMode::FullEscapes, "text(\\q) path(1,0)", ""},
        {u"$name\\", EscapeMode::FullEscapes, "path(1,0) text(\\)", ""},
        {u"$name\\n\\r\\t\\\\\\|\\[", EscapeMode::FullEscapes, "path(1,0) text(\n\r\t\\|[)", ""},
        {u"\\$name", EscapeMode::EditorEscapes, "text(\\$name)", none},
        {u"$name\\n\\[\\]\\|", EscapeMode::EditorEscapes, "path(1,0) text(\\n[]|)", ""},
        {u"$name\\:\\\\\\[", EscapeMode::NameEscapes, "path(1,0) text(:\\\\[)", ""},
    };
    for (const Row& row : rows) {
        const ParseResult result = Parse(row.format, row.mode);
        EXPECT_EQ(result.parts, row.parts) << test::Printable(row.format);
        EXPECT_EQ(result.error, row.error) << test::Printable(row.format);
    }
}

TEST(ItemFormat, StopsOnTheBracketOfACommandLine) {
    const std::u16string line = u"$name[, ]";
    const ParseResult result = Parse(line);
    EXPECT_EQ(result.parts, "path(1,0)");
    EXPECT_EQ(result.end, 5);
    EXPECT_EQ(Parse(u"[, ]").error, Message(MessageId::NoItemVariables));
    EXPECT_EQ(Parse(u"a\\[b$name[x").parts, "text(a[b) path(1,0)");
}

TEST(ItemFormat, AFormatStandingAloneCompilesItsBracketsAsText) {
    const ParseResult result = Parse(u"[$name] ]x[\\[", EscapeMode::FullEscapes, FormatPlacement::Alone);
    EXPECT_EQ(result.parts, "text([) path(1,0) text(] ]x[[)");
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.end, 13);
    EXPECT_EQ(Parse(u"[$nam]", EscapeMode::EditorEscapes, FormatPlacement::Alone).error,
              Message(MessageId::NoSuchAttribute, {u"nam"}));
}

TEST(ItemFormat, ALineFeedEndsTheFormat) {
    const ParseResult result = Parse(u"$name\nmore $path");
    EXPECT_EQ(result.parts, "path(1,0)");
    EXPECT_EQ(result.end, 5);
    EXPECT_EQ(Parse(u"\\\n$name").parts, "text(\\)");
    EXPECT_EQ(Parse(u"x\n$name").error, Message(MessageId::NoItemVariables));
}

TEST(ItemFormat, RunsHoldAtMost1024Characters) {
    // A long literal becomes several text parts of at most 1024 characters, nothing lost.
    const std::u16string longText(2500, u'x');
    const ParseResult result = Parse(longText + u"$name");
    EXPECT_EQ(result.parts, "text(" + std::string(1024, 'x') + ") text(" + std::string(1024, 'x') +
                                ") text(" + std::string(452, 'x') + ") path(1,0)");

    // 1023 characters and then a pair copied as two characters: the run ends before the pair.
    const std::u16string text(1023, u'y');
    const std::u16string withPair = text + u"\\qz";
    FormatCursor cursor(withPair);
    EXPECT_EQ(ReadRun(cursor, u"$", EscapeMode::FullEscapes).size(), 1023u);
    EXPECT_EQ(cursor.Position(), 1023);
    EXPECT_TRUE(ReadRun(cursor, u"$", EscapeMode::FullEscapes) == u"\\qz");

    // A decoded pair still fits as the 1024th character.
    const std::u16string withDecoded = text + u"\\$z";
    FormatCursor decoded(withDecoded);
    EXPECT_EQ(ReadRun(decoded, u"$", EscapeMode::FullEscapes), text + u"$");
    EXPECT_TRUE(ReadRun(decoded, u"$", EscapeMode::FullEscapes) == u"z");

    // Checked alone, a "[" after a full run is text, not the end of the format.
    const std::u16string bracketAfterFullRun = std::u16string(1024, u'z') + u"[$name";
    EXPECT_EQ(Parse(bracketAfterFullRun, EscapeMode::EditorEscapes, FormatPlacement::Alone).error, "");
}

TEST(ItemFormat, IdentifiersAreAsciiLettersAndDigits) {
    FormatCursor cursor(u"abcXYZ09_rest");
    EXPECT_TRUE(ReadIdentifier(cursor) == u"abcXYZ09");
    EXPECT_EQ(cursor.Position(), 8);
    FormatCursor accented(u"\u00E9t\u00E9");
    EXPECT_TRUE(ReadIdentifier(accented).empty());
    const std::u16string tooLong(1030, u'a');
    FormatCursor longName(tooLong);
    EXPECT_EQ(ReadIdentifier(longName).size(), 1024u);
}

TEST(ItemFormat, EveryKeywordCompilesWithItsDefault) {
    for (const AttributeKeyword& keyword : AttributeKeywords()) {
        const std::u16string format = u"$" + std::u16string(keyword.name);
        const ParseResult result = Parse(format);
        EXPECT_EQ(result.error, "") << test::Printable(format);
        EXPECT_EQ(result.parts.find(' '), std::string::npos) << test::Printable(format);
        for (const AttributeTag& tag : keyword.tags) {
            EXPECT_EQ(Parse(format + u":" + std::u16string(tag.tag)).error, "");
        }
    }
}

}  // namespace
}  // namespace quillet
