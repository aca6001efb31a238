#include <gtest/gtest.h>

#include "core/format/TextBuffer.h"

namespace quillet {
namespace {

TEST(TextBuffer, LineFeedsBecomeCrLfAndNothingElseChanges) {
    TextBuffer buffer;
    EXPECT_FALSE(buffer.HasArray());
    EXPECT_TRUE(buffer.View().empty());
    buffer.AppendText(u"a\nb\r\nc\rd");
    EXPECT_TRUE(buffer.View() == u"a\r\nb\r\r\nc\rd");
    buffer.AppendRaw(u"\n");
    EXPECT_TRUE(buffer.View() == u"a\r\nb\r\r\nc\rd\n");
    EXPECT_EQ(buffer.Data()[buffer.Count()], u'\0');
}

// The array moves exactly when it grows: it is replaced while the old one is still held.
TEST(TextBuffer, GrowsByDoublingFromAtLeast256) {
    TextBuffer buffer;
    buffer.AppendText(u"");
    EXPECT_TRUE(buffer.HasArray());
    const char16_t* first = buffer.Data();
    buffer.AppendText(std::u16string(255, u'x'));  // 255 characters and the zero fill 256 exactly
    EXPECT_EQ(buffer.Data(), first);
    buffer.AppendText(u"y");
    const char16_t* second = buffer.Data();
    EXPECT_NE(second, first);
    buffer.AppendText(std::u16string(255, u'z'));  // 511 and the zero: 512
    EXPECT_EQ(buffer.Data(), second);
    buffer.AppendText(std::u16string(2000, u'\n'));  // more than double: grows to what is needed
    EXPECT_EQ(buffer.Count(), 511u + 4000u);
    const char16_t* third = buffer.Data();
    buffer.AppendText(u"w");  // no room left beyond what was needed
    EXPECT_NE(buffer.Data(), third);
    EXPECT_EQ(buffer.View().substr(0, 255), std::u16string(255, u'x'));
}

TEST(TextBuffer, ClearKeepsTheArray) {
    TextBuffer buffer(10);
    EXPECT_TRUE(buffer.HasArray());
    buffer.AppendText(u"hello");
    buffer.Clear();
    EXPECT_TRUE(buffer.HasArray());
    EXPECT_EQ(buffer.Count(), 0u);
    EXPECT_EQ(buffer.Data()[0], u'\0');
}

}  // namespace
}  // namespace quillet
