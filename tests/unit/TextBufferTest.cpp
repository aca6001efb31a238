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

TEST(TextBuffer, GrowsByDoublingFromAtLeast256) {
    TextBuffer buffer;
    buffer.AppendText(u"");
    EXPECT_TRUE(buffer.HasArray());
    EXPECT_EQ(buffer.Capacity(), 256u);
    buffer.AppendText(std::u16string(255, u'x'));  // 255 characters and the zero fill 256 exactly
    EXPECT_EQ(buffer.Capacity(), 256u);
    buffer.AppendText(u"y");
    EXPECT_EQ(buffer.Capacity(), 512u);
    buffer.AppendText(std::u16string(2000, u'\n'));  // more than double: grows to what is needed
    EXPECT_EQ(buffer.Count(), 256u + 4000u);
    EXPECT_EQ(buffer.Capacity(), 256u + 4000u + 1u);
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
