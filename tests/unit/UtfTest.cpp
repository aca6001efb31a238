#include <gtest/gtest.h>

#include "platform/Trim.h"
#include "platform/Utf.h"

namespace quillet {
namespace {

TEST(Trim, TakesOnlyTheNamedCharactersOffTheEnds) {
    struct Row {
        std::u16string_view text, both, end;
    };
    const Row rows[] = {
        {u"", u"", u""},
        {u" \t ", u"", u""},
        {u" a \t b\r", u"a \t b", u" a \t b"},
        {u"\na\n", u"\na\n", u"\na\n"},  // a character not named stays
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(Trimmed(row.text, u" \t\r") == row.both);
        EXPECT_TRUE(TrimmedEnd(row.text, u" \t\r") == row.end);
    }
}

TEST(Utf, RoundTripsEveryPlane) {
    const std::u16string text = u"a\u00B7\u20AC\U0001F600z";
    const std::string utf8 = Utf16ToUtf8(text);
    EXPECT_EQ(utf8, "a\xC2\xB7\xE2\x82\xAC\xF0\x9F\x98\x80z");
    EXPECT_TRUE(Utf8ToUtf16(utf8) == text);
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
    struct Row {
        std::string utf8;
        std::u16string expected;
    };
    const Row rows[] = {
        {"\xFF"
         "a",
         u"\uFFFDa"},         // not a lead byte
        {"\xC3", u"\uFFFD"},  // cut short at the end
        {"\xE2\x82"
         "a",
         u"\uFFFDa"},                   // cut short before ASCII
        {"\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong
        {"\xED\xA0\x80", u"\uFFFD"},    // an encoded surrogate
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(Utf8ToUtf16(row.utf8) == row.expected) << row.utf8;
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(Utf, EscapedBytesSurviveTheRoundTrip) {
    struct Row {
        std::string bytes;
        std::u16string text;
    };
    const Row rows[] = {
        {"caf\xE9", u"caf\xDCE9"},
        {"\xC3\xA9\xC3", u"\u00E9\xDCC3"},
        {"\xED\xB2\x80", u"\xDCED\xDCB2\xDC80"},  // a surrogate's encoding is not UTF-8
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(Utf8ToUtf16EscapingBytes(row.bytes) == row.text) << row.bytes;
        EXPECT_EQ(Utf16ToUtf8EscapedBytes(row.text), row.bytes);
    }
}

}  // namespace
}  // namespace quillet
