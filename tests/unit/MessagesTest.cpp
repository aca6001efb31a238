#include <gtest/gtest.h>

#include <set>

#include "core/messages/Messages.h"

namespace quillet {
namespace {

TEST(Messages, TextsAreTheSystemsOwn) {
    // Spelled out: users see these texts, and their string table ids are fixed.
    struct Row {
        int id;
        std::u16string_view text;
    };
    const Row rows[] = {
        {2000, u"Unexpected ']' (use '\\]' to insert a ']')."},
        {2001, u"Invalid definition - no item variables."},
        {2002, u"Invalid '$', must be followed by attribute name, or use '\\$' to insert a '$'."},
        {2003, u"Invalid parameter tag '%1' for attribute $%2."},
        {2009, u"No such attribute \"$%1\""},
        {2005, u"Failed to read item separator, "},
        {2006, u"No command found on line %1!d! (missing \":\")."},
        {2007, u"Error reading command \"%1\" on line %2!d!: %3."},
        {2008, u"Error reading command \"%1\" on line %2!d!: Unknown built-in command \"%3\"."},
        {220, u"Failed to create file '%1': %3\n(Error code %2!08x!)."},
        {221, u"Failed to write to file '%1': %3\n(Error code %2!08x!)."},
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(MessageText(static_cast<MessageId>(row.id)) == row.text) << row.id;
    }
    EXPECT_EQ(static_cast<int>(MessageId::NoSuchAttribute), 2009);
    EXPECT_EQ(static_cast<int>(MessageId::FailedToWriteFile), 221);
}

TEST(Messages, IdsAreUniqueAndEveryTextIsFound) {
    std::set<int> ids;
    for (const MessageEntry& entry : AllMessages()) {
        EXPECT_TRUE(ids.insert(entry.id).second) << "duplicate id " << entry.id;
        EXPECT_FALSE(entry.text.empty());
        EXPECT_TRUE(MessageText(static_cast<MessageId>(entry.id)) == entry.text);
    }
    EXPECT_TRUE(MessageText(static_cast<MessageId>(1)).empty());
}

TEST(Messages, PositionalInserts) {
    struct Row {
        std::u16string_view pattern;
        std::initializer_list<MessageArg> args;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {u"Invalid parameter tag '%1' for attribute $%2.",
         {u"bar", u"name"},
         u"Invalid parameter tag 'bar' for attribute $name."},
        {u"%2 before %1", {u"one", u"two"}, u"two before one"},
        {u"Line %2!d!: %1", {u"bad", 42}, u"Line 42: bad"},
        {u"code %1!08x!", {0x2A}, u"code 0000002a"},
        {u"code %1!08x!", {-1}, u"code ffffffff"},
        {u"%1!X!", {255}, u"FF"},
        {u"%1!d!", {-12}, u"-12"},
        {u"%1!5d!|", {7}, u"    7|"},
        {u"%1!-5d!|", {7}, u"7    |"},
        {u"%1!s! and %1", {u"x"}, u"x and x"},
        {u"100%% of %1", {u"it"}, u"100% of it"},
        {u"missing %3 stays", {u"a"}, u"missing %3 stays"},
        {u"trailing %", {}, u"trailing %"},
        {u"%0 is no insert", {u"a"}, u"%0 is no insert"},
        {u"%1%2", {u"a", u"b"}, u"ab"},
        {u"%12", {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j", u"k", u"l"}, u"l"},
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(FormatInserts(row.pattern, row.args) == row.expected)
            << std::string(row.pattern.begin(), row.pattern.end());
    }
}

TEST(Messages, FormatsATableMessage) {
    EXPECT_TRUE(FormatMessageText(MessageId::NoSuchAttribute, {u"namex"}) == u"No such attribute \"$namex\"");
}

}  // namespace
}  // namespace quillet
