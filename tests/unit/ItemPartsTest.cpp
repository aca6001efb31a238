#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/format/ItemParts.h"
#include "core/format/StampConverter.h"

namespace quillet {
namespace {

using test::Native;

std::u16string RenderPart(const ItemPartBase& part, const CFItem& item) {
    TextBuffer buffer;
    PathLookups lookups;
    part.Render(item, buffer, lookups);
    return std::u16string(buffer.View());
}

TEST(ItemParts, PathComponentsAndSeparators) {
    struct Row {
        std::u16string_view path;
        PathComponent component;
        PathSeparator separator;
        std::u16string_view expected;  // backslashes stand for this platform's separator
    };
    const Row rows[] = {
        {u"C:\\Data\\Report.final.txt", PathComponent::Name, PathSeparator::Backslash, u"Report.final.txt"},
        {u"C:\\Data\\Report.final.txt", PathComponent::Folder, PathSeparator::Backslash, u"C:\\Data\\"},
        {u"C:\\Data\\Report.final.txt", PathComponent::Ext, PathSeparator::Backslash, u"txt"},
        {u"C:\\Data\\Report.final.txt", PathComponent::NameNoExt, PathSeparator::Backslash, u"Report.final"},
        {u"C:\\Data\\Report.final.txt", PathComponent::Path, PathSeparator::ForwardSlash,
         u"C:/Data/Report.final.txt"},
        {u"C:\\Data\\Report.final.txt", PathComponent::Path, PathSeparator::DoubleBackslash,
         u"C:\\\\Data\\\\Report.final.txt"},
        {u"C:\\Data\\README", PathComponent::Ext, PathSeparator::Backslash, u""},
        {u"C:\\Data\\README", PathComponent::NameNoExt, PathSeparator::Backslash, u"README"},
        {u"C:\\home\\.profile", PathComponent::Ext, PathSeparator::Backslash, u"profile"},
        {u"C:\\home\\.profile", PathComponent::NameNoExt, PathSeparator::Backslash, u""},
        {u"C:\\", PathComponent::Name, PathSeparator::Backslash, u""},
        {u"C:\\", PathComponent::Folder, PathSeparator::ForwardSlash, u"C:/"},
        {u"nofolder.txt", PathComponent::Folder, PathSeparator::Backslash, u""},
        {u"nofolder.txt", PathComponent::Name, PathSeparator::Backslash, u"nofolder.txt"},
        {u"C:\\a.b\\c", PathComponent::Ext, PathSeparator::Backslash, u""},
    };
    for (const Row& row : rows) {
        const FileCFItem item(Native(row.path), ItemStamps{}, 0);
        const ItemPartPath part(row.component, row.separator);
        EXPECT_EQ(test::Printable(RenderPart(part, item)), test::Printable(Native(row.expected)))
            << test::Printable(row.path) << " component " << static_cast<int>(row.component);
    }
}

TEST(ItemParts, ExpandedFileComponentsUseTheRelativeName) {
    const ExpandedFileCFItem item(Native(u"C:\\Data\\Proj\\src.v2\\main"), Native(u"C:\\Data\\").size(),
                                  ItemStamps{}, 1);
    struct Row {
        PathComponent component;
        PathSeparator separator;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {PathComponent::Name, PathSeparator::Backslash, u"Proj\\src.v2\\main"},
        {PathComponent::Name, PathSeparator::ForwardSlash, u"Proj/src.v2/main"},
        {PathComponent::Folder, PathSeparator::Backslash, u"C:\\Data\\"},
        {PathComponent::Ext, PathSeparator::ForwardSlash, u"v2/main"},
        {PathComponent::NameNoExt, PathSeparator::Backslash, u"Proj\\src"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(test::Printable(RenderPart(ItemPartPath(row.component, row.separator), item)),
                  test::Printable(Native(row.expected)));
    }
}

TEST(ItemParts, SizesRoundUpAndAutoAddsTheUnitLetter) {
    struct Row {
        std::uint64_t bytes;
        SizeUnit unit;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {0, SizeUnit::Kilobytes, u"0"},
        {1, SizeUnit::Kilobytes, u"1"},
        {1024, SizeUnit::Kilobytes, u"1"},
        {1025, SizeUnit::Kilobytes, u"2"},
        {1023, SizeUnit::Auto, u"1023B"},
        {1024, SizeUnit::Auto, u"1K"},
        {1025, SizeUnit::Auto, u"2K"},
        {1048575, SizeUnit::Auto, u"1024K"},
        {1048576, SizeUnit::Auto, u"1M"},
        {1073741823, SizeUnit::Auto, u"1024M"},
        {1073741824, SizeUnit::Auto, u"1G"},
        {5000000000, SizeUnit::Auto, u"5G"},
        {5000000000, SizeUnit::Bytes, u"5000000000"},
        {5000000000, SizeUnit::Megabytes, u"4769"},
        {1, SizeUnit::Gigabytes, u"1"},
        {0, SizeUnit::Auto, u"0B"},
        {18446744073709551615u, SizeUnit::Gigabytes, u"17179869184"},
    };
    for (const Row& row : rows) {
        const FileCFItem item(Native(u"C:\\f"), ItemStamps{}, row.bytes);
        EXPECT_EQ(test::Printable(RenderPart(ItemPartSize(row.unit), item)), test::Printable(row.expected))
            << row.bytes << " unit " << static_cast<int>(row.unit);
    }
}

TEST(ItemParts, FoldersHaveNoSizeButEverythingElse) {
    const FolderCFItem folder(Native(u"C:\\Data\\Sub.d"), ItemStamps{}, 4096);
    for (const SizeUnit unit : {SizeUnit::Bytes, SizeUnit::Kilobytes, SizeUnit::Auto}) {
        EXPECT_TRUE(RenderPart(ItemPartSize(unit), folder).empty());
    }
    EXPECT_TRUE(RenderPart(ItemPartPath(PathComponent::Ext, PathSeparator::Backslash), folder) == u"d");
    EXPECT_FALSE(RenderPart(ItemPartType(), folder).empty());
}

TEST(ItemParts, TypeNamesFollowTheNameAndTheFolderFlag) {
    // Nothing exists at these paths: the type follows from the name and the folder flag alone.
    const FileCFItem text(Native(u"C:\\nowhere\\report.txt"), ItemStamps{}, 0);
    const FileCFItem other(Native(u"C:\\nowhere\\data.qzx"), ItemStamps{}, 0);
    const FolderCFItem folder(Native(u"C:\\nowhere\\Sub"), ItemStamps{}, 0);
    const std::u16string folderType = RenderPart(ItemPartType(), folder);
    const std::u16string textType = RenderPart(ItemPartType(), text);
    std::u16string otherType = RenderPart(ItemPartType(), other);
#ifndef _WIN32
    EXPECT_TRUE(folderType == u"File folder");
    EXPECT_TRUE(textType == u"TXT File");
#endif
    EXPECT_FALSE(folderType.empty());
    EXPECT_FALSE(textType.empty());
    EXPECT_NE(textType, folderType);
    // An extension the system does not know is named after the extension, in either case.
    for (char16_t& c : otherType) {
        c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    }
    EXPECT_NE(otherType.find(u"qzx"), std::u16string::npos) << test::Printable(otherType);
}

TEST(ItemParts, LiteralTextWritesLineFeedsAsCrLf) {
    const FileCFItem item(Native(u"C:\\f"), ItemStamps{}, 0);
    EXPECT_TRUE(RenderPart(ItemPartText(u"a\nb"), item) == u"a\r\nb");
}

// Stamp 0 is midnight of 1 January 1970 UTC; the tests run in UTC with the default locale.
TEST(ItemParts, DateStylesOfStampZero) {
    FileCFItem item(Native(u"C:\\f"), ItemStamps{}, 0);
    item.modified = 0;
    item.created = 86400 + 3600 + 60 + 1;  // 2 January 1970, 01:01:01
    item.accessed = 0;
    struct Row {
        DateStamp stamp;
        DateStyle style;
        std::u16string_view expected;
    };
#ifdef _WIN32
    const Row rows[] = {
        {DateStamp::Modified, DateStyle::ShortDate, u"1/1/1970"},
        {DateStamp::Modified, DateStyle::LongDate, u"Thursday, January 1, 1970"},
        {DateStamp::Modified, DateStyle::ShortDateTime, u"1/1/1970 12:00:00 AM"},
        {DateStamp::Accessed, DateStyle::LongDateTime, u"Thursday, January 1, 1970 12:00:00 AM"},
        {DateStamp::Created, DateStyle::ShortDateTime, u"1/2/1970 1:01:01 AM"},
    };
#else
    const Row rows[] = {
        {DateStamp::Modified, DateStyle::ShortDate, u"01/01/1970"},
        {DateStamp::Modified, DateStyle::LongDate, u"Thursday, January 1, 1970"},
        {DateStamp::Modified, DateStyle::ShortDateTime, u"01/01/1970 00:00:00"},
        {DateStamp::Accessed, DateStyle::LongDateTime, u"Thursday, January 1, 1970 00:00:00"},
        {DateStamp::Created, DateStyle::ShortDateTime, u"01/02/1970 01:01:01"},
    };
#endif
    for (const Row& row : rows) {
        EXPECT_EQ(test::Printable(RenderPart(ItemPartDate(row.stamp, row.style), item)),
                  test::Printable(row.expected))
            << "stamp " << static_cast<int>(row.stamp) << " style " << static_cast<int>(row.style);
    }
}

// Dates before 1970 keep their stamps back to 1601 and show as they are, in the zone of the file's
// date (London kept summer time all year from 1968 to 1971). Windows: the tests' zone, UTC, only.
TEST(ItemParts, DatesBefore1970AndAroundTheEpochInSeveralZones) {
    struct Row {
        const char* zone;
        std::int64_t utc;
        std::int64_t stamp;
        std::u16string_view longDate;
    };
    const Row rows[] = {
        {"UTC", kEarliestStamp, kEarliestStamp, u"Monday, January 1, 1601"},
        {"UTC", kEarliestStamp - 1, 0, u"Thursday, January 1, 1970"},  // out of range: stamp 0
        {"UTC", -2208988800, -2208988800, u"Monday, January 1, 1900"},
        {"UTC", -1, -1, u"Wednesday, December 31, 1969"},
        {"UTC", 0, 0, u"Thursday, January 1, 1970"},
#ifndef _WIN32
        {"America/New_York", 0, 0, u"Wednesday, December 31, 1969"},
        {"America/New_York", 18000, 18000, u"Thursday, January 1, 1970"},
        {"Asia/Kolkata", -19800, -19800, u"Thursday, January 1, 1970"},
        {"Asia/Kolkata", -19801, -19801, u"Wednesday, December 31, 1969"},
        {"Europe/London", -1800, -1800, u"Thursday, January 1, 1970"},
        {"Europe/London", -3601, -3601, u"Wednesday, December 31, 1969"},
#endif
    };
    FileCFItem item(Native(u"C:\\f"), ItemStamps{}, 0);
    for (const Row& row : rows) {
#ifndef _WIN32
        ::setenv("TZ", row.zone, 1);
        ::tzset();
#endif
        StampConverter converter;
        EXPECT_EQ(SlowStampOf(row.utc), row.stamp) << row.zone << " " << row.utc;
        EXPECT_EQ(converter.StampOf(row.utc), row.stamp) << row.zone << " " << row.utc;
        item.modified = converter.StampOf(row.utc);
        EXPECT_EQ(test::Printable(RenderPart(ItemPartDate(DateStamp::Modified, DateStyle::LongDate), item)),
                  test::Printable(row.longDate))
            << row.zone << " " << row.utc;
    }
#ifndef _WIN32
    ::setenv("TZ", "UTC", 1);
    ::tzset();
#endif
}

}  // namespace
}  // namespace quillet
